#include "device/settingsexchange.h"

#include "classlib/base/exception.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <optional>
#include <ostream>
#include <vector>

using namespace device;

namespace {

AnsiString Utf8(const char* text)
{
    return AnsiString::FromUtf8(text);
}

class SettingsExchange : public ::testing::Test {
protected:
    TSettingsExchange exchange;
};

} // namespace

TEST_F(SettingsExchange, TextsAreWindows1251)
{
    EXPECT_EQ(ReadStartedText(), Utf8("Чтение настроек..."));
    EXPECT_EQ(ReadDoneText(), Utf8("Чтение настроек... успешно!"));
    EXPECT_EQ(WriteStartedText(), Utf8("Запись настроек..."));
    EXPECT_EQ(WriteDoneText(), Utf8("Запись настроек... успешно!"));
    EXPECT_EQ(NoReplyText(), Utf8("Нет ответа от прибора! Установите в приборе Связь с ПК!"));
    EXPECT_EQ(static_cast<unsigned char>(ReadStartedText().Bytes()[0]), 0xD7); // "Ч" in Windows-1251
}

TEST_F(SettingsExchange, StartReadLocksAndSendsTheReadRequest)
{
    TExchangeUpdate expected;
    expected.Lock = true;
    expected.Label = Utf8("Чтение настроек...");
    expected.ResetProgress = true;
    expected.PanelColor = "#f0ffec";
    expected.Message = Utf8("Чтение настроек...");
    expected.Request = "A59600D5006B";
    EXPECT_EQ(exchange.StartRead(), expected);
    EXPECT_EQ(exchange.ReadStep(), 0);
    EXPECT_EQ(exchange.ValueText(), "");
}

TEST_F(SettingsExchange, StartWriteSendsTheSelectedValue)
{
    const struct {
        int item;
        const char* value;
        const char* request;
    } cases[] = {{kEraseItem, "00", "A59601D5006C"}, {kKeepItem, "FF", "A59601D5FF6B"}};
    for (const auto& c : cases) {
        const TExchangeUpdate update = exchange.StartWrite(c.item);
        EXPECT_TRUE(update.Lock);
        EXPECT_EQ(update.Label, Utf8("Запись настроек..."));
        EXPECT_EQ(update.Message, Utf8("Запись настроек..."));
        EXPECT_EQ(update.Kind, mkNormal);
        EXPECT_EQ(update.PanelColor, "#ffefef");
        EXPECT_EQ(update.Request, c.request);
        EXPECT_EQ(exchange.ValueText(), c.value);
        EXPECT_EQ(exchange.WriteStep(), 0);
        EXPECT_EQ(exchange.ReadStep(), -1);
    }
}

TEST_F(SettingsExchange, StartWriteWithoutASelectedValueRaisesAndChangesNothing)
{
    exchange.StartRead();
    EXPECT_THROW(exchange.StartWrite(-1), ERangeError);
    EXPECT_EQ(exchange.ReadStep(), 0);
    EXPECT_EQ(exchange.WriteStep(), -1);
}

TEST_F(SettingsExchange, NewExchangeStartsFromEntryZero)
{
    exchange.StartWrite(kKeepItem);
    exchange.Reset();
    EXPECT_TRUE(exchange.Idle());
    EXPECT_EQ(exchange.StartRead().Request, "A59600D5006B");
    EXPECT_EQ(exchange.WriteStep(), -1);
    EXPECT_EQ(exchange.StartWrite(kEraseItem).Request, "A59601D5006C");
    EXPECT_EQ(exchange.ReadStep(), -1);
}


namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// Bytes that come from the line, ms milliseconds after the request went out.
struct TArrival {
    int ms;
    Bytes bytes;
};

struct TLineCase {
    const char* name;
    bool read;                    // of a window that shows "Не стираем"; otherwise a write of "Не стираем"
    std::vector<TArrival> line;
    const char* message;          // the status line's message at the end, in UTF-8
    std::optional<int> item;      // the erase-mode item selected at the end
    int endsAt;                   // ms after the request
};

struct TEnd {
    TExchangeUpdate update;
    int ms = -1;
};

// Plays the line against the exchange as the window does: the settle timer fires at its end (first once
// too early, as a coarse timer may), the reply timer at 3000 ms.
TEnd Play(TSettingsExchange& exchange, const std::vector<TArrival>& line)
{
    const auto start = TExchangeClock::now();
    const auto ms = [&](TExchangeClock::time_point at) {
        return static_cast<int>(std::chrono::duration_cast<milliseconds>(at - start).count());
    };
    TEnd end;
    const auto settleBefore = [&](TExchangeClock::time_point limit) {
        if (exchange.Idle() || !exchange.SettleEnd() || *exchange.SettleEnd() > limit)
            return;
        const auto at = *exchange.SettleEnd();
        EXPECT_EQ(exchange.Settle(at - milliseconds(1)), TExchangeUpdate{}) << "settled early";
        end = {exchange.Settle(at), ms(at)};
    };
    const auto timeoutBefore = [&](TExchangeClock::time_point limit) {
        if (!exchange.Idle() && !exchange.SettleEnd() && start + milliseconds(3000) <= limit)
            end = {exchange.Timeout(), 3000};
    };
    for (const TArrival& arrival : line) {
        const auto at = start + milliseconds(arrival.ms);
        settleBefore(at);
        timeoutBefore(at);
        if (TExchangeUpdate update = exchange.Received(arrival.bytes, at); update != TExchangeUpdate{})
            end = {update, arrival.ms};
    }
    settleBefore(TExchangeClock::time_point::max());
    timeoutBefore(TExchangeClock::time_point::max());
    return end;
}

void PrintTo(const TLineCase& c, std::ostream* out) { *out << c.name; }

const Bytes kReadEcho = {0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B};
const Bytes kWriteEcho = {0xA5, 0x96, 0x01, 0xD5, 0xFF, 0x6B};
constexpr const char* kReadDone = "Чтение настроек... успешно!";
constexpr const char* kWriteDone = "Запись настроек... успешно!";
constexpr const char* kNoReply = "Нет ответа от прибора! Установите в приборе Связь с ПК!";

const TLineCase kLineCases[] = {
    {"ReadOfEraseAtOnce", true, {{0, {0x00}}}, kReadDone, kEraseItem, 20},
    {"ReadOfKeepAfter300ms", true, {{300, {0xFF}}}, kReadDone, kKeepItem, 320},
    {"ReadOfAnotherValue", true, {{5, {0x05}}}, "Неожиданный ответ прибора: 05", std::nullopt, 25},
    {"ReadAnsweredByAWriteAcknowledgement", true, {{0, {0x0F}}}, "Неожиданный ответ прибора: 0F", std::nullopt, 20},
    {"ReadOfTwoBytesAtOnce", true, {{0, {0xFF, 0xFF}}}, "Неожиданный ответ прибора: FF FF", std::nullopt, 20},
    {"ReadWithASecondByteWithinTheSettleTime", true, {{0, {0xFF}}, {19, {0x00}}},
     "Неожиданный ответ прибора: FF 00", std::nullopt, 20},
    {"ReadWithAByteAfterTheSettleTime", true, {{0, {0x00}}, {21, {0xFF}}}, "Неожиданный ответ прибора: FF",
     kKeepItem, 21},
    {"ReadWithNoiseBeforeTheAnswer", true, {{10, {0x00}}, {300, {0xFF}}}, "Неожиданный ответ прибора: FF",
     kKeepItem, 300},
    {"ReadWithAByteLongAfterTheAnswer", true, {{0, {0x00}}, {3021, {0xFF}}}, kReadDone, kEraseItem, 20},
    {"ReadEchoed", true, {{1, kReadEcho}}, "Неожиданный ответ прибора: A5 96 00 D5 00 6B", std::nullopt, 21},
    {"ReadEchoedThenAnswered", true, {{1, kReadEcho}, {4, {0xFF}}},
     "Неожиданный ответ прибора: A5 96 00 D5 00 6B FF", std::nullopt, 21},
    {"ReadAnsweredJustBeforeTheReplyTime", true, {{2995, {0xFF}}}, kReadDone, kKeepItem, 3015},
    {"ReadAnsweredAfterTheReplyTime", true, {{3001, {0xFF}}}, kNoReply, std::nullopt, 3000},
    {"ReadOfASilentDevice", true, {}, kNoReply, std::nullopt, 3000},
    {"ReadOfAChatteringLine", true, {{0, Bytes(100, 0xFF)}},
     "Неожиданный ответ прибора: FF FF FF FF FF FF FF FF ...", std::nullopt, 20},
    {"WriteAcknowledged", false, {{40, {0x0F}}}, kWriteDone, std::nullopt, 60},
    {"WriteWithNoiseBeforeASlowAcknowledgement", false, {{10, {0x00}}, {700, {0x0F}}},
     "Неожиданный ответ прибора: 00", std::nullopt, 30},
    {"WriteAnsweredByAReadValue", false, {{0, {0xFF}}}, "Неожиданный ответ прибора: FF", std::nullopt, 20},
    {"WriteEchoed", false, {{1, kWriteEcho}}, "Неожиданный ответ прибора: A5 96 01 D5 FF 6B", std::nullopt, 21},
    {"WriteAcknowledgedWithNoiseAfterIt", false, {{0, {0x0F}}, {10, {0x00}}},
     "Неожиданный ответ прибора: 0F 00", std::nullopt, 20},
    {"WriteAcknowledgedWithNoiseLaterOn", false, {{0, {0x0F}}, {500, {0x00}}}, "Неожиданный ответ прибора: 00",
     std::nullopt, 500},
};

class SettingsExchangeLine : public testing::TestWithParam<TLineCase> {};

} // namespace

TEST_P(SettingsExchangeLine, EndsAsTheLineSays)
{
    const TLineCase& c = GetParam();
    TSettingsExchange exchange;
    c.read ? exchange.StartRead(kKeepItem) : exchange.StartWrite(kKeepItem);
    const TEnd end = Play(exchange, c.line);
    const bool done = c.message == kReadDone || c.message == kWriteDone;
    EXPECT_EQ(end.ms, c.endsAt);
    EXPECT_EQ(end.update.Message, Utf8(c.message));
    EXPECT_EQ(end.update.Kind, done ? mkNormal : mkError);
    EXPECT_EQ(end.update.EraseItem, c.item);
    EXPECT_TRUE(end.update.Finish);
    EXPECT_EQ(end.update.Answered, done);
    EXPECT_EQ(end.update.Label.IsEmpty(), !done) << "an unexpected reply leaves the progress panel alone";
    EXPECT_EQ(end.update.Request, "");
    EXPECT_TRUE(exchange.Idle());
    EXPECT_FALSE(exchange.SettleEnd());
    EXPECT_EQ(exchange.SettingsRead(), done && c.read) << "only a read the device answered counts";
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsExchangeLine, testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsExchange, BytesOutsideAnExchangeAreDropped)
{
    const Bytes late = {0xFF};
    exchange.Received(late, TExchangeClock::now());
    EXPECT_FALSE(exchange.SettleEnd());
    EXPECT_EQ(exchange.Settle(TExchangeClock::now() + milliseconds(50)), TExchangeUpdate{});
    EXPECT_EQ(exchange.Timeout(), TExchangeUpdate{});
    exchange.StartRead();
    const TEnd end = Play(exchange, {{0, {0x00}}, {3500, late}});
    EXPECT_EQ(end.update.EraseItem, kEraseItem);
    EXPECT_FALSE(exchange.SettleEnd());
    EXPECT_EQ(exchange.ValueText(), "00");
    EXPECT_TRUE(exchange.SettingsRead());
}

TEST_F(SettingsExchange, UnexpectedReplyKeepsTheReadDoneBefore)
{
    exchange.StartRead(kKeepItem);
    ASSERT_EQ(Play(exchange, {{0, {0x00}}}).update.Message, ReadDoneText());
    exchange.StartRead(kEraseItem);
    const TEnd end = Play(exchange, {{0, {0x05}}});
    EXPECT_EQ(end.update.Kind, mkError);
    EXPECT_TRUE(exchange.SettingsRead());
    exchange.StartRead(kEraseItem);
    const TEnd doubted = Play(exchange, {{0, {0xFF}}, {100, {0x00}}});
    EXPECT_EQ(doubted.update.EraseItem, kEraseItem);
    EXPECT_TRUE(exchange.SettingsRead()) << "as it was before that read";
}

// Only the first stray byte is reported; the next exchange starts a watch of its own.
TEST_F(SettingsExchange, DoubtIsRaisedOnceAndEndsWithTheNextExchange)
{
    exchange.StartWrite(kEraseItem);
    const auto start = TExchangeClock::now();
    exchange.Received(Bytes{0x0F}, start);
    ASSERT_EQ(exchange.Settle(start + kSettleTime).Message, WriteDoneText());
    EXPECT_EQ(exchange.Received(Bytes{0x01}, start + milliseconds(40)).Kind, mkError);
    EXPECT_EQ(exchange.Received(Bytes{0x02}, start + milliseconds(50)), TExchangeUpdate{});
    exchange.StartWrite(kEraseItem);
    exchange.Received(Bytes{0x0F}, start + milliseconds(60));
    ASSERT_EQ(exchange.Settle(start + milliseconds(80)).Message, WriteDoneText());
    exchange.StartRead(kKeepItem);
    EXPECT_EQ(exchange.Received(Bytes{0x0F}, start + milliseconds(90)), TExchangeUpdate{}) << "a reply now";
}

// A new exchange starts with no bytes of the one before it.
TEST_F(SettingsExchange, ResetForgetsAReplyThatWasSettling)
{
    exchange.StartRead();
    exchange.Received(Bytes{0xFF}, TExchangeClock::now());
    ASSERT_TRUE(exchange.SettleEnd());
    EXPECT_EQ(exchange.Timeout(), TExchangeUpdate{}) << "the settle time decides";
    exchange.Reset();
    EXPECT_FALSE(exchange.SettleEnd());
    exchange.StartWrite(kEraseItem);
    const TEnd end = Play(exchange, {{0, {0x0F}}});
    EXPECT_EQ(end.update.Message, WriteDoneText());
}

TEST(SettingsExchangeTables, ReadWalksEveryEntryAndJoinsTheReplies)
{
    const std::array<AnsiString, 2> readTable = {"D5", "D6"};
    TSettingsExchange exchange(readTable, WriteRegisters);
    exchange.StartRead();
    const auto start = TExchangeClock::now();
    exchange.Received(Bytes{0xFF}, start);
    const TExchangeUpdate first = exchange.Settle(start + kSettleTime);
    EXPECT_EQ(first.Label, AnsiString::FromUtf8("Чтение настроек... 1"));
    EXPECT_EQ(first.ProgressSteps, 1);
    EXPECT_FALSE(first.Finish);
    EXPECT_EQ(first.Request, "A59600D6006C");
    EXPECT_FALSE(exchange.SettleEnd());

    exchange.Received(Bytes{0x12}, start + milliseconds(30));
    const TExchangeUpdate second = exchange.Settle(start + milliseconds(50));
    EXPECT_EQ(second.Label, AnsiString::FromUtf8("Чтение настроек... 2"));
    EXPECT_TRUE(second.Finish);
    EXPECT_EQ(second.EraseItem, kKeepItem);
    EXPECT_EQ(exchange.ValueText(), "FF12");
}

TEST(SettingsExchangeTables, WriteGoesOnOnlyWhileValueDigitsRemain)
{
    const std::array<AnsiString, 2> writeTable = {"D5", "D6"};
    TSettingsExchange exchange(ReadRegisters, writeTable);
    exchange.StartWrite(kKeepItem);
    const auto start = TExchangeClock::now();
    exchange.Received(Bytes{0x0F}, start);
    const TExchangeUpdate update = exchange.Settle(start + kSettleTime);
    EXPECT_TRUE(update.Finish);
    EXPECT_EQ(update.Request, "");
}
