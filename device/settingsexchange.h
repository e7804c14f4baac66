// The read and write exchanges of the erase-mode setting, apart from the window: the exchange state and,
// for every event, what the window has to do next.
//
// The window drives it like this:
//   read button:   open the port, then Apply(StartRead())
//   write button:  open the port, then Apply(StartWrite(selected erase-mode item))
//   data event:    n = bytes waiting; if IsReplyComplete(n): take them, stop the reply timer, light the lamp
//                  if it was dark, then Apply(Reply(BytesToHexText(bytes)))
//   reply timer:   Apply(Timeout())
//   ResetExchange: Reset(), and both timers off
// Apply carries out the fields of a TExchangeUpdate in the order they are declared.
#pragma once

#include "classlib/base/ansistring.h"
#include "device/messagekind.h"
#include "device/registers.h"

#include <optional>
#include <span>

namespace device {

struct TExchangeUpdate {
    bool Lock = false;             // EnableControls(false)
    AnsiString Label;              // new caption of the progress label; empty: unchanged
    bool ResetProgress = false;    // progress bar: minimum 0, maximum 1, position 0, step 1
    int ProgressSteps = 0;         // times the progress bar advances by its step
    bool Finish = false;           // ResetExchange, then EnableControls(true)
    std::optional<int> EraseItem;  // erase-mode item to select
    AnsiString PanelColor;         // new end colour (HTML text) of the progress panel; empty: unchanged
    AnsiString Message;            // status line message (extra text empty); empty: none
    TMessageKind Kind = mkNormal;
    AnsiString Request;            // hex text of the request to send; empty: none

    friend bool operator==(const TExchangeUpdate&, const TExchangeUpdate&) = default;
};

// The texts of the exchanges, in Windows-1251.
const AnsiString& ReadStartedText();   // "Чтение настроек..."
const AnsiString& ReadDoneText();      // "Чтение настроек... успешно!"
const AnsiString& WriteStartedText();  // "Запись настроек..."
const AnsiString& WriteDoneText();     // "Запись настроек... успешно!"
const AnsiString& NoReplyText();       // "Нет ответа от прибора! Установите в приборе Связь с ПК!"

inline const AnsiString kReadPanelColor = "#f0ffec";
inline const AnsiString kWritePanelColor = "#ffefef";
// The write acknowledgement that lets a write with further table entries go on.
inline const AnsiString kWriteGoOn = "0F";

class TSettingsExchange {
public:
    explicit TSettingsExchange(std::span<const AnsiString> readRegisters = ReadRegisters,
                               std::span<const AnsiString> writeRegisters = WriteRegisters);

    TExchangeUpdate StartRead();
    // item: the selected erase-mode item. An item that stands for no value raises ERangeError before
    // anything changes.
    TExchangeUpdate StartWrite(int item);
    // True when waitingBytes bytes make up a whole reply: exactly ReplyLength, and at least one.
    bool IsReplyComplete(int waitingBytes) const;
    // A whole reply as hex text. Outside an exchange nothing follows from it.
    TExchangeUpdate Reply(const AnsiString& replyText);
    TExchangeUpdate Timeout();
    // Back to idle; ReplyLength, ValueText and SettingsRead stay.
    void Reset();

    int ReplyLength() const { return replyLength_; }
    int ReadStep() const { return readStep_; }
    int WriteStep() const { return writeStep_; }
    const AnsiString& ValueText() const { return valueText_; }
    bool SettingsRead() const { return settingsRead_; }
    bool Idle() const { return readStep_ == -1 && writeStep_ == -1; }

private:
    TExchangeUpdate ReadReply(const AnsiString& replyText);
    TExchangeUpdate WriteReply(const AnsiString& replyText);
    TExchangeUpdate FinishRead(TExchangeUpdate update);
    TExchangeUpdate FinishWrite(TExchangeUpdate update);
    AnsiString WriteRequestFor(int step) const;

    std::span<const AnsiString> readRegisters_;
    std::span<const AnsiString> writeRegisters_;
    int replyLength_ = 0;
    int readStep_ = -1;
    int writeStep_ = -1;
    AnsiString valueText_;
    bool settingsRead_ = false;
};

} // namespace device
