#include "device/settingsexchange.h"

#include "classlib/base/exception.h"
#include "device/frame.h"
#include "device/hextext.h"

#include <algorithm>
#include <string>

namespace device {

namespace {

AnsiString StepLabel(const AnsiString& startedText, int step)
{
    return startedText + " " + AnsiString(std::to_string(step));
}

TExchangeUpdate StartUpdate(const AnsiString& startedText, const AnsiString& panelColor, AnsiString request)
{
    TExchangeUpdate update;
    update.Lock = true;
    update.Label = startedText;
    update.ResetProgress = true;
    update.PanelColor = panelColor;
    update.Message = startedText;
    update.Request = std::move(request);
    return update;
}

TExchangeUpdate StepUpdate(const AnsiString& startedText, int step)
{
    TExchangeUpdate update;
    update.Label = StepLabel(startedText, step);
    update.ProgressSteps = 1;
    update.Answered = true;
    return update;
}

} // namespace

const AnsiString& ReadStartedText()
{
    static const AnsiString text = AnsiString::FromUtf8("Чтение настроек...");
    return text;
}

const AnsiString& ReadDoneText()
{
    static const AnsiString text = AnsiString::FromUtf8("Чтение настроек... успешно!");
    return text;
}

const AnsiString& WriteStartedText()
{
    static const AnsiString text = AnsiString::FromUtf8("Запись настроек...");
    return text;
}

const AnsiString& WriteDoneText()
{
    static const AnsiString text = AnsiString::FromUtf8("Запись настроек... успешно!");
    return text;
}

const AnsiString& NoReplyText()
{
    static const AnsiString text = AnsiString::FromUtf8("Нет ответа от прибора! Установите в приборе Связь с ПК!");
    return text;
}

AnsiString UnexpectedReplyText(std::span<const std::uint8_t> bytes, std::size_t total)
{
    static const AnsiString head = AnsiString::FromUtf8("Неожиданный ответ прибора:");
    AnsiString text = head;
    for (std::size_t i = 0; i < bytes.size() && i < kShownReplyBytes; ++i)
        text += AnsiString(" ") + BytesToHexText(bytes.subspan(i, 1));
    if (total > kShownReplyBytes)
        text += AnsiString(" ...");
    return text;
}

TSettingsExchange::TSettingsExchange(std::span<const AnsiString> readRegisters,
                                     std::span<const AnsiString> writeRegisters)
    : readRegisters_(readRegisters), writeRegisters_(writeRegisters)
{
}

TExchangeUpdate TSettingsExchange::StartRead(std::optional<int> shownItem)
{
    shownItem_ = shownItem;
    settingsReadBefore_ = settingsRead_;
    readStep_ = 0;
    writeStep_ = -1;
    valueText_ = AnsiString();
    lastAnswer_.reset();
    AwaitReply();
    return StartUpdate(ReadStartedText(), kReadPanelColor, BuildReadRequest(readRegisters_[0]));
}

TExchangeUpdate TSettingsExchange::StartWrite(int item)
{
    const AnsiString value = EraseModeValueText(item);
    if (value.IsEmpty())
        throw ERangeError("Range check error");
    writeStep_ = 0;
    readStep_ = -1;
    valueText_ = value;
    lastAnswer_.reset();
    AwaitReply();
    return StartUpdate(WriteStartedText(), kWritePanelColor, WriteRequestFor(0));
}

void TSettingsExchange::AwaitReply()
{
    reply_.clear();
    replyCount_ = 0;
    settleEnd_.reset();
}

TExchangeUpdate TSettingsExchange::Received(std::span<const std::uint8_t> bytes, TExchangeClock::time_point at)
{
    if (bytes.empty())
        return {};
    if (Idle())
        return lastAnswer_ && at <= lastAnswer_->doubtfulUntil ? Doubt(bytes) : TExchangeUpdate{};
    if (!settleEnd_)
        settleEnd_ = at + kSettleTime;
    const std::size_t room = kShownReplyBytes - std::min(reply_.size(), kShownReplyBytes);
    reply_.insert(reply_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(room, bytes.size())));
    replyCount_ += bytes.size();
    return {};
}

TExchangeUpdate TSettingsExchange::Doubt(std::span<const std::uint8_t> bytes)
{
    TExchangeUpdate update;
    update.Finish = true;
    update.Message = UnexpectedReplyText(bytes, bytes.size());
    update.Kind = mkError;
    if (lastAnswer_->read) {
        update.EraseItem = lastAnswer_->itemBefore;
        settingsRead_ = lastAnswer_->settingsReadBefore;
    }
    lastAnswer_.reset();
    return update;
}

TExchangeUpdate TSettingsExchange::Settle(TExchangeClock::time_point now)
{
    if (Idle() || !settleEnd_ || now < *settleEnd_)
        return {};
    if (!IsExpectedReply())
        return Unexpected();
    const AnsiString replyText = BytesToHexText(reply_);
    const bool read = readStep_ != -1;
    AwaitReply();
    TExchangeUpdate update = read ? ReadReply(replyText) : WriteReply();
    if (update.Finish)
        lastAnswer_ = TAnswer{now + kReplyTime, read, shownItem_, settingsReadBefore_};
    return update;
}

// One byte: for a write the acknowledgement; for the read of the erase mode one of its two values; for any
// further register of a read, any value.
bool TSettingsExchange::IsExpectedReply() const
{
    if (replyCount_ != 1)
        return false;
    if (writeStep_ != -1)
        return reply_[0] == kWriteAcknowledge;
    return readStep_ > 0 || EraseModeItem(reply_[0]).has_value();
}

TExchangeUpdate TSettingsExchange::Unexpected()
{
    TExchangeUpdate update;
    update.Finish = true;
    update.Message = UnexpectedReplyText(reply_, replyCount_);
    update.Kind = mkError;
    Reset();
    return update;
}

TExchangeUpdate TSettingsExchange::Timeout()
{
    if (Idle() || settleEnd_)
        return {};
    Reset();
    TExchangeUpdate update;
    update.Finish = true;
    update.Message = NoReplyText();
    update.Kind = mkError;
    return update;
}

void TSettingsExchange::Reset()
{
    readStep_ = -1;
    writeStep_ = -1;
    AwaitReply();
}

TExchangeUpdate TSettingsExchange::ReadReply(const AnsiString& replyText)
{
    ++readStep_;
    TExchangeUpdate update = StepUpdate(ReadStartedText(), readStep_);
    valueText_ += replyText;
    if (readStep_ >= static_cast<int>(readRegisters_.size()))
        return FinishRead(std::move(update));
    update.Request = BuildReadRequest(readRegisters_[readStep_]);
    return update;
}

TExchangeUpdate TSettingsExchange::FinishRead(TExchangeUpdate update)
{
    readStep_ = -1;
    settingsRead_ = true;
    ++update.ProgressSteps;
    update.Finish = true;
    update.EraseItem = EraseModeItem(HexToInt(AnsiString(valueText_.Bytes().substr(0, 2)), 0));
    update.Message = ReadDoneText();
    return update;
}

TExchangeUpdate TSettingsExchange::WriteReply()
{
    ++writeStep_;
    TExchangeUpdate update = StepUpdate(WriteStartedText(), writeStep_);
    const bool entriesLeft = writeStep_ < static_cast<int>(writeRegisters_.size());
    const bool digitsLeft = 2 * writeStep_ < valueText_.Length();
    if (entriesLeft && digitsLeft) {
        update.Request = WriteRequestFor(writeStep_);
        return update;
    }
    return FinishWrite(std::move(update));
}

TExchangeUpdate TSettingsExchange::FinishWrite(TExchangeUpdate update)
{
    writeStep_ = -1;
    ++update.ProgressSteps;
    update.Finish = true;
    update.Message = WriteDoneText();
    return update;
}

AnsiString TSettingsExchange::WriteRequestFor(int step) const
{
    return BuildWriteRequest(writeRegisters_[step], AnsiString(valueText_.Bytes().substr(2 * step, 2)));
}

} // namespace device
