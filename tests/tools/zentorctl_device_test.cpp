// The zentorctl program run as a process against the simulated device: the bytes on the line, what it
// prints, and its exit codes.
#include "comm/commport.h"
#include "tools/zentor-sim/zentorsim.h"
#include "tools/zentorctl/ctloutput.h"

#include "comm/commtestsupport.h"
#include "platform/portmap.h"
#include "support/tempfolder.h"
#include "tools/ctlprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

using namespace zentorsim;
using namespace zentorctl;
using namespace std::chrono_literals;

namespace {

class ZentorctlProcess : public ::testing::Test {
protected:
    void Launch(TSimOptions options)
    {
        sim_ = std::make_unique<TZentorSim>(std::move(options));
        std::string error;
        ASSERT_TRUE(sim_->Start(error)) << error;
    }

    void TearDown() override
    {
        DropHandlers(holder_);
        holder_.SetOpen(false);
    }

    TCtlRun Ctl(const std::vector<std::string>& arguments) { return RunCtl(arguments); }

    std::string Port() const { return std::to_string(sim_->ComNumber()); }

    std::vector<std::uint8_t> Line() const { return sim_->Received(); }

    std::unique_ptr<TZentorSim> sim_;
    TCommPort holder_;
};

using TBytes = std::vector<std::uint8_t>;
const TBytes kReadFrame = {0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B};

} // namespace

TEST_F(ZentorctlProcess, ReadsAndWritesBothModesWithTheExactBytesOnTheLine)
{
    Launch({});
    struct TStep {
        std::vector<std::string> arguments;
        TBytes frame;
        std::string out;
        std::uint8_t registerAfter;
    };
    const TStep steps[] = {
        {{"read"}, kReadFrame, "erase\n", 0x00},
        {{"write", "--mode", "keep"}, {0xA5, 0x96, 0x01, 0xD5, 0xFF, 0x6B}, "keep\n", 0xFF},
        {{"read"}, kReadFrame, "keep\n", 0xFF},
        {{"write", "--mode", "erase", "--speed", "19200"}, {0xA5, 0x96, 0x01, 0xD5, 0x00, 0x6C}, "erase\n", 0x00},
        {{"read"}, kReadFrame, "erase\n", 0x00},
    };
    TBytes expectedLine;
    for (const auto& step : steps) {
        auto arguments = step.arguments;
        arguments.insert(arguments.end(), {"--port", Port()});
        const TCtlRun run = Ctl(arguments);
        EXPECT_EQ(run.exitCode, ecSuccess) << run.err;
        EXPECT_EQ(run.out, step.out);
        expectedLine.insert(expectedLine.end(), step.frame.begin(), step.frame.end());
        EXPECT_EQ(Line(), expectedLine);
        EXPECT_EQ(sim_->Register(kEraseModeRegister), step.registerAfter);
    }
}

TEST_F(ZentorctlProcess, JsonOutputParsesForEveryCommand)
{
    TSimOptions options;
    options.InitialValue = 0xFF;
    Launch(options);
    const auto parse = [](const TCtlRun& run) {
        QJsonParseError error;
        const auto object = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out;
        return object;
    };
    const QJsonObject read = parse(Ctl({"read", "--port", Port(), "--json"}));
    EXPECT_EQ(read["mode"].toString(), "keep");
    EXPECT_EQ(read["reply"].toString(), "0xFF");
    EXPECT_EQ(parse(Ctl({"write", "--port", Port(), "--mode", "erase", "--json"}))["exit"].toInt(), ecSuccess);
    bool listed = false;
    for (const auto port : parse(Ctl({"ports", "--json"}))["ports"].toArray())
        listed |= port.toObject()["number"].toInt() == sim_->ComNumber() &&
                  port.toObject()["path"].toString().toStdString() == sim_->PtyPath();
    EXPECT_TRUE(listed);
    EXPECT_EQ(parse(Ctl({"read", "--json"}))["exit"].toInt(), ecBadArguments);
}

TEST_F(ZentorctlProcess, FailuresEndWithTheirOwnExitCodes)
{
    TSimOptions answering5;
    answering5.AnswerByte = 0x05;
    Launch(answering5);
    const TCtlRun unexpected = Ctl({"read", "--port", Port()});
    EXPECT_EQ(unexpected.exitCode, ecUnexpectedReply);
    EXPECT_EQ(unexpected.out, "0x05\n");
    EXPECT_EQ(Ctl({"write", "--port", Port(), "--mode", "keep"}).exitCode, ecUnexpectedReply);

    holder_.SetComNumber(sim_->ComNumber());
    holder_.SetOpen(true);
    ASSERT_TRUE(holder_.Open());
    const TCtlRun inUse = Ctl({"read", "--port", Port()});
    EXPECT_EQ(inUse.exitCode, ecPortInUse);
    EXPECT_NE(inUse.err.find("in use"), std::string::npos) << inUse.err;
    holder_.SetOpen(false);

    const TCtlRun missing = Ctl({"read", "--port", "250"});
    EXPECT_EQ(missing.exitCode, ecNoSuchPort);
    EXPECT_NE(missing.err.find("no such port"), std::string::npos) << missing.err;
    EXPECT_EQ(Ctl({"write", "--port", Port(), "--mode", "maybe"}).exitCode, ecBadArguments);
}

// A line that carries more than the one reply byte is no answer to trust, whatever its first byte.
TEST_F(ZentorctlProcess, ReplyOfTwoBytesIsRefusedAsUnexpected)
{
    TSimOptions twice;
    twice.InitialValue = 0xFF;
    twice.TwoByteReply = true;
    Launch(twice);
    const TCtlRun read = Ctl({"read", "--port", Port()});
    EXPECT_EQ(read.exitCode, ecUnexpectedReply);
    EXPECT_EQ(read.out, "0xFF 0xFF\n");
    EXPECT_NE(read.err.find("more than one byte"), std::string::npos) << read.err;
    const TCtlRun json = Ctl({"write", "--port", Port(), "--mode", "erase", "--json"});
    EXPECT_EQ(json.exitCode, ecUnexpectedReply);
    EXPECT_NE(json.out.find("\"error\":\"reply of more than one byte\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"reply\":\"0x0F 0x0F\""), std::string::npos) << json.out;
}

TEST_F(ZentorctlProcess, ASilentDeviceEndsInNoAnswerAndCtrlCEndsAtOnceWithThePortClosed)
{
    TSimOptions silent;
    silent.Silent = true;
    Launch(silent);
    const TCtlRun quiet = Ctl({"read", "--port", Port()});
    EXPECT_EQ(quiet.exitCode, ecNoAnswer);
    EXPECT_NE(quiet.err.find("no answer"), std::string::npos);
    EXPECT_EQ(Line(), kReadFrame);

    TCtlProcess interrupted({"read", "--port", Port()});
    ASSERT_TRUE(sim_->WaitReceived(2 * kReadFrame.size(), 10s));
    ::kill(interrupted.Pid(), SIGINT);
    EXPECT_EQ(interrupted.Finish().exitCode, ecInterrupted);
    holder_.SetComNumber(sim_->ComNumber());
    holder_.SetOpen(true);
    EXPECT_TRUE(holder_.Open());
}

// Every request to end the program closes the port and ends with the interrupted exit code and its message.
TEST_F(ZentorctlProcess, EndSignalsEndTheProgramWith130AndSaySo)
{
    TSimOptions silent;
    silent.Silent = true;
    Launch(silent);
    std::size_t frames = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        TCtlProcess process({"read", "--port", Port()});
        ASSERT_TRUE(sim_->WaitReceived(++frames * kReadFrame.size(), 10s));
        ::kill(process.Pid(), signal);
        const TCtlRun run = process.Finish();
        EXPECT_EQ(run.exitCode, ecInterrupted) << signal;
        EXPECT_EQ(run.err, "zentorctl: interrupted\n") << signal;
    }
}

// A report that standard output could not take is not a success, whatever the command.
TEST_F(ZentorctlProcess, AnOutputThatCannotBeWrittenEndsWithExitCode9)
{
    Launch({});
    const std::vector<std::string> commands[] = {
        {"read", "--port", Port()},
        {"write", "--port", Port(), "--mode", "keep", "--json"},
        {"ports"},
        {"help"},
    };
    for (const auto& arguments : commands) {
        const TCtlRun run = RunCtl(arguments, "/dev/full");
        EXPECT_EQ(run.exitCode, ecOutputFailed) << arguments[0];
        EXPECT_NE(run.err.find("zentorctl: standard output could not be written"), std::string::npos) << run.err;
    }
    EXPECT_EQ(sim_->Register(kEraseModeRegister), 0xFF) << "the write itself went through";
}

// A pipe whose reader has gone is an output that cannot be written, as under Windows: exit code 9 and the
// message, not death by SIGPIPE.
TEST(ZentorctlProgram, AnOutputPipeWithoutReaderEndsWithExitCode9)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"help"}, {"ports", "--json"}, {"read", "--port", "0", "--json"}}) {
        int pipeEnds[2];
        ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
        ::close(pipeEnds[0]);
        const TCtlRun run = TCtlProcess(arguments, nullptr, pipeEnds[1]).Finish();
        ::close(pipeEnds[1]);
        EXPECT_EQ(run.signal, 0) << arguments[0];
        EXPECT_EQ(run.exitCode, ecOutputFailed) << arguments[0];
        EXPECT_NE(run.err.find("zentorctl: standard output could not be written"), std::string::npos) << run.err;
    }
}

TEST(ZentorctlProgram, SpeedsNoDriverGivesAreRefusedBeforeAnyPortIsOpened)
{
    for (const char* speed : {"14400", "56000", "128000", "256000"}) {
        const TCtlRun run = RunCtl({"read", "--port", "250", "--speed", speed});
        EXPECT_EQ(run.exitCode, ecBadArguments) << speed;
        EXPECT_NE(run.err.find("--speed takes one of the line speeds 110 300 600 1200 2400 4800 9600 19200 38400 "
                               "57600 115200, not \"" + std::string(speed) + "\""),
                  std::string::npos)
            << run.err;
    }
}

TEST(ZentorctlProgram, HelpAndBadArgumentsAreJsonWhenAskedFor)
{
    const auto parse = [](const TCtlRun& run) {
        QJsonParseError error;
        const auto object = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out;
        return object;
    };
    const TCtlRun help = RunCtl({"help", "--json"});
    EXPECT_EQ(help.exitCode, ecSuccess);
    EXPECT_EQ(parse(help)["usage"].toString().toStdString(), kCtlUsage);
    const QJsonObject bad = parse(RunCtl({"write", "--port", "3", "--json"}));
    EXPECT_EQ(bad["command"].toString(), "write");
    EXPECT_EQ(bad["exit"].toInt(), ecBadArguments);
}

// A COM link that leads to a folder is no port: the same answer as under Wine.
TEST(ZentorctlProgram, ALinkToAFolderIsNoSuchPort)
{
    TTempFolder folder;
    constexpr int kNumber = 241;
    ASSERT_TRUE(platform::RegisterComLink(kNumber, folder.Path()));
    const TCtlRun run = RunCtl({"read", "--port", std::to_string(kNumber)});
    platform::UnregisterComLink(kNumber);
    EXPECT_EQ(run.exitCode, ecNoSuchPort) << run.err;
    EXPECT_NE(run.err.find("no such port"), std::string::npos) << run.err;
}
