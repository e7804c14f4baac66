#include "classlib/base/messagebox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(MessageBox, WithoutHandlerPrintsCaptionAndTextToStandardError)
{
    const auto old = SetMessageBoxHandler({});
    testing::internal::CaptureStderr();
    const int answer = MessageBox("Invalid combination", AnsiString::FromUtf8("Внимание"), MB_OK | MB_ICONWARNING);
    const std::string printed = testing::internal::GetCapturedStderr();
    SetMessageBoxHandler(old);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(printed, "Внимание: Invalid combination\n");
}

TEST(MessageBox, HandlerReceivesTheBoxAndIsReplacedAndRestored)
{
    struct TBox {
        AnsiString text, caption;
        unsigned flags;
    };
    std::vector<TBox> boxes;
    const auto old = SetMessageBoxHandler([&](const AnsiString& text, const AnsiString& caption, unsigned flags) {
        boxes.push_back({text, caption, flags});
        return 7;
    });
    EXPECT_EQ(MessageBox("text", "caption", MB_OK | MB_ICONEXCLAMATION | MB_APPLMODAL), 7);
    const auto mine = SetMessageBoxHandler(old);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, AnsiString("text"));
    EXPECT_EQ(boxes[0].caption, AnsiString("caption"));
    EXPECT_EQ(boxes[0].flags, 0x30u);
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine("a", "b", 0), 7);
}
