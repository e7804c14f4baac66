// What zentorctl prints for each outcome, and the exit codes scripts rely on.
#include "tools/zentorctl/ctloutput.h"
#include "tools/zentorctl/devicelink.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <set>

using namespace zentorctl;
using platform::SerialCause;

namespace {

TCtlOptions Options(TCommand command, bool json, TMode mode = TMode::Erase)
{
    TCtlOptions options;
    options.Command = command;
    options.Port = 7;
    options.Mode = mode;
    options.Json = json;
    return options;
}

TExchangeResult Replied(std::uint8_t byte) { return {TOutcome::Replied, std::string(1, static_cast<char>(byte)), SerialCause::None}; }
TExchangeResult Garbled(std::string bytes) { return {TOutcome::Garbled, std::move(bytes), SerialCause::None}; }
TExchangeResult OpenFailed(SerialCause cause) { return {TOutcome::OpenFailed, "", cause}; }

QJsonObject ParseJson(const std::string& text)
{
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    EXPECT_EQ(text.back(), '\n');
    return document.object();
}

struct TOutcomeCase {
    TCommand command;
    TMode mode;
    TExchangeResult result;
    int exitCode;
    std::string text;      // standard output in text form, or a part of standard error when empty
    std::string errorPart; // a part of standard error in text form
    std::string jsonField; // "mode" or "error", and its value
    std::string jsonValue;
};

} // namespace

TEST(ZentorctlOutput, EachOutcomeHasItsTextJsonAndExitCode)
{
    const TOutcomeCase cases[] = {
        {TCommand::Read, TMode::Erase, Replied(0x00), ecSuccess, "erase\n", "", "mode", "erase"},
        {TCommand::Read, TMode::Erase, Replied(0xFF), ecSuccess, "keep\n", "", "mode", "keep"},
        {TCommand::Read, TMode::Erase, Replied(0x05), ecUnexpectedReply, "0x05\n", "", "error", "unexpected reply"},
        {TCommand::Read, TMode::Erase, Replied(0x0F), ecUnexpectedReply, "0x0F\n", "", "error", "unexpected reply"},
        {TCommand::Write, TMode::Keep, Replied(0x0F), ecSuccess, "keep\n", "", "mode", "keep"},
        {TCommand::Write, TMode::Erase, Replied(0x0F), ecSuccess, "erase\n", "", "mode", "erase"},
        {TCommand::Write, TMode::Erase, Replied(0x00), ecUnexpectedReply, "0x00\n", "", "error", "unexpected reply"},
        {TCommand::Read, TMode::Erase, {TOutcome::NoAnswer, "", SerialCause::None}, ecNoAnswer, "", "COM7: no answer",
         "error", "no answer"},
        {TCommand::Write, TMode::Keep, {TOutcome::Interrupted, "", SerialCause::None}, ecInterrupted, "", "interrupted",
         "error", "interrupted"},
        {TCommand::Read, TMode::Erase, OpenFailed(SerialCause::NoSuchPort), ecNoSuchPort, "", "COM7: port cannot be opened: no such port",
         "cause", "no such port"},
        {TCommand::Read, TMode::Erase, OpenFailed(SerialCause::InUse), ecPortInUse, "", "opened: in use", "cause", "in use"},
        {TCommand::Write, TMode::Keep, OpenFailed(SerialCause::NoPermission), ecNoPermission, "", "opened: no permission",
         "cause", "no permission"},
        {TCommand::Read, TMode::Erase, OpenFailed(SerialCause::IoFailure), ecCannotOpen, "", "opened: input/output failure",
         "cause", "input/output failure"},
        {TCommand::Read, TMode::Erase, Garbled(std::string("\x00\x01", 2)), ecUnexpectedReply, "0x00 0x01\n",
         "COM7: the device answered more than one byte", "reply", "0x00 0x01"},
        {TCommand::Write, TMode::Keep, Garbled("\xFF\x0F\x0F"), ecUnexpectedReply, "0xFF 0x0F 0x0F\n",
         "more than one byte", "reply", "0xFF 0x0F 0x0F"},
    };
    for (const auto& c : cases) {
        const auto report = [&](bool json) {
            const TCtlOptions options = Options(c.command, json, c.mode);
            return c.command == TCommand::Read ? ReportRead(options, c.result) : ReportWrite(options, c.result);
        };
        const TReport text = report(false);
        EXPECT_EQ(text.ExitCode, c.exitCode) << c.text << c.errorPart;
        EXPECT_EQ(text.Out, c.text);
        EXPECT_NE(text.Err.find(c.errorPart), std::string::npos) << text.Err;
        EXPECT_EQ(text.Err.empty(), c.errorPart.empty()) << text.Err;

        const TReport json = report(true);
        EXPECT_EQ(json.ExitCode, c.exitCode);
        EXPECT_TRUE(json.Err.empty());
        const QJsonObject object = ParseJson(json.Out);
        EXPECT_EQ(object["command"].toString(), c.command == TCommand::Read ? "read" : "write");
        EXPECT_EQ(object["port"].toInt(), 7);
        EXPECT_EQ(object["exit"].toInt(), c.exitCode);
        EXPECT_EQ(object[QString::fromStdString(c.jsonField)].toString().toStdString(), c.jsonValue);
    }
}

TEST(ZentorctlOutput, ExitCodesAreDistinctAndListedInTheHelp)
{
    const int codes[] = {ecSuccess,   ecBadArguments, ecNoAnswer,   ecUnexpectedReply, ecNoSuchPort,
                         ecPortInUse, ecNoPermission, ecCannotOpen, ecOutputFailed,    ecInterrupted};
    EXPECT_EQ(std::set<int>(std::begin(codes), std::end(codes)).size(), std::size(codes));
    EXPECT_EQ(ecOutputFailed, 9);
    const std::string help = ReportHelp(false).Out;
    for (int code : codes)
        EXPECT_NE(help.find("\n  " + std::to_string(code) + " "), std::string::npos) << code;
}

TEST(ZentorctlOutput, BadArgumentsGoToStandardErrorOrIntoTheJsonObject)
{
    const TReport text = ReportBadArguments("--port is required", false, TCommand::Read);
    EXPECT_EQ(text.ExitCode, ecBadArguments);
    EXPECT_TRUE(text.Out.empty());
    EXPECT_EQ(text.Err.rfind("zentorctl: --port is required\nusage:", 0), 0u);

    const TReport json = ReportBadArguments("unknown option \"--x\"", true, TCommand::Write);
    const QJsonObject object = ParseJson(json.Out);
    EXPECT_EQ(object["command"].toString(), "write");
    EXPECT_EQ(object["message"].toString(), "unknown option \"--x\"");
    EXPECT_EQ(object["exit"].toInt(), ecBadArguments);
    const QJsonObject unnamed = ParseJson(ReportBadArguments("unknown command \"x\"", true, std::nullopt).Out);
    EXPECT_TRUE(unnamed.contains("command"));
    EXPECT_TRUE(unnamed["command"].isNull());
}

TEST(ZentorctlOutput, HelpIsJsonWhenAskedFor)
{
    const QJsonObject help = ParseJson(ReportHelp(true).Out);
    EXPECT_EQ(help["command"].toString(), "help");
    EXPECT_EQ(help["usage"].toString().toStdString(), kCtlUsage);
    EXPECT_EQ(help["exit"].toInt(), ecSuccess);
    EXPECT_EQ(ReportHelp(false).Out, kCtlUsage);
}

// The usage names exactly the speeds that --speed takes.
TEST(ZentorctlOutput, UsageListsTheSpeedsThatWork)
{
    const std::string usage = kCtlUsage;
    for (const int speed : kCtlSpeeds)
        EXPECT_NE(usage.find(" " + std::to_string(speed)), std::string::npos) << speed;
    for (const char* refused : {"14400", "56000", "128000", "256000"})
        EXPECT_EQ(usage.find(refused), std::string::npos) << refused;
}

TEST(ZentorctlOutput, AnOutputThatCouldNotBeWrittenHasItsOwnExitCodeAndMessage)
{
    const TReport report = ReportOutputFailed();
    EXPECT_EQ(report.ExitCode, ecOutputFailed);
    EXPECT_TRUE(report.Out.empty());
    EXPECT_EQ(report.Err, "zentorctl: standard output could not be written\n");
}

// Arguments and registry texts are bytes in no known encoding; JSON output stays valid UTF-8 whatever they
// hold: a byte that does not belong to a well-formed character becomes U+FFFD.
TEST(ZentorctlOutput, JsonTextsAreValidUtf8WhateverTheBytes)
{
    const std::string bad = "\xEF\xBF\xBD";
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"COM\"1\\", "COM\\\"1\\\\"},
        {"a\nb", "a\\u000Ab"},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"\xFF", bad},
        {"x\xC3", "x" + bad},
        {"\xC3(\xE2\x82", bad + "(" + bad + bad},
        {"\xC0\x80", bad + bad},                       // an overlong zero
        {"\xED\xA0\x80", bad + bad + bad},             // a surrogate
        {"\xF4\x90\x80\x80", bad + bad + bad + bad}, // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonString(c.bytes), "\"" + c.text + "\"") << c.bytes;
        const TReport report = ReportBadArguments("unknown option \"" + c.bytes + "\"", true, TCommand::Read);
        EXPECT_EQ(ParseJson(report.Out)["exit"].toInt(), ecBadArguments) << report.Out;
    }
}

TEST(ZentorctlOutput, RequestFramesCarryTheRegisterAndMode)
{
    EXPECT_EQ(RequestFrame(Options(TCommand::Read, false)).Bytes(), "A59600D5006B");
    EXPECT_EQ(RequestFrame(Options(TCommand::Write, false, TMode::Keep)).Bytes(), "A59601D5FF6B");
    EXPECT_EQ(RequestFrame(Options(TCommand::Write, false, TMode::Erase)).Bytes(), "A59601D5006C");
}

// A port the user may not open: the device node and the group to join are named, on standard error and in
// the JSON; without a group to join only the node is named.
TEST(ZentorctlOutput, NoPermissionNamesTheNodeAndTheFix)
{
    TExchangeResult denied = OpenFailed(SerialCause::NoPermission);
    denied.Permission = {"/dev/ttyUSB1", "dialout", "sudo usermod -aG dialout $USER"};
    const TReport text = ReportRead(Options(TCommand::Read, false), denied);
    EXPECT_EQ(text.ExitCode, ecNoPermission);
    EXPECT_EQ(text.Err, "zentorctl: COM7 (/dev/ttyUSB1): port cannot be opened: no permission\n"
                        "zentorctl: members of the group dialout may open /dev/ttyUSB1; fix: sudo usermod -aG dialout "
                        "$USER, then log in again\n");
    const QJsonObject json = ParseJson(ReportRead(Options(TCommand::Read, true), denied).Out);
    EXPECT_EQ(json["path"].toString(), "/dev/ttyUSB1");
    EXPECT_EQ(json["group"].toString(), "dialout");
    EXPECT_EQ(json["fix"].toString(), "sudo usermod -aG dialout $USER, then log in again");

    denied.Permission = {"/dev/ttyS0", "", ""};
    EXPECT_EQ(ReportRead(Options(TCommand::Read, false), denied).Err,
              "zentorctl: COM7 (/dev/ttyS0): port cannot be opened: no permission\n");
    const QJsonObject bare = ParseJson(ReportRead(Options(TCommand::Read, true), denied).Out);
    EXPECT_EQ(bare["path"].toString(), "/dev/ttyS0");
    EXPECT_FALSE(bare.contains("fix"));
}
