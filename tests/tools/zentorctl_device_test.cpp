// The zentorctl program run as a process against the simulated device: the bytes on the line, what it
// prints, and its exit codes.
#include "comm/commport.h"
#include "tools/zentor-sim/zentorsim.h"
#include "tools/zentorctl/ctloutput.h"

#include "comm/commtestsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

using namespace zentorsim;
using namespace zentorctl;
using namespace std::chrono_literals;

namespace {

struct TRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

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

    // Starts zentorctl with the arguments; the caller collects it with Finish.
    pid_t Spawn(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), ZENTORCTL_PATH);
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int out[2], err[2];
        EXPECT_EQ(::pipe(out), 0);
        EXPECT_EQ(::pipe(err), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        outFd_ = out[0];
        errFd_ = err[0];
        return pid;
    }

    TRun Finish(pid_t pid)
    {
        TRun run;
        run.out = ReadAll(outFd_);
        run.err = ReadAll(errFd_);
        int status = 0;
        EXPECT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status));
        run.exitCode = WEXITSTATUS(status);
        return run;
    }

    TRun Ctl(const std::vector<std::string>& arguments) { return Finish(Spawn(arguments)); }

    std::string Port() const { return std::to_string(sim_->ComNumber()); }

    std::vector<std::uint8_t> Line() const { return sim_->Received(); }

    std::unique_ptr<TZentorSim> sim_;
    TCommPort holder_;
    int outFd_ = -1;
    int errFd_ = -1;
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
        const TRun run = Ctl(arguments);
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
    const auto parse = [](const TRun& run) {
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
    const TRun unexpected = Ctl({"read", "--port", Port()});
    EXPECT_EQ(unexpected.exitCode, ecUnexpectedReply);
    EXPECT_EQ(unexpected.out, "0x05\n");
    EXPECT_EQ(Ctl({"write", "--port", Port(), "--mode", "keep"}).exitCode, ecUnexpectedReply);

    holder_.SetComNumber(sim_->ComNumber());
    holder_.SetOpen(true);
    ASSERT_TRUE(holder_.Open());
    const TRun inUse = Ctl({"read", "--port", Port()});
    EXPECT_EQ(inUse.exitCode, ecPortInUse);
    EXPECT_NE(inUse.err.find("in use"), std::string::npos) << inUse.err;
    holder_.SetOpen(false);

    const TRun missing = Ctl({"read", "--port", "250"});
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
    const TRun read = Ctl({"read", "--port", Port()});
    EXPECT_EQ(read.exitCode, ecUnexpectedReply);
    EXPECT_EQ(read.out, "");
    EXPECT_NE(read.err.find("more than one byte"), std::string::npos) << read.err;
    const TRun json = Ctl({"write", "--port", Port(), "--mode", "erase", "--json"});
    EXPECT_EQ(json.exitCode, ecUnexpectedReply);
    EXPECT_NE(json.out.find("\"error\":\"reply of more than one byte\""), std::string::npos) << json.out;
}

TEST_F(ZentorctlProcess, ASilentDeviceEndsInNoAnswerAndCtrlCEndsAtOnceWithThePortClosed)
{
    TSimOptions silent;
    silent.Silent = true;
    Launch(silent);
    const TRun quiet = Ctl({"read", "--port", Port()});
    EXPECT_EQ(quiet.exitCode, ecNoAnswer);
    EXPECT_NE(quiet.err.find("no answer"), std::string::npos);
    EXPECT_EQ(Line(), kReadFrame);

    const pid_t pid = Spawn({"read", "--port", Port()});
    ASSERT_TRUE(sim_->WaitReceived(2 * kReadFrame.size(), 10s));
    ::kill(pid, SIGINT);
    EXPECT_EQ(Finish(pid).exitCode, ecInterrupted);
    holder_.SetComNumber(sim_->ComNumber());
    holder_.SetOpen(true);
    EXPECT_TRUE(holder_.Open());
}
