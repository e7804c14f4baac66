#include "device/settingsexchange.h"

#include "classlib/base/exception.h"
#include "device/frame.h"
#include "device/hextext.h"

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

TSettingsExchange::TSettingsExchange(std::span<const AnsiString> readRegisters,
                                     std::span<const AnsiString> writeRegisters)
    : readRegisters_(readRegisters), writeRegisters_(writeRegisters)
{
}

TExchangeUpdate TSettingsExchange::StartRead()
{
    readStep_ = 0;
    writeStep_ = -1;
    replyLength_ = 1;
    valueText_ = AnsiString();
    return StartUpdate(ReadStartedText(), kReadPanelColor, BuildReadRequest(readRegisters_[0]));
}

TExchangeUpdate TSettingsExchange::StartWrite(int item)
{
    const AnsiString value = EraseModeValueText(item);
    if (value.IsEmpty())
        throw ERangeError("Range check error");
    writeStep_ = 0;
    readStep_ = -1;
    replyLength_ = 1;
    valueText_ = value;
    return StartUpdate(WriteStartedText(), kWritePanelColor, WriteRequestFor(0));
}

bool TSettingsExchange::IsReplyComplete(int waitingBytes) const
{
    return waitingBytes > 0 && waitingBytes == replyLength_;
}

TExchangeUpdate TSettingsExchange::Reply(const AnsiString& replyText)
{
    if (readStep_ != -1)
        return ReadReply(replyText);
    if (writeStep_ != -1)
        return WriteReply(replyText);
    return {};
}

TExchangeUpdate TSettingsExchange::Timeout()
{
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
    if (valueText_.Length() >= 2) // a reply without a byte carries no value to show
        update.EraseItem = EraseModeItem(HexToInt(AnsiString(valueText_.Bytes().substr(0, 2)), 0));
    update.Message = ReadDoneText();
    return update;
}

TExchangeUpdate TSettingsExchange::WriteReply(const AnsiString& replyText)
{
    ++writeStep_;
    TExchangeUpdate update = StepUpdate(WriteStartedText(), writeStep_);
    const bool entriesLeft = writeStep_ < static_cast<int>(writeRegisters_.size());
    const bool digitsLeft = 2 * writeStep_ < valueText_.Length();
    if (entriesLeft && digitsLeft && replyText == kWriteGoOn) {
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
