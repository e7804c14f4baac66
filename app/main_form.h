// The program's one window: reads and writes the erase mode of the device over the chosen serial port,
// reports every outcome in a coloured status line and shows the state of the link with a lamp.
// The controls come from the embedded window description; the handlers below are wired there by name.
// One exchange runs at a time: Read and Write are locked until its reply or its timeout; the device's
// answers are told from anything else on the line by the exchange (device/settingsexchange.h).
// An exchange starts only when its port opened, so the red open-failure message stays and names the
// cause in its tool tip, instead of being followed by a misleading no-reply message. The tool tip belongs
// to that message: the next message or the clearing of the status line removes it.
#pragma once

#include "app/comports.h"
#include "app/openfailurecausetext.h"
#include "classlib/base/ansistring.h"
#include "classlib/widgets/form.h"
#include "device/messagekind.h"
#include "device/settingsexchange.h"
#include "platform/serialdevice.h"

#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class TBevel;
class TComboBox;
class TComboBoxPng;
class TCommPortComponent;
class TGradientCheck;
class TImage;
class TLabel;
class TPngImageList;
class TProgressBar;
class TStatusBar;
class TTimer;
class TXpButton;

// The window caption set at the end of construction.
const AnsiString& CaptionText();

class TMainForm : public TForm {
    Q_OBJECT

public:
    // Reads the window from the description at descriptionPath (the embedded one by default) and runs the
    // construction steps: configuration, port list, lamp, caption.
    explicit TMainForm(const QString& descriptionPath = QStringLiteral(":/forms/main_form.zfm"));
    ~TMainForm() override;

    void ShowSystemMessage(const AnsiString& message, const AnsiString& extra, int kind);
    void EnableControls(bool enable);
    void ResetExchange();
    void ShowLinkState(std::uint8_t index);
    bool OpenComPort(std::int32_t port, std::int32_t speed);
    void CloseComPort();
    void FillComPorts();
    void RefillComPorts();
    void SendHexFrame(const AnsiString& hexText);
    bool BTN_OpenCOMPortClick();

    std::uint8_t LinkOnline() const { return linkOnline_; }
    const device::TSettingsExchange& Exchange() const { return exchange_; }
    const TComPortList& ComPortList() const { return comPortList_; }

public slots:
    void FormActivate(QObject* Sender);
    void FormClose(QObject* Sender, TCloseAction& Action);
    void BTN_QuitClick(QObject* Sender);
    void BTN_OptionsReadClick(QObject* Sender);
    void BTN_OptionsSaveClick(QObject* Sender);
    void SystemMessTimerTimer(QObject* Sender);
    void CallbackTimerTimer(QObject* Sender);
    void TMR_OnlineComPortTimer(QObject* Sender);
    void CommPort1DataReceived(QObject* Sender, quint32 Count);

private:
    void FindControls();
    void Construct();
    void Apply(const device::TExchangeUpdate& update);
    void AdvanceProgress(int steps);
    void SettleTimerTimeout();
    std::vector<std::uint8_t> TakeWaitingBytes();
    void ReceiveWaitingBytes();
    void StartSettleTimer();
    void RememberLinePortAndSpeed();
    void SelectRememberedPort();
    void SelectRememberedSpeed();
    std::int32_t SelectedPortOr(std::int32_t fallback) const;
    std::int32_t SelectedSpeedOr(std::int32_t fallback) const;

    TImage* IMG_OnLineCom = nullptr;
    TComboBoxPng* CB_ComPorts = nullptr;
    TComboBox* CB_ComSpeeds = nullptr;
    TXpButton* BTN_Quit = nullptr;
    TXpButton* BTN_OptionsRead = nullptr;
    TXpButton* BTN_OptionsSave = nullptr;
    TGradientCheck* CHG_OptionsStatus = nullptr;
    TComboBox* CB_OptionsErase = nullptr;
    TLabel* LB_OptionsStatus = nullptr;
    TProgressBar* PB_OptionsStatus = nullptr;
    TStatusBar* StatusBarMain = nullptr;
    TTimer* SystemMessTimer = nullptr;
    TTimer* CallbackTimer = nullptr;
    TTimer* TMR_OnlineComPort = nullptr;
    TCommPortComponent* CommPort1 = nullptr;
    TPngImageList* PIL_OnLineCom = nullptr;

    device::TSettingsExchange exchange_;
    std::uint8_t linkOnline_ = 0;
    TComPortList comPortList_;
    std::optional<TComPortList> monitorList_;
    QTimer settleTimer_; // the settle time after the first byte of a reply
    QWidget* focusBeforeLock_ = nullptr; // the locked button that had the keyboard focus
};
