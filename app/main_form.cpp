#include "app/main_form.h"

#include "app/commportcomponent.h"
#include "app/configfile.h"
#include "classlib/widgets/combobox.h"
#include "classlib/base/exception.h"
#include "classlib/base/exceptionhandler.h"
#include "classlib/forms/formreader.h"
#include "classlib/widgets/image.h"
#include "classlib/widgets/label.h"
#include "classlib/widgets/progressbar.h"
#include "classlib/widgets/screen.h"
#include "classlib/widgets/statusbar.h"
#include "classlib/base/tcolor.h"
#include "classlib/widgets/timer.h"
#include "controls/comboboxpng.h"
#include "controls/gradientcheck.h"
#include "controls/xpbutton.h"
#include "device/frame.h"
#include "device/hextext.h"
#include "platform/serialdevice.h"
#include "png/pngfunctions.h"
#include "png/pngimagelist.h"

#include <QApplication>
#include <QLocale>

#include <chrono>
#include <clocale>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::int32_t kDefaultPort = 1;
constexpr std::int32_t kDefaultSpeed = 9600;
constexpr auto kClosePause = std::chrono::milliseconds(200);
// Abort pending writes and reads, clear the output and input queues.
constexpr std::uint32_t kPurgeAll =
    platform::PURGE_TXABORT | platform::PURGE_RXABORT | platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR;

AnsiString Text(const char* utf8) { return AnsiString::FromUtf8(utf8); }

const AnsiString& PortOpenedText()
{
    static const AnsiString text = Text("COM-порт успешно открыт ... ");
    return text;
}

const AnsiString& PortFailedText()
{
    static const AnsiString text = Text("Не удалось открыть COM-порт ... ");
    return text;
}

const AnsiString& PortClosedText()
{
    static const AnsiString text = Text("COM-порт закрыт ... ");
    return text;
}

// The lamp's meaning, as a screen reader says it.
const AnsiString& LinkStateText(std::uint8_t index)
{
    static const AnsiString online = Text("Связь с прибором есть");
    static const AnsiString offline = Text("Связь с прибором нет");
    return index == 0 ? offline : online;
}

AnsiString Decimal(std::int64_t value) { return AnsiString(std::to_string(value)); }

// The text as a plain decimal number (an optional sign, then digits), or fallback.
std::int32_t DecimalOr(const AnsiString& text, std::int32_t fallback)
{
    try {
        std::size_t used = 0;
        const std::string& bytes = text.Bytes();
        const long value = std::stol(bytes, &used, 10);
        const bool whole = used == bytes.size() && !bytes.empty() && bytes.front() != ' ';
        return whole && value >= INT32_MIN && value <= INT32_MAX ? static_cast<std::int32_t>(value) : fallback;
    } catch (const std::exception&) {
        return fallback;
    }
}

TColor StatusColor(int kind)
{
    switch (kind) {
    case device::mkSuccess: return clGreen;
    case device::mkError: return clRed;
    default: return clBtnFace;
    }
}

// Sets the number format of the process: full stop as the decimal separator, no grouping by locale.
void SetProcessNumberFormat()
{
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

template <class T>
T* FindControl(QObject* root, const char* name)
{
    T* control = root->findChild<T*>(QString::fromLatin1(name));
    if (!control)
        throw EInvalidOperation(std::string("The window description lacks ") + name);
    return control;
}

} // namespace

const AnsiString& CaptionText()
{
    static const AnsiString text = Text(" Стирание финализированной Quarsa (для Zentor)  версия 0.15");
    return text;
}

TMainForm::TMainForm(const QString& descriptionPath)
{
    setObjectName(QStringLiteral("MainForm"));
    settleTimer_.setSingleShot(true);
    settleTimer_.setTimerType(Qt::PreciseTimer);
    connect(&settleTimer_, &QTimer::timeout, this, &TMainForm::SettleTimerTimeout);
    TFormReader::ReadFile(this, descriptionPath);
    FindControls();
    Construct();
}

TMainForm::~TMainForm()
{
    TScreen::SetCursor(crDefault);
}

void TMainForm::FindControls()
{
    IMG_OnLineCom = FindControl<TImage>(this, "IMG_OnLineCom");
    CB_ComPorts = FindControl<TComboBoxPng>(this, "CB_ComPorts");
    CB_ComSpeeds = FindControl<TComboBox>(this, "CB_ComSpeeds");
    BTN_Quit = FindControl<TXpButton>(this, "BTN_Quit");
    BTN_OptionsRead = FindControl<TXpButton>(this, "BTN_OptionsRead");
    BTN_OptionsSave = FindControl<TXpButton>(this, "BTN_OptionsSave");
    CHG_OptionsStatus = FindControl<TGradientCheck>(this, "CHG_OptionsStatus");
    CB_OptionsErase = FindControl<TComboBox>(this, "CB_OptionsErase");
    LB_OptionsStatus = FindControl<TLabel>(this, "LB_OptionsStatus");
    PB_OptionsStatus = FindControl<TProgressBar>(this, "PB_OptionsStatus");
    StatusBarMain = FindControl<TStatusBar>(this, "StatusBarMain");
    SystemMessTimer = FindControl<TTimer>(this, "SystemMessTimer");
    CallbackTimer = FindControl<TTimer>(this, "CallbackTimer");
    TMR_OnlineComPort = FindControl<TTimer>(this, "TMR_OnlineComPort");
    CommPort1 = FindControl<TCommPortComponent>(this, "CommPort1");
    PIL_OnLineCom = FindControl<TPngImageList>(this, "PIL_OnLineCom");
}

void TMainForm::Construct()
{
    SetProcessNumberFormat();
    if (!ConfigFile.LoadConfig())
        ConfigFile.LoadConfig();
    EnumerateComPorts(comPortList_);
    ShowLinkState(0);
    FillComPorts();
    ResetExchange();
    setWindowTitle(QString::fromStdString(CaptionText().ToUtf8()));
}

void TMainForm::ShowSystemMessage(const AnsiString& message, const AnsiString& extra, int kind)
{
    SystemMessTimer->SetEnabled(false);
    StatusBarMain->SetColor(StatusColor(kind));
    StatusBarMain->SetSimpleText(AnsiString("  ") + message + AnsiString("  ") + extra, kind == device::mkError);
    StatusBarMain->setToolTip(QString());
    SystemMessTimer->SetEnabled(true);
}

// Read and write are locked with the lists while an exchange runs: one exchange at a time. Locking takes the
// keyboard focus off a locked button; unlocking gives it back (to Read when Write stays locked).
void TMainForm::EnableControls(bool enable)
{
    QWidget* const focused = QApplication::focusWidget();
    if (!enable && (focused == BTN_OptionsRead || focused == BTN_OptionsSave || focused == CB_OptionsErase))
        focusBeforeLock_ = focused;
    CB_ComPorts->setEnabled(enable);
    CB_ComSpeeds->setEnabled(enable);
    TScreen::SetCursor(enable ? crDefault : crAppStart);
    BTN_OptionsRead->setEnabled(enable);
    BTN_OptionsSave->setEnabled(enable && exchange_.SettingsRead());
    CB_OptionsErase->setEnabled(enable && exchange_.SettingsRead());
    CHG_OptionsStatus->fSetVisible(!enable);
    if (enable && focusBeforeLock_)
        (focusBeforeLock_->isEnabled() ? focusBeforeLock_ : BTN_OptionsRead)->setFocus();
    if (enable)
        focusBeforeLock_ = nullptr;
}

void TMainForm::ResetExchange()
{
    exchange_.Reset();
    CallbackTimer->SetEnabled(false);
    SystemMessTimer->SetEnabled(false);
    settleTimer_.stop();
}

void TMainForm::ShowLinkState(std::uint8_t index)
{
    const QRect rect(0, 0, IMG_OnLineCom->width(), IMG_OnLineCom->height());
    TPNGObject lamp;
    CopyImageFromImageList(lamp, *PIL_OnLineCom, index);
    TCanvas& canvas = IMG_OnLineCom->Canvas();
    canvas.FillRect(rect);
    DrawPNG(lamp, canvas, rect, TPngOptions());
    IMG_OnLineCom->update();
    IMG_OnLineCom->setAccessibleName(QString::fromStdString(LinkStateText(index).ToUtf8()));
    linkOnline_ = index;
}

void TMainForm::FillComPorts()
{
    QStringList items;
    QStringList indexes;
    for (const TComPortInfo& port : comPortList_) {
        indexes << QString(port.IsVirtualPort() ? "1" : "0");
        items << QString::number(port.Number);
    }
    CB_ComPorts->clear();
    CB_ComPorts->fSetListIndexesPng(indexes);
    CB_ComPorts->addItems(items);
    for (int i = 0; i < CB_ComPorts->count(); ++i)
        CB_ComPorts->setItemData(i, QString::fromStdString(comPortList_[i].Description), Qt::ToolTipRole);
    SelectRememberedPort();
    SelectRememberedSpeed();
}

// The list again after ports came or went: the port the user chose stays chosen while it is there, and so
// does the speed; only when the chosen port has gone is the remembered one (or the first) selected.
void TMainForm::RefillComPorts()
{
    const QString chosen = CB_ComPorts->currentText();
    const int speed = CB_ComSpeeds->ItemIndex();
    FillComPorts();
    const int found = chosen.isEmpty() ? -1 : CB_ComPorts->findText(chosen, Qt::MatchExactly);
    if (found >= 0)
        CB_ComPorts->setCurrentIndex(found);
    CB_ComSpeeds->SetItemIndex(speed);
}

void TMainForm::SelectRememberedPort()
{
    const int found = CB_ComPorts->findText(QString::number(ConfigFile.ComPort), Qt::MatchExactly);
    if (found < 0) {
        CB_ComPorts->setCurrentIndex(CB_ComPorts->count() > 0 ? 0 : -1);
        return;
    }
    CB_ComPorts->setCurrentIndex(found);
    ShowLinkState(1);
}

void TMainForm::SelectRememberedSpeed()
{
    const int found = CB_ComSpeeds->Items().indexOf(Decimal(ConfigFile.ComSpeed));
    CB_ComSpeeds->SetItemIndex(found < 0 ? 0 : found);
}

std::int32_t TMainForm::SelectedPortOr(std::int32_t fallback) const
{
    return DecimalOr(AnsiString(CB_ComPorts->currentText().toStdString()), fallback);
}

std::int32_t TMainForm::SelectedSpeedOr(std::int32_t fallback) const
{
    return DecimalOr(CB_ComSpeeds->Text(), fallback);
}

bool TMainForm::OpenComPort(std::int32_t port, std::int32_t speed)
{
    TCommPort& line = CommPort1->Port();
    if (!line.Open()) {
        line.SetComNumber(port);
        line.SetBaud(speed);
        line.SetComControl(ccNone);
        line.SetParity(paNone);
        line.SetDataBits(8);
        line.SetStopBits(sb1_0);
        line.SetDTR(true);
        line.SetRTS(true);
        line.SetOpen(true);
    }
    if (!line.Open()) {
        ShowSystemMessage(PortFailedText(), Decimal(line.ComNumber()), device::mkError);
        StatusBarMain->setToolTip(QString::fromStdString(OpenFailureCauseText(line.OpenFailure()).ToUtf8()));
        return false;
    }
    ShowSystemMessage(PortOpenedText(), Decimal(line.ComNumber()), device::mkNormal);
    line.FlushOutBuffer();
    if (platform::ISerialDevice* handle = line.DeviceHandle())
        handle->PurgeComm(kPurgeAll);
    line.FlushInBuffer();
    return true;
}

void TMainForm::CloseComPort()
{
    TCommPort& line = CommPort1->Port();
    if (!line.Open())
        return;
    line.SetOpen(false);
    ShowSystemMessage(PortClosedText(), Decimal(line.ComNumber()), device::mkNormal);
    ShowLinkState(0);
    std::this_thread::sleep_for(kClosePause);
}

// Whatever came before the request is dropped right before it goes out: a reply is only what follows it.
void TMainForm::SendHexFrame(const AnsiString& hexText)
{
    device::TTransmitBuffer buffer{};
    const std::size_t count = device::HexTextToBytes(hexText, buffer);
    CommPort1->Port().FlushInBuffer();
    CommPort1->Port().PutBlock(reinterpret_cast<const char*>(buffer.data()), static_cast<std::uint32_t>(count));
    CallbackTimer->SetEnabled(true);
}

bool TMainForm::BTN_OpenCOMPortClick()
{
    ResetExchange();
    CloseComPort();
    return OpenComPort(SelectedPortOr(kDefaultPort), SelectedSpeedOr(kDefaultSpeed));
}

void TMainForm::Apply(const device::TExchangeUpdate& update)
{
    if (update.Answered && linkOnline_ == 0)
        RememberLinePortAndSpeed();
    if (update.Lock)
        EnableControls(false);
    if (update.Label.Length() > 0)
        LB_OptionsStatus->SetCaption(update.Label);
    if (update.ResetProgress) {
        PB_OptionsStatus->SetMin(0);
        PB_OptionsStatus->SetMax(1);
        PB_OptionsStatus->SetPosition(0);
    }
    AdvanceProgress(update.ProgressSteps);
    if (update.Finish) {
        ResetExchange();
        EnableControls(true);
    }
    if (update.EraseItem)
        CB_OptionsErase->SetItemIndex(*update.EraseItem);
    if (update.PanelColor.Length() > 0)
        CHG_OptionsStatus->fgSetColorHTMLEnd(update.PanelColor);
    if (update.Message.Length() > 0)
        ShowSystemMessage(update.Message, AnsiString(), update.Kind);
    if (update.Request.Length() > 0)
        SendHexFrame(update.Request);
}

void TMainForm::AdvanceProgress(int steps)
{
    for (int i = 0; i < steps; ++i)
        PB_OptionsStatus->SetPosition(PB_OptionsStatus->Position() + 1);
}

// The port and speed the reply came on: the monitor may have refilled the combos since the port was opened.
void TMainForm::RememberLinePortAndSpeed()
{
    ConfigFile.ComPort = CommPort1->Port().ComNumber();
    ConfigFile.ComSpeed = CommPort1->Port().GetBaud();
    ShowLinkState(1);
}

std::vector<std::uint8_t> TMainForm::TakeWaitingBytes()
{
    TCommPort& line = CommPort1->Port();
    std::vector<std::uint8_t> bytes(line.GetInBuffUsed());
    bytes.resize(line.GetBlock(reinterpret_cast<char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())));
    return bytes;
}

// The waiting bytes go to the exchange; the first byte of a reply ends the reply time and starts the
// settle time.
void TMainForm::ReceiveWaitingBytes()
{
    const bool settling = exchange_.SettleEnd().has_value();
    Apply(exchange_.Received(TakeWaitingBytes(), device::TExchangeClock::now()));
    if (settling || !exchange_.SettleEnd())
        return;
    CallbackTimer->SetEnabled(false);
    StartSettleTimer();
}

// Rounded up to whole milliseconds, so that it never ends before the settle time.
void TMainForm::StartSettleTimer()
{
    const auto left = *exchange_.SettleEnd() - device::TExchangeClock::now();
    settleTimer_.start(std::chrono::ceil<std::chrono::milliseconds>(std::max(left, left.zero())));
}

void TMainForm::FormActivate(QObject*) {}

void TMainForm::FormClose(QObject*, TCloseAction&)
{
    RunHandler([this] {
        ResetExchange();
        CloseComPort();
        ConfigFile.DeleteDebugLog();
        ConfigFile.SaveConfig();
    });
}

void TMainForm::BTN_QuitClick(QObject*)
{
    RunHandler([this] { close(); });
}

void TMainForm::BTN_OptionsReadClick(QObject*)
{
    RunHandler([this] {
        if (exchange_.Idle() && BTN_OpenCOMPortClick())
            Apply(exchange_.StartRead(CB_OptionsErase->ItemIndex()));
    });
}

void TMainForm::BTN_OptionsSaveClick(QObject*)
{
    RunHandler([this] {
        if (exchange_.Idle() && BTN_OpenCOMPortClick())
            Apply(exchange_.StartWrite(CB_OptionsErase->ItemIndex()));
    });
}

void TMainForm::SystemMessTimerTimer(QObject*)
{
    RunHandler([this] {
        StatusBarMain->SetSimpleText(AnsiString());
        StatusBarMain->setToolTip(QString());
        StatusBarMain->SetColor(clBtnFace);
        SystemMessTimer->SetEnabled(false);
    });
}

void TMainForm::CallbackTimerTimer(QObject*)
{
    RunHandler([this] { Apply(exchange_.Timeout()); });
}

// Bytes that came up to the end of the settle time belong to the reply; a timer that fired early waits on.
void TMainForm::SettleTimerTimeout()
{
    RunHandler([this] {
        ReceiveWaitingBytes();
        const device::TExchangeUpdate update = exchange_.Settle(device::TExchangeClock::now());
        if (update == device::TExchangeUpdate{} && exchange_.SettleEnd())
            StartSettleTimer();
        else
            Apply(update);
    });
}

void TMainForm::TMR_OnlineComPortTimer(QObject*)
{
    RunHandler([this] {
        const std::int32_t selected = SelectedPortOr(-1);
        if (!monitorList_)
            monitorList_.emplace();
        EnumerateComPorts(*monitorList_);
        if (monitorList_->size() != comPortList_.size()) {
            EnumerateComPorts(comPortList_);
            RefillComPorts();
        }
        if (selected == -1)
            return;
        const bool present = std::any_of(monitorList_->begin(), monitorList_->end(),
                                         [selected](const TComPortInfo& port) { return port.Number == selected; });
        if (!present) {
            ShowLinkState(0);
            CloseComPort();
        }
    });
}

void TMainForm::CommPort1DataReceived(QObject*, quint32)
{
    RunHandler([this] { ReceiveWaitingBytes(); });
}
