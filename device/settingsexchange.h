// The read and write exchanges of the erase-mode setting, apart from the window: the exchange state and,
// for every event, what the window has to do next.
//
// One exchange runs at a time: it ends by its reply or by its timeout. A reply is what comes after the
// request: the window empties the receive side right before it writes a request. The first reply byte starts
// the settle time; when it is over, exactly one byte that the device answers to this request (0x00 or 0xFF
// for the erase mode read, 0x0F for a write) goes on with the exchange; anything else (another value, more
// than one byte, the request coming back) ends it at once as an unexpected reply. The device answers a
// request once: a byte that still comes within the reply time after its answer casts doubt on that answer
// (it may have been noise before the real one), so it is reported as unexpected too, and a read's mode and
// the write button go back to what they were before the read.
//
// The window drives it like this:
//   read button:   open the port, then Apply(StartRead())
//   write button:  open the port, then Apply(StartWrite(selected erase-mode item))
//   data event:    take the waiting bytes; Apply(Received(bytes, now)); when SettleEnd() has just been set,
//                  stop the reply timer and start the settle timer for it
//   settle timer:  take the waiting bytes into Received, then Apply(Settle(now)); when SettleEnd() still
//                  lies ahead (a timer that fired early), start the settle timer again
//   reply timer:   Apply(Timeout())
//   ResetExchange: Reset(), and the timers off
// Apply carries out the fields of a TExchangeUpdate in the order they are declared.
#pragma once

#include "classlib/base/ansistring.h"
#include "device/messagekind.h"
#include "device/registers.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace device {

using TExchangeClock = std::chrono::steady_clock;

// After the first reply byte, the time in which a further byte makes the reply one of several bytes.
constexpr std::chrono::milliseconds kSettleTime{20};
// How long the device may take to answer; also how long after an answer a further byte casts doubt on it.
constexpr std::chrono::milliseconds kReplyTime{3000};

struct TExchangeUpdate {
    bool Lock = false;             // EnableControls(false)
    AnsiString Label;              // new caption of the progress label; empty: unchanged
    bool ResetProgress = false;    // progress bar: minimum 0, maximum 1, position 0, step 1
    int ProgressSteps = 0;         // times the progress bar advances by its step
    bool Answered = false;         // the device answered as it should: a dark lamp lights, port and speed kept
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
// "Неожиданный ответ прибора: " and the bytes in hexadecimal, separated by blanks; after the first
// kShownReplyBytes bytes, "..." stands for the rest.
AnsiString UnexpectedReplyText(std::span<const std::uint8_t> bytes, std::size_t total);
constexpr std::size_t kShownReplyBytes = 8;

inline const AnsiString kReadPanelColor = "#f0ffec";
inline const AnsiString kWritePanelColor = "#ffefef";
// The device's acknowledgement of a write.
constexpr std::uint8_t kWriteAcknowledge = 0x0F;

class TSettingsExchange {
public:
    explicit TSettingsExchange(std::span<const AnsiString> readRegisters = ReadRegisters,
                               std::span<const AnsiString> writeRegisters = WriteRegisters);

    // shownItem: the erase-mode item selected before the read, selected again when its answer is doubted.
    TExchangeUpdate StartRead(std::optional<int> shownItem = std::nullopt);
    // item: the selected erase-mode item. An item that stands for no value raises ERangeError before
    // anything changes.
    TExchangeUpdate StartWrite(int item);
    // Bytes that came from the line at the time at. During an exchange they make up its reply; within the
    // reply time after an answer they undo it; otherwise nothing follows from them.
    TExchangeUpdate Received(std::span<const std::uint8_t> bytes, TExchangeClock::time_point at);
    // When the settle time of the reply ends: set by its first byte, empty before it and outside an exchange.
    std::optional<TExchangeClock::time_point> SettleEnd() const { return settleEnd_; }
    // The reply judged, once its settle time is over at now; before that, and without a reply, nothing.
    TExchangeUpdate Settle(TExchangeClock::time_point now);
    // No reply within the reply time. A reply that came meanwhile is judged by Settle instead.
    TExchangeUpdate Timeout();
    // Back to idle; ValueText and SettingsRead stay, and so does the watch for doubts about the last answer.
    void Reset();

    int ReadStep() const { return readStep_; }
    int WriteStep() const { return writeStep_; }
    const AnsiString& ValueText() const { return valueText_; }
    bool SettingsRead() const { return settingsRead_; }
    bool Idle() const { return readStep_ == -1 && writeStep_ == -1; }

private:
    void AwaitReply();
    TExchangeUpdate Doubt(std::span<const std::uint8_t> bytes);
    bool IsExpectedReply() const;
    TExchangeUpdate Unexpected();
    TExchangeUpdate ReadReply(const AnsiString& replyText);
    TExchangeUpdate WriteReply();
    TExchangeUpdate FinishRead(TExchangeUpdate update);
    TExchangeUpdate FinishWrite(TExchangeUpdate update);
    AnsiString WriteRequestFor(int step) const;

    std::span<const AnsiString> readRegisters_;
    std::span<const AnsiString> writeRegisters_;
    int readStep_ = -1;
    int writeStep_ = -1;
    AnsiString valueText_;
    bool settingsRead_ = false;
    std::vector<std::uint8_t> reply_; // the first kShownReplyBytes bytes of the reply
    std::size_t replyCount_ = 0;      // all of its bytes
    std::optional<TExchangeClock::time_point> settleEnd_;

    // What an answer changed, kept until the reply time after it has passed or the next exchange starts.
    struct TAnswer {
        TExchangeClock::time_point doubtfulUntil;
        bool read = false;
        std::optional<int> itemBefore;
        bool settingsReadBefore = false;
    };
    std::optional<TAnswer> lastAnswer_;
    std::optional<int> shownItem_;
    bool settingsReadBefore_ = false;
};

} // namespace device
