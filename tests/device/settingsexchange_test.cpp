#include "device/settingsexchange.h"

#include "classlib/base/exception.h"

#include <gtest/gtest.h>

#include <array>

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

TEST_F(SettingsExchange, StartsIdleWithoutReplyLength)
{
    EXPECT_TRUE(exchange.Idle());
    EXPECT_EQ(exchange.ReadStep(), -1);
    EXPECT_EQ(exchange.WriteStep(), -1);
    EXPECT_EQ(exchange.ReplyLength(), 0);
    EXPECT_FALSE(exchange.SettingsRead());
    EXPECT_FALSE(exchange.IsReplyComplete(0));
    EXPECT_FALSE(exchange.IsReplyComplete(1));
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
    EXPECT_EQ(exchange.ReplyLength(), 1);
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

TEST_F(SettingsExchange, OnlyExactlyReplyLengthBytesCompleteAReply)
{
    exchange.StartRead();
    EXPECT_FALSE(exchange.IsReplyComplete(0));
    EXPECT_TRUE(exchange.IsReplyComplete(1));
    EXPECT_FALSE(exchange.IsReplyComplete(2));
}

TEST_F(SettingsExchange, ReadReplySelectsTheEraseModeItOrLeavesItAlone)
{
    const struct {
        const char* reply;
        std::optional<int> item;
    } cases[] = {{"00", kEraseItem}, {"FF", kKeepItem}, {"05", std::nullopt}, {"0F", std::nullopt}};
    for (const auto& c : cases) {
        exchange.StartRead();
        TExchangeUpdate expected;
        expected.Label = Utf8("Чтение настроек... 1");
        expected.ProgressSteps = 2;
        expected.Finish = true;
        expected.EraseItem = c.item;
        expected.Message = Utf8("Чтение настроек... успешно!");
        EXPECT_EQ(exchange.Reply(c.reply), expected) << c.reply;
        EXPECT_TRUE(exchange.Idle());
        EXPECT_EQ(exchange.ValueText(), c.reply);
        EXPECT_TRUE(exchange.SettingsRead());
    }
}

TEST_F(SettingsExchange, EmptyReadReplySelectsNothing)
{
    exchange.StartRead();
    const TExchangeUpdate update = exchange.Reply("");
    EXPECT_TRUE(update.Finish);
    EXPECT_EQ(update.EraseItem, std::nullopt);
}

TEST_F(SettingsExchange, AnyWriteReplyFinishesTheOneEntryWrite)
{
    for (const char* reply : {"0F", "00", "FF", "AB"}) {
        exchange.StartWrite(kKeepItem);
        TExchangeUpdate expected;
        expected.Label = Utf8("Запись настроек... 1");
        expected.ProgressSteps = 2;
        expected.Finish = true;
        expected.Message = Utf8("Запись настроек... успешно!");
        EXPECT_EQ(exchange.Reply(reply), expected) << reply;
        EXPECT_TRUE(exchange.Idle());
        EXPECT_EQ(exchange.ValueText(), "FF");
        EXPECT_FALSE(exchange.SettingsRead());
    }
}

TEST_F(SettingsExchange, ReplyOutsideAnExchangeChangesNothing)
{
    EXPECT_EQ(exchange.Reply("FF"), TExchangeUpdate{});
    exchange.StartRead();
    exchange.Reply("00");
    EXPECT_EQ(exchange.Reply("FF"), TExchangeUpdate{});
    EXPECT_EQ(exchange.ValueText(), "00");
    EXPECT_TRUE(exchange.IsReplyComplete(1));
}

TEST_F(SettingsExchange, TimeoutUnlocksWithTheRedMessage)
{
    for (bool read : {true, false}) {
        read ? exchange.StartRead() : exchange.StartWrite(kEraseItem);
        TExchangeUpdate expected;
        expected.Finish = true;
        expected.Message = Utf8("Нет ответа от прибора! Установите в приборе Связь с ПК!");
        expected.Kind = mkError;
        EXPECT_EQ(exchange.Timeout(), expected);
        EXPECT_TRUE(exchange.Idle());
        EXPECT_EQ(exchange.ReplyLength(), 1);
        EXPECT_FALSE(exchange.SettingsRead());
    }
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

TEST(SettingsExchangeTables, ReadWalksEveryEntryAndJoinsTheReplies)
{
    const std::array<AnsiString, 2> readTable = {"D5", "D6"};
    TSettingsExchange exchange(readTable, WriteRegisters);
    exchange.StartRead();
    const TExchangeUpdate first = exchange.Reply("FF");
    EXPECT_EQ(first.Label, AnsiString::FromUtf8("Чтение настроек... 1"));
    EXPECT_EQ(first.ProgressSteps, 1);
    EXPECT_FALSE(first.Finish);
    EXPECT_EQ(first.Request, "A59600D6006C");
    EXPECT_EQ(exchange.ReadStep(), 1);

    const TExchangeUpdate second = exchange.Reply("12");
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
    const TExchangeUpdate update = exchange.Reply("0F");
    EXPECT_TRUE(update.Finish);
    EXPECT_EQ(update.Request, "");
}
