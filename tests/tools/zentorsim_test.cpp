// The simulated device, driven through its COM link and the platform's serial device, as the program uses it.
#include "tools/zentor-sim/zentorsim.h"

#include "platform/portmap.h"
#include "platform/serialdevice.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

using namespace zentorsim;
using namespace platform;
using namespace std::chrono_literals;

namespace {

using TBytes = std::vector<std::uint8_t>;

const TBytes kReadRequest = {0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B};
const TBytes kWriteFF = {0xA5, 0x96, 0x01, 0xD5, 0xFF, 0x6B};
const TBytes kBadChecksum = {0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6C};
constexpr auto kLimit = 5s;
// Long enough for a reply that should not come to have come.
constexpr auto kQuietPeriod = 300ms;

class ZentorSim : public ::testing::Test {
protected:
    void Launch(TSimOptions options = {})
    {
        sim_ = std::make_unique<TZentorSim>(std::move(options));
        std::string error;
        ASSERT_TRUE(sim_->Start(error)) << error;
        SerialCause cause = SerialCause::None;
        port_ = OpenSerialDevice("\\\\.\\COM" + std::to_string(sim_->ComNumber()), cause);
        ASSERT_TRUE(port_) << SerialCauseText(cause);
        ASSERT_TRUE(port_->SetCommState(TDcb{}));
    }

    void Send(const TBytes& bytes)
    {
        std::uint32_t written = 0;
        ASSERT_TRUE(port_->WriteFile(bytes.data(), static_cast<std::uint32_t>(bytes.size()), written));
        sent_ += bytes.size();
        ASSERT_TRUE(sim_->WaitReceived(sent_, kLimit));
    }

    // The bytes that came back within the limit, at most count of them.
    TBytes Reply(std::size_t count, std::chrono::milliseconds limit = kLimit)
    {
        TBytes got;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            std::uint8_t buffer[16];
            std::uint32_t read = 0;
            if (!port_->ReadFile(buffer, static_cast<std::uint32_t>(std::min<std::size_t>(sizeof buffer, count - got.size())), read))
                break;
            got.insert(got.end(), buffer, buffer + read);
            if (read == 0)
                std::this_thread::sleep_for(5ms);
        }
        return got;
    }

    // Nothing more comes back over a quiet period.
    bool NothingMore() { return Reply(1, kQuietPeriod).empty(); }

    std::unique_ptr<TZentorSim> sim_;
    std::unique_ptr<ISerialDevice> port_;
    std::size_t sent_ = 0;
};

} // namespace

TEST_F(ZentorSim, AnswersAReadWithTheRegisterAndAWriteWithTheAcknowledgement)
{
    Launch();
    EXPECT_EQ(ResolveComPort(sim_->ComNumber()), sim_->PtyPath());
    Send(kReadRequest);
    EXPECT_EQ(Reply(1), TBytes{0x00});
    Send(kWriteFF);
    EXPECT_EQ(Reply(1), TBytes{0x0F});
    EXPECT_EQ(sim_->Register(kEraseModeRegister), 0xFF);
    Send(kReadRequest);
    EXPECT_EQ(Reply(1), TBytes{0xFF});
    EXPECT_TRUE(NothingMore());
    EXPECT_EQ(sim_->FramesHeard(), 3);

    TBytes all = kReadRequest;
    all.insert(all.end(), kWriteFF.begin(), kWriteFF.end());
    all.insert(all.end(), kReadRequest.begin(), kReadRequest.end());
    EXPECT_EQ(sim_->Received(), all);
}

TEST_F(ZentorSim, IgnoresWrongChecksumsAndFindsTheNextFrame)
{
    TSimOptions options;
    options.InitialValue = 0xFF;
    Launch(options);
    Send(kBadChecksum);
    EXPECT_TRUE(NothingMore());
    Send({0xA5, 0x96, 0x00}); // cut short; the next frame starts right after
    Send(kReadRequest);
    EXPECT_EQ(Reply(2, kQuietPeriod), TBytes{0xFF});
    EXPECT_EQ(sim_->FramesHeard(), 1);
}

TEST_F(ZentorSim, SilentDeviceHearsButNeverAnswers)
{
    TSimOptions options;
    options.Silent = true;
    Launch(options);
    Send(kWriteFF);
    Send(kReadRequest);
    EXPECT_TRUE(NothingMore());
    EXPECT_EQ(sim_->FramesHeard(), 2);
    EXPECT_EQ(sim_->Register(kEraseModeRegister), 0xFF);
}

TEST_F(ZentorSim, DelayedReplyComesAfterTheDelay)
{
    TSimOptions options;
    options.ReplyDelay = 1500ms;
    Launch(options);
    Send(kReadRequest);
    EXPECT_TRUE(NothingMore()) << "the reply is held back";
    EXPECT_EQ(Reply(1), TBytes{0x00});
}

TEST_F(ZentorSim, TwoByteRepliesAndAChosenAnswer)
{
    TSimOptions options;
    options.TwoByteReply = true;
    options.AnswerByte = 0xAB;
    Launch(options);
    Send(kReadRequest);
    EXPECT_EQ(Reply(2), (TBytes{0xAB, 0xAB}));
    EXPECT_TRUE(NothingMore());
    Send(kWriteFF);
    EXPECT_EQ(Reply(2), (TBytes{0xAB, 0xAB}));
    EXPECT_TRUE(NothingMore());
    EXPECT_EQ(sim_->Register(kEraseModeRegister), 0xFF) << "the write is still stored";
}

// The ways a line fools a program: the request coming back, noise around the answer, an answer that comes
// after the program gave up. Each case: options, then what comes back for two read requests in turn.
TEST_F(ZentorSim, EchoNoiseAndALateFirstAnswer)
{
    TBytes echoed = kReadRequest;
    echoed.push_back(0x00);
    const struct {
        const char* name;
        TSimOptions options;
        TBytes first;
        bool firstHeldBack; // nothing within the quiet period
        TBytes second;
    } cases[] = {
        {"echo", {.Echo = true}, echoed, false, echoed},
        {"noise before", {.ReplyDelay = 100ms, .NoiseByte = 0xAA, .NoiseBefore = 20ms}, {0xAA, 0x00}, false,
         {0xAA, 0x00}},
        {"noise after", {.NoiseAfter = 20ms}, {0x00, 0x00}, false, {0x00, 0x00}},
        {"late first", {.LateFirst = 800ms}, {0x00}, true, {0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sent_ = 0;
        Launch(c.options);
        Send(kReadRequest);
        if (c.firstHeldBack)
            EXPECT_TRUE(NothingMore());
        EXPECT_EQ(Reply(c.first.size()), c.first);
        Send(kReadRequest);
        EXPECT_EQ(Reply(c.second.size()), c.second);
        EXPECT_TRUE(NothingMore());
        port_.reset();
        sim_.reset();
    }
}

TEST_F(ZentorSim, VanishesMidExchangeLikeAnUnpluggedAdapter)
{
    TSimOptions options;
    options.VanishAfter = 1;
    Launch(options);
    const int number = sim_->ComNumber();
    Send(kReadRequest);
    EXPECT_EQ(Reply(1), TBytes{0x00});
    Send(kReadRequest);
    const auto end = std::chrono::steady_clock::now() + kLimit;
    while (!sim_->Vanished() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(sim_->Vanished());
    EXPECT_FALSE(ResolveComPort(number)) << "the link is gone";
    std::uint32_t errors = 0;
    TComStat status;
    EXPECT_FALSE(port_->ClearCommError(errors, status));
    EXPECT_EQ(port_->LastCause(), SerialCause::Unplugged);
}

TEST_F(ZentorSim, LogsEveryReceivedByteToTheFile)
{
    TSimOptions options;
    options.LogPath = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/sim-log.bin";
    Launch(options);
    Send({0x01, 0x02});
    Send(kReadRequest);
    EXPECT_EQ(Reply(1), TBytes{0x00});
    sim_->Stop();
    std::ifstream file(options.LogPath, std::ios::binary);
    const TBytes logged((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(logged, (TBytes{0x01, 0x02, 0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B}));
    EXPECT_EQ(sim_->Received(), logged);
}

TEST_F(ZentorSim, TracesBothDirectionsAsHexadecimalLines)
{
    TSimOptions options;
    options.TracePath = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/sim-trace.txt";
    options.TwoByteReply = true;
    Launch(options);
    Send(kReadRequest);
    EXPECT_EQ(Reply(2), (TBytes{0x00, 0x00}));
    Send(kWriteFF);
    EXPECT_EQ(Reply(2), (TBytes{0x0F, 0x0F}));
    sim_->Stop();
    std::ifstream file(options.TracePath);
    const std::string traced((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(traced, "rx A5 96 00 D5 00 6B\ntx 00 00\nrx A5 96 01 D5 FF 6B\ntx 0F 0F\n");
}

TEST_F(ZentorSim, TakesTheGivenNumberOrAFreeOneAndStopRemovesTheLink)
{
    TSimOptions options;
    options.ComNumber = 17;
    Launch(options);
    EXPECT_EQ(sim_->ComNumber(), 17);
    TZentorSim second;
    std::string error;
    ASSERT_TRUE(second.Start(error)) << error;
    EXPECT_NE(second.ComNumber(), 17);
    EXPECT_EQ(ResolveComPort(second.ComNumber()), second.PtyPath());
    const int secondNumber = second.ComNumber();
    second.Stop();
    EXPECT_FALSE(ResolveComPort(secondNumber));
    port_.reset();
    sim_->Stop();
    EXPECT_FALSE(ResolveComPort(17));
}

// A second simulator on a number that a live one holds is refused, and each one removes only its own link.
TEST_F(ZentorSim, RefusesANumberHeldByAnotherDeviceAndRemovesOnlyItsOwnLink)
{
    TSimOptions options;
    options.ComNumber = 18;
    Launch(options);
    TZentorSim second(options);
    std::string error;
    EXPECT_FALSE(second.Start(error));
    EXPECT_EQ(error, "COM18 is in use by " + sim_->PtyPath());
    second.Stop();
    EXPECT_EQ(ResolveComPort(18), sim_->PtyPath());

    // Someone else pins the number meanwhile: stopping leaves that link alone.
    TZentorSim other;
    ASSERT_TRUE(other.Start(error)) << error;
    ASSERT_TRUE(RegisterComLink(18, other.PtyPath()));
    port_.reset();
    sim_->Stop();
    EXPECT_EQ(ResolveComPort(18), other.PtyPath());
    UnregisterComLink(18);
}
