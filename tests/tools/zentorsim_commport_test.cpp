// The port component talking to the simulated device the way the program does: its line settings,
// a read and a write of the erase-mode register, and the device vanishing mid-exchange.
#include "comm/commport.h"
#include "tools/zentor-sim/zentorsim.h"

#include "comm/commtestsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

using namespace zentorsim;
using namespace std::chrono_literals;

namespace {

class PortWithSimulatedDevice : public ::testing::Test {
protected:
    void Launch(TSimOptions options)
    {
        sim_ = std::make_unique<TZentorSim>(std::move(options));
        std::string error;
        ASSERT_TRUE(sim_->Start(error)) << error;
        port_.SetComNumber(sim_->ComNumber());
        port_.SetBaud(9600);
        port_.SetComControl(ccNone);
        port_.SetParity(paNone);
        port_.SetDataBits(8);
        port_.SetStopBits(sb1_0);
        port_.SetDTR(true);
        port_.SetRTS(true);
        port_.OnDataReceived = [this](TCommPort* sender, std::uint32_t count) {
            std::string bytes(count, '\0');
            bytes.resize(sender->GetBlock(bytes.data(), count));
            reply_ += bytes;
        };
        port_.SetOpen(true);
        ASSERT_TRUE(port_.Open());
    }

    void TearDown() override
    {
        DropHandlers(port_);
        port_.SetOpen(false);
    }

    // Sends one request frame and returns what came back once the device has had time to answer.
    std::string Exchange(const std::string& frame, std::size_t expected)
    {
        reply_.clear();
        EXPECT_EQ(port_.PutBlock(frame.data(), static_cast<std::uint32_t>(frame.size())), frame.size());
        PumpUntil([&] { return reply_.size() >= expected; }, 3s);
        return reply_;
    }

    std::unique_ptr<TZentorSim> sim_;
    TCommPort port_;
    std::string reply_;
};

const std::string kReadEraseMode("\xA5\x96\x00\xD5\x00\x6B", 6);
const std::string kWriteNoErase("\xA5\x96\x01\xD5\xFF\x6B", 6);

} // namespace

TEST_F(PortWithSimulatedDevice, ReadsAndWritesTheEraseMode)
{
    Launch({});
    EXPECT_EQ(Exchange(kReadEraseMode, 1), std::string(1, '\x00'));
    EXPECT_EQ(Exchange(kWriteNoErase, 1), std::string(1, '\x0F'));
    EXPECT_EQ(sim_->Register(kEraseModeRegister), 0xFF);
    EXPECT_EQ(Exchange(kReadEraseMode, 1), std::string(1, '\xFF'));
    EXPECT_EQ(sim_->Received().size(), 18u);
}

TEST_F(PortWithSimulatedDevice, AVanishedDeviceLeavesTheReplyMissingAndTheCloseQuick)
{
    TSimOptions options;
    options.VanishAfter = 1;
    Launch(options);
    EXPECT_EQ(Exchange(kReadEraseMode, 1).size(), 1u);
    EXPECT_TRUE(Exchange(kReadEraseMode, 1).empty());
    ASSERT_TRUE(PumpUntil([&] { return sim_->Vanished(); }));
    const auto start = std::chrono::steady_clock::now();
    port_.SetOpen(false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_FALSE(port_.Open());
}
