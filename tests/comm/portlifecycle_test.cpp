// Changes of the port's life asked for while another runs: from OnOpen, OnClose, the close's last
// OnDataReceived and the open's warning box. They wait for the running change and the last one asked wins.
#include "comm/commport.h"
#include "comm/portlifecycle.h"

#include "commtestsupport.h"
#include "fakeserialdevice.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Kinds(const std::vector<TPortChange>& changes)
{
    static const char* const names[] = {"open", "in", "out", "number"};
    std::string text;
    for (const TPortChange& change : changes)
        text += std::string(text.empty() ? "" : " ") + names[change.Kind] + "=" + std::to_string(change.Value);
    return text;
}

class PortLifecycleTest : public testing::Test {
protected:
    PortLifecycleTest() { port.SetComNumber(7); }
    void TearDown() override
    {
        DropHandlers(port);
        port.SetOpen(false);
    }
    std::string TakeAll()
    {
        std::string bytes(port.InBuffUsed(), '\0');
        bytes.resize(port.GetBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
        return bytes;
    }

    TFakeOpener opener{std::vector<int>{7, 8}};
    TFakeLine& line = *opener.line;
    TFakeLine& other = *opener.Line(8);
    TCommPort port;
};

} // namespace

TEST(PortLifecycle, ChangesAskedDuringAChangeRunAfterItInOrderAndTheLastOfAKindWins)
{
    std::vector<TPortChange> applied;
    TPortLifecycle* self = nullptr;
    TPortLifecycle lifecycle([&](const TPortChange& change) {
        applied.push_back(change);
        if (applied.size() == 1) {
            self->Ask({TPortChange::InSize, 2});
            self->Ask({TPortChange::OpenOrClose, 1});
            self->Ask({TPortChange::InSize, 3});
            EXPECT_EQ(applied.size(), 1u) << "ran inside the running change";
        }
    });
    self = &lifecycle;
    lifecycle.Ask({TPortChange::InSize, 1});
    EXPECT_EQ(Kinds(applied), "in=1 open=1 in=3");
    EXPECT_FALSE(lifecycle.Changing());
}

TEST(PortLifecycle, AChangeThatThrowsDropsWhatWaitedAndLetsTheNextOneRun)
{
    std::vector<TPortChange> applied;
    TPortLifecycle* self = nullptr;
    TPortLifecycle lifecycle([&](const TPortChange& change) {
        applied.push_back(change);
        if (change.Kind == TPortChange::OpenOrClose) {
            self->Ask({TPortChange::OutSize, 9});
            throw std::runtime_error("handler");
        }
    });
    self = &lifecycle;
    EXPECT_THROW(lifecycle.Ask({TPortChange::OpenOrClose, 1}), std::runtime_error);
    lifecycle.Ask({TPortChange::ComNumber, 4});
    EXPECT_EQ(Kinds(applied), "open=1 number=4");
}

// OnClose reopens the port while a resize or a renumber closes it: the change still ends with the new ring
// on the new device, and bytes travel through it whole.
TEST_F(PortLifecycleTest, AReopenFromOnCloseDuringAResizeOrRenumberEndsOnTheNewRingsAndDevice)
{
    enum TChange { ReceiveRing, TransmitRing, Number };
    for (TChange change : {ReceiveRing, TransmitRing, Number}) {
        SCOPED_TRACE(change);
        port.SetComNumber(7);
        port.SetIBuffSize(16);
        port.SetOBuffSize(16);
        port.SetOpen(true);
        ASSERT_TRUE(port.Open());
        int reopens = 0;
        port.OnClose = [&](TCommPort* sender) {
            if (reopens++ == 0)
                sender->SetOpen(true);
        };
        if (change == ReceiveRing)
            port.SetIBuffSize(4096);
        else if (change == TransmitRing)
            port.SetOBuffSize(4096);
        else
            port.SetComNumber(8);
        port.OnClose = nullptr;
        ASSERT_TRUE(port.Open());
        TFakeLine& used = change == Number ? other : line;
        EXPECT_EQ(used.Get(&TFakeLine::devices), 1);
        EXPECT_EQ(port.ComNumber(), change == Number ? 8 : 7);
        EXPECT_EQ(used.Get(&TFakeLine::inQueue), port.InSize());
        EXPECT_EQ(used.Get(&TFakeLine::outQueue), port.OutSize());
        const std::string block(1000, change == Number ? 'n' : 'b');
        used.Receive(block);
        std::string received;
        EXPECT_TRUE(PumpUntil([&] {
            received += TakeAll();
            return received.size() >= block.size();
        }));
        EXPECT_EQ(received, block);
        std::uint32_t put = 0;
        while (put < block.size())
            put += port.PutBlock(block.data() + put, static_cast<std::uint32_t>(block.size() - put));
        EXPECT_TRUE(PumpUntil([&] { return used.Output() == block; }));
        port.SetOpen(false);
        line.Set(&TFakeLine::output, {});
        other.Set(&TFakeLine::output, {});
    }
}

// A resize closes the port; the close's last OnDataReceived asks for another size: the last one wins.
TEST_F(PortLifecycleTest, ARingSizeAskedByTheResizesOwnCloseIsTheOneThatStays)
{
    port.SetOBuffSize(16);
    port.SetOpen(true);
    ASSERT_TRUE(port.Open());
    PumpFor(std::chrono::milliseconds(50)); // the delivery thread waits, so the close delivers once more
    bool resizing = false;
    port.OnDataReceived = [&](TCommPort* sender, std::uint32_t) {
        if (std::exchange(resizing, false))
            sender->SetOBuffSize(100);
    };
    resizing = true;
    port.SetOBuffSize(4096);
    EXPECT_FALSE(resizing) << "no last delivery";
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.OutSize(), 100u);
    EXPECT_EQ(line.Get(&TFakeLine::outQueue), 100u);
    const std::string block(200, 'o');
    EXPECT_EQ(port.PutBlock(block.data(), 200), 100u);
}

// An open or a close asked while the other runs is not dropped: the port ends as the last request said.
TEST_F(PortLifecycleTest, TheLastOpenOrCloseAskedDuringAChangeDecidesTheEndState)
{
    enum TWhere { CloseFromOpensWarningBox, ReopenFromClosesLastDelivery, CloseAndReopenFromOnOpen,
                  ReopenAndCloseFromOnClose };
    struct TCase {
        TWhere where;
        bool open; // how the port ends
    };
    for (const TCase& c : {TCase{CloseFromOpensWarningBox, false}, TCase{ReopenFromClosesLastDelivery, true},
                           TCase{CloseAndReopenFromOnOpen, true}, TCase{ReopenAndCloseFromOnClose, false}}) {
        SCOPED_TRACE(c.where);
        bool armed = true;
        bool closing = false;
        port.SetStopBits(c.where == CloseFromOpensWarningBox ? sb1_5 : sb1_0);
        const TMessageBoxHandler old = SetMessageBoxHandler([&](const AnsiString&, const AnsiString&, unsigned) {
            if (std::exchange(armed, false))
                port.ClosePort();
            return IDOK;
        });
        port.OnDataReceived = [&](TCommPort* sender, std::uint32_t) {
            if (c.where == ReopenFromClosesLastDelivery && closing && std::exchange(armed, false))
                sender->SetOpen(true);
        };
        port.OnOpen = [&](TCommPort* sender, std::int32_t) {
            if (c.where == CloseAndReopenFromOnOpen && std::exchange(armed, false)) {
                sender->SetOpen(false);
                sender->SetOpen(true);
            }
        };
        port.OnClose = [&](TCommPort* sender) {
            if (c.where == ReopenAndCloseFromOnClose && std::exchange(armed, false)) {
                sender->SetOpen(true);
                sender->SetOpen(false);
            }
        };
        if (c.where == ReopenFromClosesLastDelivery || c.where == ReopenAndCloseFromOnClose) {
            port.SetOpen(true);
            PumpFor(std::chrono::milliseconds(50)); // the delivery thread waits, so the close delivers once more
            closing = true;
            port.SetOpen(false);
            closing = false;
        } else {
            port.SetOpen(true);
        }
        SetMessageBoxHandler(old);
        EXPECT_FALSE(armed) << "the handler did not run";
        EXPECT_EQ(port.Open(), c.open);
        EXPECT_EQ(line.Get(&TFakeLine::devices), c.open ? 1 : 0);
        DropHandlers(port);
        port.SetOpen(false);
    }
}
