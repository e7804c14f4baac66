// What zentorctl prints and the exit code it ends with, as plain text or as one JSON object per command.
#pragma once

#include "platform/portmap.h"
#include "platform/serialdevice.h"
#include "tools/zentorctl/ctloptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentorctl {

// Exit codes of the program, documented in kCtlUsage.
enum TExitCode {
    ecSuccess = 0,
    ecBadArguments = 2,
    ecNoAnswer = 3,
    ecUnexpectedReply = 4,
    ecNoSuchPort = 5,
    ecPortInUse = 6,
    ecNoPermission = 7,
    ecCannotOpen = 8, // any other reason the port did not open
    ecOutputFailed = 9, // standard output could not be written
    ecInterrupted = 130,
};

// How an exchange with the device ended. Garbled: more than one byte came where the reply is one byte.
enum class TOutcome { Replied, NoAnswer, OpenFailed, Interrupted, Garbled };

struct TExchangeResult {
    TOutcome Outcome = TOutcome::NoAnswer;
    std::string Reply;                                          // the bytes that came, when Replied or Garbled
    platform::SerialCause Cause = platform::SerialCause::None; // why the port did not open, when OpenFailed
    platform::TPermissionFix Permission{}; // the node and the fix, when the cause is NoPermission
};

// Text for standard output and for standard error, and the exit code.
struct TReport {
    std::string Out;
    std::string Err;
    int ExitCode = ecSuccess;
};

constexpr std::uint8_t kWriteAcknowledge = 0x0F;

TReport ReportRead(const TCtlOptions& options, const TExchangeResult& result);
TReport ReportWrite(const TCtlOptions& options, const TExchangeResult& result);
// command: the command named by the arguments, when they name one.
TReport ReportBadArguments(const std::string& error, bool json, std::optional<TCommand> command);
TReport ReportHelp(bool json);
// What is left to say when standard output could not take the report.
TReport ReportOutputFailed();

// The text in double quotes with JSON escapes.
std::string JsonString(const std::string& text);

extern const char* const kCtlUsage;

} // namespace zentorctl
