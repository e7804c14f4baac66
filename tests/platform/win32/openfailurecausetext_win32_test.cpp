// The words the window of the Windows build gives for a port that did not open, from the cause the Windows
// backend finds under Wine.
#include "app/openfailurecausetext.h"
#include "winepeers.h"

#include <gtest/gtest.h>

using platform::SerialCause;

// A COM port linked to a node that nobody may write to (ZENTOR_DENIED_COM) answers the open with "access
// denied", which is what Windows answers for a port another program holds.
TEST(Win32OpenFailureCauseText, AccessDeniedIsAPortHeldByAnotherProgram)
{
    const int com = PeerComNumber("ZENTOR_DENIED_COM");
    SerialCause cause = SerialCause::None;
    const auto device = platform::OpenSerialDevice("\\\\.\\COM" + std::to_string(com), cause);
    EXPECT_FALSE(device);
    EXPECT_EQ(cause, SerialCause::InUse) << platform::SerialCauseText(cause);
    EXPECT_EQ(OpenFailureCauseText(cause).ToUtf8(), "порт занят другой программой");
}

TEST(Win32OpenFailureCauseText, NoCauseNamesALinuxGroupOrPath)
{
    for (SerialCause cause : {SerialCause::NoSuchPort, SerialCause::InUse, SerialCause::NoPermission,
                              SerialCause::Unplugged, SerialCause::NotSupported, SerialCause::InvalidParameter,
                              SerialCause::IoFailure, SerialCause::Cancelled, SerialCause::NoResources}) {
        const std::string text = OpenFailureCauseText(cause).ToUtf8();
        EXPECT_EQ(text.find("dialout"), std::string::npos) << text;
        EXPECT_EQ(text.find('/'), std::string::npos) << text;
        EXPECT_FALSE(text.empty()) << platform::SerialCauseText(cause);
    }
}
