#include "tools/zentorctl/ctloutput.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace zentorctl {

const char* const kCtlUsage =
    "usage: zentorctl ports [--json]\n"
    "       zentorctl read --port N [--speed S] [--json]\n"
    "       zentorctl write --port N --mode erase|keep [--speed S] [--json]\n"
    "\n"
    "  ports   lists the serial ports: COM number, kind (usb, serial, pty or -), device path, description\n"
    "  read    prints the device's erase mode: erase (reply 0x00) or keep (reply 0xFF)\n"
    "  write   sets the erase mode and checks the device's acknowledgement (0x0F)\n"
    "\n"
    "  --port N    the COM number of the device (see ports)\n"
    "  --speed S   line speed, 9600 unless given: 110 300 600 1200 2400 4800 9600 19200 38400 57600\n"
    "              or 115200; no parity, 8 data bits, 1 stop bit\n"
    "  --json      one JSON object on standard output instead of text\n"
    "\n"
    "A reply other than the expected ones is printed as 0xNN, a reply of several bytes as all of them.\n"
    "The device has 3000 ms to answer.\n"
    "\n"
    "exit codes:\n"
    "  0    success\n"
    "  2    bad arguments\n"
    "  3    no answer from the device\n"
    "  4    unexpected reply\n"
    "  5    port cannot be opened: no such port\n"
    "  6    port cannot be opened: in use\n"
    "  7    port cannot be opened: no permission\n"
    "  8    port cannot be opened: other cause\n"
    "  9    standard output could not be written\n"
    "  130  interrupted (Ctrl+C, SIGTERM or SIGHUP)\n";

namespace {

std::string HexByte(std::uint8_t byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// Every byte as 0xNN, separated by blanks.
std::string HexBytes(const std::string& bytes)
{
    std::string text;
    for (const char byte : bytes)
        text += (text.empty() ? "" : " ") + HexByte(static_cast<std::uint8_t>(byte));
    return text;
}

const char* CommandName(TCommand command)
{
    switch (command) {
    case TCommand::Ports: return "ports";
    case TCommand::Read: return "read";
    case TCommand::Write: return "write";
    case TCommand::Help: break;
    }
    return "help";
}

const char* ModeName(TMode mode) { return mode == TMode::Erase ? "erase" : "keep"; }

int OpenFailureExitCode(platform::SerialCause cause)
{
    switch (cause) {
    case platform::SerialCause::NoSuchPort: return ecNoSuchPort;
    case platform::SerialCause::InUse: return ecPortInUse;
    case platform::SerialCause::NoPermission: return ecNoPermission;
    default: return ecCannotOpen;
    }
}

bool PermissionDenied(const TExchangeResult& result)
{
    return result.Cause == platform::SerialCause::NoPermission && !result.Permission.Node.empty();
}

std::string NodeInBrackets(const TExchangeResult& result)
{
    return PermissionDenied(result) ? " (" + result.Permission.Node + ")" : std::string();
}

// The fix for a port the user may not open: join the node's group and log in again.
std::string PermissionAdvice(const TExchangeResult& result)
{
    const platform::TPermissionFix& fix = result.Permission;
    if (!PermissionDenied(result) || fix.Command.empty())
        return {};
    return "zentorctl: members of the group " + fix.Group + " may open " + fix.Node + "; fix: " + fix.Command +
           ", then log in again\n";
}

std::string JsonPermission(const TExchangeResult& result)
{
    const platform::TPermissionFix& fix = result.Permission;
    if (!PermissionDenied(result))
        return {};
    std::string fields = ",\"path\":" + JsonString(fix.Node);
    if (!fix.Command.empty())
        fields += ",\"group\":" + JsonString(fix.Group) + ",\"fix\":" + JsonString(fix.Command + ", then log in again");
    return fields;
}

// A report that the exchange failed or gave an unexpected byte; nothing when the reply was the expected one.
std::optional<TReport> ReportTrouble(const TCtlOptions& options, const TExchangeResult& result, std::string head)
{
    const std::string port = "COM" + std::to_string(options.Port);
    TReport report;
    std::string error;
    std::string extra;
    switch (result.Outcome) {
    case TOutcome::Replied:
        return std::nullopt;
    case TOutcome::NoAnswer:
        report.ExitCode = ecNoAnswer;
        error = "no answer";
        report.Err = "zentorctl: " + port + ": no answer from the device within 3000 ms\n";
        break;
    case TOutcome::OpenFailed:
        report.ExitCode = OpenFailureExitCode(result.Cause);
        error = "port cannot be opened";
        extra = ",\"cause\":" + JsonString(platform::SerialCauseText(result.Cause)) + JsonPermission(result);
        report.Err = "zentorctl: " + port + NodeInBrackets(result) + ": port cannot be opened: " +
                     platform::SerialCauseText(result.Cause) + "\n" + PermissionAdvice(result);
        break;
    case TOutcome::Garbled:
        report.ExitCode = ecUnexpectedReply;
        error = "reply of more than one byte";
        extra = ",\"reply\":\"" + HexBytes(result.Reply) + "\"";
        report.Out = HexBytes(result.Reply) + "\n";
        report.Err = "zentorctl: " + port + ": the device answered more than one byte\n";
        break;
    case TOutcome::Interrupted:
        report.ExitCode = ecInterrupted;
        error = "interrupted";
        report.Err = "zentorctl: interrupted\n";
        break;
    }
    if (options.Json) {
        report.Out = head + ",\"error\":" + JsonString(error) + extra + ",\"exit\":" +
                     std::to_string(report.ExitCode) + "}\n";
        report.Err.clear();
    }
    return report;
}

std::string JsonHead(const TCtlOptions& options)
{
    return std::string("{\"command\":\"") + CommandName(options.Command) + "\",\"port\":" +
           std::to_string(options.Port);
}

std::uint8_t FirstByte(const TExchangeResult& result) { return static_cast<std::uint8_t>(result.Reply.at(0)); }

TReport ReportUnexpected(const TCtlOptions& options, std::uint8_t reply, const std::string& head)
{
    TReport report;
    report.ExitCode = ecUnexpectedReply;
    if (options.Json)
        report.Out = head + ",\"error\":\"unexpected reply\",\"reply\":\"" + HexByte(reply) + "\",\"exit\":" +
                     std::to_string(ecUnexpectedReply) + "}\n";
    else
        report.Out = HexByte(reply) + "\n";
    return report;
}

TReport ReportMode(const TCtlOptions& options, TMode mode, std::uint8_t reply, const std::string& head)
{
    TReport report;
    if (options.Json)
        report.Out = head + ",\"mode\":\"" + ModeName(mode) + "\",\"reply\":\"" + HexByte(reply) + "\",\"exit\":0}\n";
    else
        report.Out = std::string(ModeName(mode)) + "\n";
    return report;
}

// Length of the well-formed UTF-8 character at text[at] (no overlong form, no surrogate, at most U+10FFFF);
// 0 when the bytes there do not form one.
std::size_t Utf8CharLength(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length =
        lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    const unsigned char second = length > 1 ? byte(at + 1) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

} // namespace

// A byte that does not belong to a well-formed UTF-8 character becomes U+FFFD, so the output is valid JSON
// whatever bytes the arguments or the registry held.
std::string JsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8CharLength(text, at);
        if (length == 0) {
            quoted += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            quoted += escape;
        } else {
            quoted.append(text, at, length);
        }
        at += length;
    }
    return quoted + "\"";
}

TReport ReportRead(const TCtlOptions& options, const TExchangeResult& result)
{
    const std::string head = JsonHead(options);
    if (auto trouble = ReportTrouble(options, result, head))
        return *trouble;
    const std::uint8_t reply = FirstByte(result);
    if (reply == 0x00)
        return ReportMode(options, TMode::Erase, reply, head);
    if (reply == 0xFF)
        return ReportMode(options, TMode::Keep, reply, head);
    return ReportUnexpected(options, reply, head);
}

TReport ReportWrite(const TCtlOptions& options, const TExchangeResult& result)
{
    const std::string head = JsonHead(options);
    if (auto trouble = ReportTrouble(options, result, head))
        return *trouble;
    const std::uint8_t reply = FirstByte(result);
    if (reply == kWriteAcknowledge)
        return ReportMode(options, options.Mode, reply, head);
    return ReportUnexpected(options, reply, head);
}

TReport ReportBadArguments(const std::string& error, bool json, std::optional<TCommand> command)
{
    TReport report;
    report.ExitCode = ecBadArguments;
    const std::string name = command ? std::string("\"") + CommandName(*command) + "\"" : "null";
    if (json)
        report.Out = "{\"command\":" + name + ",\"error\":\"bad arguments\",\"message\":" + JsonString(error) +
                     ",\"exit\":2}\n";
    else
        report.Err = "zentorctl: " + error + "\n" + kCtlUsage;
    return report;
}

TReport ReportHelp(bool json)
{
    TReport report;
    report.Out = json ? "{\"command\":\"help\",\"usage\":" + JsonString(kCtlUsage) + ",\"exit\":0}\n" : kCtlUsage;
    return report;
}

TReport ReportOutputFailed()
{
    TReport report;
    report.Err = "zentorctl: standard output could not be written\n";
    report.ExitCode = ecOutputFailed;
    return report;
}

} // namespace zentorctl
