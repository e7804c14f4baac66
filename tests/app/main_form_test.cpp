// The main window end to end against the simulated device on a pseudo-terminal: the bytes on the line,
// the window's state and the status line after read, write, silence and a vanished port.
#include "app/commportcomponent.h"
#include "app/configfile.h"
#include "app/formclasses.h"
#include "app/main_form.h"
#include "classlib/graphics/canvas.h"
#include "classlib/widgets/combobox.h"
#include "classlib/widgets/label.h"
#include "classlib/widgets/screen.h"
#include "classlib/widgets/statusbar.h"
#include "classlib/base/tcolor.h"
#include "classlib/widgets/timer.h"
#include "classlib/widgets/windowfonts.h"
#include "platform/portmap.h"
#include "controls/comboboxpng.h"
#include "controls/controltestsupport.h"
#include "controls/gradientcheck.h"
#include "controls/xpbutton.h"
#include "support/ptylink.h"
#include "support/scriptedline.h"
#include "support/tempfolder.h"
#include "tools/zentor-sim/zentorsim.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

AnsiString Text(const char* utf8) { return AnsiString::FromUtf8(utf8); }

// The status line's text for a message and its extra text.
AnsiString StatusLine(const char* utf8, const std::string& extra = "")
{
    return AnsiString("  ") + Text(utf8) + AnsiString("  ") + AnsiString(extra);
}

// Runs the event loop until done() holds or limitMs have passed; whether it holds.
bool RunUntil(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Runs the event loop until the monotonic clock stands 90 to 110 ms past a whole second. A timer of whole
// seconds started then is one that a coarse timer would round down to the whole second, firing early.
void WaitForEarlyRoundingPhase()
{
    const auto phase = [] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 1000;
    };
    RunUntil([&] { return phase() >= 90 && phase() < 110; }, 1500);
}

class MainFormTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TWindowFonts::Register();
        RegisterFormClasses();
    }

    void StartDevice(zentorsim::TSimOptions options)
    {
        sim = std::make_unique<zentorsim::TZentorSim>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(error)) << error;
        ConfigFile.Directory = folder.Path();
        ConfigFile.DebugLogPath = folder.File("zentor_debug_session.txt");
        ConfigFile.ComPort = sim->ComNumber();
        ConfigFile.ComSpeed = 9600;
        form = std::make_unique<TMainForm>();
    }

    void TearDown() override
    {
        form.reset();
        TScreen::SetCursor(crDefault);
    }

    template <class T>
    T* Control(const char* name) { return form->findChild<T*>(QString::fromLatin1(name)); }

    AnsiString StatusText() { return Control<TStatusBar>("StatusBarMain")->SimpleText(); }
    bool StatusIs(const char* utf8) { return StatusText() == AnsiString("  ") + Text(utf8) + AnsiString("  "); }
    void Click(const char* button) { Control<TXpButton>(button)->click(); }
    TColor StatusColor() { return Control<TStatusBar>("StatusBarMain")->Color(); }
    TCommPort& Line() { return Control<TCommPortComponent>("CommPort1")->Port(); }
    std::string Number() { return std::to_string(sim->ComNumber()); }
    // One period of the timer, without waiting for it.
    void Tick(const char* timer)
    {
        TTimer* t = Control<TTimer>(timer);
        emit t->OnTimer(t);
    }

    TTempFolder folder;
    std::unique_ptr<zentorsim::TZentorSim> sim;
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, StartsWithTheRememberedPortSelectedAndTheLampLit)
{
    StartDevice({});
    EXPECT_EQ(Control<TComboBoxPng>("CB_ComPorts")->currentText(), QString::number(sim->ComNumber()));
    EXPECT_EQ(form->LinkOnline(), 1);
    EXPECT_EQ(form->windowTitle().toStdString(), CaptionText().ToUtf8());
    EXPECT_FALSE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
    EXPECT_FALSE(Control<TComboBox>("CB_OptionsErase")->isEnabled());
}

// Prints a case by its name, in failure messages and in the test list, instead of its bytes.
template <class Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

struct ReadCase {
    const char* name;
    std::uint8_t value;
    int initialItem; // chosen so that a wrong selection shows
    int expectedItem;
};

class MainFormReadTest : public MainFormTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(MainFormReadTest, ReadSelectsTheModeOfTheReplyAndUnlocksTheWindow)
{
    StartDevice({.InitialValue = GetParam().value});
    Control<TComboBox>("CB_OptionsErase")->SetItemIndex(GetParam().initialItem);
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    EXPECT_EQ(sim->Received(), (Bytes{0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B}));
    EXPECT_EQ(Control<TComboBox>("CB_OptionsErase")->ItemIndex(), GetParam().expectedItem);
    EXPECT_TRUE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
    EXPECT_TRUE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    EXPECT_EQ(TScreen::Cursor(), crDefault);
    EXPECT_TRUE(form->Exchange().Idle());
    EXPECT_EQ(Control<TLabel>("LB_OptionsStatus")->Caption(), Text("Чтение настроек... 1"));
    EXPECT_TRUE(Control<TGradientCheck>("CHG_OptionsStatus")->isHidden());
}

INSTANTIATE_TEST_SUITE_P(Replies, MainFormReadTest,
                         testing::Values(ReadCase{"Erase", 0x00, 1, 0}, ReadCase{"Keep", 0xFF, 0, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    std::uint8_t storedValue; // the device's value before, the other one of the two modes
    int item;
    Bytes frame;
};

class MainFormWriteTest : public MainFormTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(MainFormWriteTest, WriteSendsTheChosenModeAfterARead)
{
    StartDevice({.InitialValue = GetParam().storedValue});
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000));
    Control<TComboBox>("CB_OptionsErase")->SetItemIndex(GetParam().item);
    Click("BTN_OptionsSave");
    EXPECT_EQ(Control<TGradientCheck>("CHG_OptionsStatus")->gColorHTMLEnd(), AnsiString("#ffefef"));
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Запись настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    const Bytes line = sim->Received();
    ASSERT_EQ(line.size(), 12u);
    EXPECT_EQ(Bytes(line.begin() + 6, line.end()), GetParam().frame);
    EXPECT_EQ(sim->Register(zentorsim::kEraseModeRegister), GetParam().frame[4]);
    EXPECT_EQ(Control<TLabel>("LB_OptionsStatus")->Caption(), Text("Запись настроек... 1"));
}

INSTANTIATE_TEST_SUITE_P(Modes, MainFormWriteTest,
                         testing::Values(WriteCase{"Erase", 0xFF, 0, {0xA5, 0x96, 0x01, 0xD5, 0x00, 0x6C}},
                                         WriteCase{"Keep", 0x00, 1, {0xA5, 0x96, 0x01, 0xD5, 0xFF, 0x6B}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFormTest, SilentDeviceGivesTheRedTimeoutMessageAndKeepsThePortOpen)
{
    StartDevice({.Silent = true});
    Click("BTN_OptionsRead");
    EXPECT_FALSE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    EXPECT_EQ(TScreen::Cursor(), crAppStart);
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Нет ответа от прибора! Установите в приборе Связь с ПК!"); },
                         6000));
    EXPECT_EQ(Control<TStatusBar>("StatusBarMain")->Color(), clRed);
    EXPECT_TRUE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    EXPECT_FALSE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
    EXPECT_EQ(form->LinkOnline(), 1);
}

TEST_F(MainFormTest, PortThatFailsToOpenStartsNoExchangeAndKeepsItsMessage)
{
    StartDevice({});
    const int number = sim->ComNumber();
    sim->Stop();
    Click("BTN_OptionsRead");
    EXPECT_EQ(StatusText(), AnsiString("  ") + Text("Не удалось открыть COM-порт ... ") + AnsiString("  ") +
                                AnsiString(std::to_string(number)));
    EXPECT_EQ(Control<TStatusBar>("StatusBarMain")->Color(), clRed);
    EXPECT_FALSE(Control<TStatusBar>("StatusBarMain")->toolTip().isEmpty());
    EXPECT_TRUE(form->Exchange().Idle());
    EXPECT_TRUE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    EXPECT_EQ(TScreen::Cursor(), crDefault);
}

struct OpenFailureCase {
    const char* name;
    bool holdPort; // another program holds the port; otherwise the port is gone
    const char* toolTip;
};

class MainFormOpenFailureTest : public MainFormTest, public testing::WithParamInterface<OpenFailureCase> {};

TEST_P(MainFormOpenFailureTest, ToolTipNamesTheCauseInRussianUntilTheStatusLineClears)
{
    StartDevice({});
    TCommPort holder;
    if (GetParam().holdPort) {
        holder.SetComNumber(sim->ComNumber());
        holder.SetOpen(true);
        ASSERT_TRUE(holder.Open());
    } else {
        sim->Stop();
    }
    Click("BTN_OptionsRead");
    TStatusBar* bar = Control<TStatusBar>("StatusBarMain");
    EXPECT_EQ(bar->toolTip().toStdString(), GetParam().toolTip);
    Tick("SystemMessTimer");
    EXPECT_TRUE(StatusText().IsEmpty());
    EXPECT_TRUE(bar->toolTip().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Causes, MainFormOpenFailureTest,
                         testing::Values(OpenFailureCase{"InUse", true, "порт занят другой программой"},
                                         OpenFailureCase{"Gone", false, "порт не найден"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFormTest, ToolTipOfAFailedOpenGoesWithTheNextMessage)
{
    StartDevice({});
    sim->Stop();
    Click("BTN_OptionsRead");
    ASSERT_FALSE(Control<TStatusBar>("StatusBarMain")->toolTip().isEmpty());
    form->ShowSystemMessage(Text("Чтение настроек..."), {}, 0);
    EXPECT_TRUE(Control<TStatusBar>("StatusBarMain")->toolTip().isEmpty());
}

TEST(OpenFailureCauseText, NamesEachCauseInRussian)
{
    using platform::SerialCause;
    const std::map<SerialCause, std::string> expected = {
        {SerialCause::NoSuchPort, "порт не найден"},
        {SerialCause::InUse, "порт занят другой программой"},
        {SerialCause::NoPermission, "нет прав доступа к порту (группа dialout)"},
    };
    for (SerialCause cause : {SerialCause::NoSuchPort, SerialCause::InUse, SerialCause::NoPermission,
                              SerialCause::Unplugged, SerialCause::NotSupported, SerialCause::InvalidParameter,
                              SerialCause::IoFailure, SerialCause::Cancelled, SerialCause::NoResources}) {
        const auto known = expected.find(cause);
        EXPECT_EQ(OpenFailureCauseText(cause).ToUtf8(),
                  known != expected.end() ? known->second : std::string("порт не открылся по другой причине"))
            << platform::SerialCauseText(cause);
    }
}

// Real time, started where a coarse timer would round its expiry down: the reply timeout is never early.
TEST_F(MainFormTest, ReplyTimeoutNeverComesBeforeThreeSeconds)
{
    StartDevice({.Silent = true});
    WaitForEarlyRoundingPhase();
    QElapsedTimer clock;
    clock.start();
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Нет ответа от прибора! Установите в приборе Связь с ПК!"); },
                         6000));
    EXPECT_GE(clock.elapsed(), 3000);
    EXPECT_LT(clock.elapsed(), 4500);
}

// Real time, as above: a status message stays its full 5000 ms.
TEST_F(MainFormTest, StatusLineNeverClearsBeforeFiveSeconds)
{
    StartDevice({});
    WaitForEarlyRoundingPhase();
    QElapsedTimer clock;
    clock.start();
    form->ShowSystemMessage(Text("Запись настроек..."), {}, 0);
    ASSERT_TRUE(RunUntil([&] { return StatusText().IsEmpty(); }, 8000));
    EXPECT_GE(clock.elapsed(), 5000);
    EXPECT_LT(clock.elapsed(), 6500);
}

TEST_F(MainFormTest, ClosingTheWindowSavesTheConfiguration)
{
    StartDevice({});
    WriteTextFile(folder.File("zentor_debug_session.txt"), "left over");
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000));
    form->close();
    EXPECT_FALSE(std::filesystem::exists(folder.File("zentor_debug_session.txt")));
    const std::string config = ReadTextFile(folder.File("zentor.cfg"));
    EXPECT_NE(config.find("COM_port=" + std::to_string(sim->ComNumber())), std::string::npos) << config;
    EXPECT_EQ(StatusText(), AnsiString("  ") + Text("COM-порт закрыт ... ") + AnsiString("  ") +
                                AnsiString(std::to_string(sim->ComNumber())));
}

TEST_F(MainFormTest, VanishedPortDarkensTheLampAtTheNextMonitorTick)
{
    StartDevice({});
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000));
    sim->Stop();
    ASSERT_TRUE(RunUntil([&] { return form->LinkOnline() == 0; }, 5000));
    EXPECT_NE(StatusText().Bytes().find(Text("COM-порт закрыт ... ").Bytes()), std::string::npos);
}

TEST_F(MainFormTest, TwoReplyBytesEndTheReadAtOnceAsAnUnexpectedReply)
{
    StartDevice({.InitialValue = 0xFF, .TwoByteReply = true});
    QElapsedTimer clock;
    clock.start();
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Неожиданный ответ прибора: FF FF"); }, 6000)) << StatusText().ToUtf8();
    EXPECT_LT(clock.elapsed(), 2000) << "not by the reply timeout";
    EXPECT_EQ(StatusColor(), clRed);
    EXPECT_EQ(Line().GetInBuffUsed(), 0u);
    EXPECT_EQ(Control<TComboBox>("CB_OptionsErase")->ItemIndex(), 0) << "the value 0xFF was not taken";
    EXPECT_FALSE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
    EXPECT_FALSE(Control<TComboBox>("CB_OptionsErase")->isEnabled());
    EXPECT_TRUE(Control<TXpButton>("BTN_OptionsRead")->isEnabled());
    EXPECT_TRUE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    EXPECT_TRUE(Control<TGradientCheck>("CHG_OptionsStatus")->isHidden());
    EXPECT_EQ(TScreen::Cursor(), crDefault);
    EXPECT_TRUE(Line().Open());
}

// One exchange at a time: clicks on the locked buttons during a read put nothing on the line.
TEST_F(MainFormTest, ReadAndWriteAreLockedUntilTheReplyComes)
{
    StartDevice({.InitialValue = 0xFF, .ReplyDelay = std::chrono::milliseconds(800)});
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    ASSERT_TRUE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
    Click("BTN_OptionsRead");
    ASSERT_TRUE(sim->WaitReceived(12, std::chrono::seconds(5)));
    EXPECT_FALSE(Control<TXpButton>("BTN_OptionsRead")->isEnabled());
    EXPECT_FALSE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
    EXPECT_FALSE(Control<TComboBox>("CB_OptionsErase")->isEnabled()) << "the mode cannot change under an exchange";
    Click("BTN_OptionsRead");
    Click("BTN_OptionsSave");
    form->BTN_OptionsReadClick(nullptr);
    form->BTN_OptionsSaveClick(nullptr);
    EXPECT_TRUE(Line().Open());
    EXPECT_EQ(form->Exchange().ReadStep(), 0);
    EXPECT_EQ(StatusText(), StatusLine("Чтение настроек..."));
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    EXPECT_EQ(sim->Received().size(), 12u) << "two reads and nothing more";
    EXPECT_TRUE(Control<TComboBox>("CB_OptionsErase")->isEnabled());
    EXPECT_TRUE(Control<TXpButton>("BTN_OptionsRead")->isEnabled());
    EXPECT_TRUE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
}

// A keyboard user reads with Space and can do it again: the focus comes back to the button when it unlocks.
TEST_F(MainFormTest, KeyboardFocusReturnsToTheButtonThatStartedTheExchange)
{
    StartDevice({.ReplyDelay = std::chrono::milliseconds(100)});
    form->show();
    QApplication::setActiveWindow(form.get());
    auto* read = Control<TXpButton>("BTN_OptionsRead");
    read->setFocus();
    ASSERT_TRUE(RunUntil([&] { return read->hasFocus(); }, 2000));
    const auto pressSpace = [](QWidget* target) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(target, &press);
        QCoreApplication::sendEvent(target, &release);
    };
    pressSpace(QApplication::focusWidget());
    ASSERT_FALSE(read->isEnabled());
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    EXPECT_TRUE(read->hasFocus());
    pressSpace(QApplication::focusWidget());
    EXPECT_EQ(StatusText(), StatusLine("Чтение настроек..."));
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    EXPECT_EQ(sim->Received().size(), 12u);
}

// Closing during a read closes the port and saves; the read's timers never fire on the closed window.
TEST_F(MainFormTest, ClosingTheWindowDuringAReadStillCloses)
{
    StartDevice({.Silent = true});
    Click("BTN_OptionsRead");
    ASSERT_TRUE(sim->WaitReceived(6, std::chrono::seconds(5)));
    Click("BTN_Quit");
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(Line().Open());
    EXPECT_TRUE(std::filesystem::exists(folder.File("zentor.cfg")));
    EXPECT_FALSE(Control<TTimer>("CallbackTimer")->Enabled());
    RunUntil([] { return false; }, 3300);
    EXPECT_EQ(StatusText(), StatusLine("COM-порт закрыт ... ", Number()));
}

struct StatusCase {
    const char* message;
    const char* extra;
    int kind;
    TColor colour;
};

TEST_F(MainFormTest, StatusLineShowsEachMessageBetweenBlanksOnTheColourOfItsKind)
{
    StartDevice({});
    const StatusCase cases[] = {
        {"COM-порт успешно открыт ... ", "3", 0, clBtnFace},
        {"Нет ответа от прибора! Установите в приборе Связь с ПК!", "", 1, clRed},
        {"Не удалось открыть COM-порт ... ", "12", 1, clRed},
        {"Чтение настроек... успешно!", "", -1, clGreen},
        {"Запись настроек...", "", 7, clBtnFace},
        {"COM-порт закрыт ... ", "1", -2, clBtnFace},
    };
    auto* bar = Control<TStatusBar>("StatusBarMain");
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.message);
        form->ShowSystemMessage(Text(c.message), AnsiString(c.extra), c.kind);
        EXPECT_EQ(StatusText(), StatusLine(c.message, c.extra));
        EXPECT_EQ(bar->Color(), c.colour);
        EXPECT_EQ(bar->grab().toImage().pixel(bar->width() - 4, 3), ToQRgb(c.colour));
        EXPECT_TRUE(Control<TTimer>("SystemMessTimer")->Enabled());
        EXPECT_EQ(Control<TTimer>("SystemMessTimer")->Interval(), 5000);
    }
    Tick("SystemMessTimer");
    EXPECT_EQ(StatusText(), AnsiString());
    EXPECT_EQ(bar->Color(), clBtnFace);
    EXPECT_FALSE(Control<TTimer>("SystemMessTimer")->Enabled());
}

// Real time: the second message restarts the 5000 ms, so it outlives the first one's period.
TEST_F(MainFormTest, StatusLineClearsFiveSecondsAfterTheLastMessageOnly)
{
    StartDevice({});
    QElapsedTimer clock;
    clock.start();
    form->ShowSystemMessage(Text("Нет ответа от прибора! Установите в приборе Связь с ПК!"), {}, 1);
    RunUntil([] { return false; }, 2000);
    form->ShowSystemMessage(Text("Запись настроек..."), {}, 0);
    RunUntil([&] { return clock.elapsed() > 5600; }, 6000);
    EXPECT_EQ(StatusText(), StatusLine("Запись настроек..."));
    ASSERT_TRUE(RunUntil([&] { return StatusText().IsEmpty(); }, 6000));
    EXPECT_EQ(StatusColor(), clBtnFace);
}

TEST_F(MainFormTest, MonitorTickClosesTheVanishedSelectedPort)
{
    StartDevice({});
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000));
    const std::string number = Number();
    sim->Stop();
    Tick("TMR_OnlineComPort");
    EXPECT_EQ(form->LinkOnline(), 0);
    EXPECT_FALSE(Line().Open());
    EXPECT_EQ(StatusText(), StatusLine("COM-порт закрыт ... ", number));
    auto* ports = Control<TComboBoxPng>("CB_ComPorts");
    EXPECT_EQ(ports->findText(QString::fromStdString(number)), -1) << "the list was refilled without it";
    EXPECT_EQ(ports->currentIndex(), ports->count() > 0 ? 0 : -1);
    EXPECT_TRUE(Control<TTimer>("TMR_OnlineComPort")->Enabled());
    EXPECT_EQ(Control<TTimer>("TMR_OnlineComPort")->Interval(), 2000);
}

// The machine's own ports stay in the list; a built-in port carries the other icon.
TEST_F(MainFormTest, PortComboListsTheMappedPortsByNumberWithTheirIcons)
{
    TPtyLink high(14), low(7), middle(11);
    StartDevice({});
    auto* ports = Control<TComboBoxPng>("CB_ComPorts");
    std::vector<int> numbers;
    for (int i = 0; i < ports->count(); ++i)
        numbers.push_back(ports->itemText(i).toInt());
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    std::map<int, QString> icons;
    for (const platform::TPortMapEntry& entry : platform::ReadPortMap())
        icons[std::stoi(entry.PortName.substr(3))] = entry.DeviceName.starts_with("\\Device\\VCP") ? "1" : "0";
    for (const int link : {sim->ComNumber(), 7, 11, 14})
        EXPECT_EQ(icons[link], "1") << link;
    ASSERT_EQ(numbers.size(), icons.size());
    for (std::size_t i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(ports->ListIndexesPng().value(int(i)), icons[numbers[i]]) << numbers[i];
    EXPECT_EQ(ports->currentText(), QString::number(sim->ComNumber()));
}

// Each item's tool tip tells what the system knows about its port; a built-in UART pinned by a link keeps
// the plain serial icon.
TEST_F(MainFormTest, PortItemsShowTheirDescriptionAsToolTipAndALinkedUartItsOwnIcon)
{
    const bool uart = platform::ResolveComPort(1).has_value() || std::filesystem::exists("/dev/ttyS0");
    const std::string uartLink = platform::DosDevicesDir() + "/COM9";
    if (uart)
        ASSERT_EQ(::symlink("/dev/ttyS0", uartLink.c_str()), 0);
    StartDevice({});
    auto* ports = Control<TComboBoxPng>("CB_ComPorts");
    std::map<int, platform::TPortMapEntry> entries;
    for (const platform::TPortMapEntry& entry : platform::ReadPortMap())
        entries[std::stoi(entry.PortName.substr(3))] = entry;
    ASSERT_EQ(ports->count(), int(entries.size()));
    ports->showPopup();
    QAbstractItemView* view = ports->view();
    for (int i = 0; i < ports->count(); ++i) {
        const platform::TPortMapEntry& entry = entries[ports->itemText(i).toInt()];
        const QString description = QString::fromStdString(PortToolTip(entry));
        EXPECT_EQ(ports->itemData(i, Qt::ToolTipRole).toString(), description);
        const QPoint at = view->visualRect(view->model()->index(i, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &help);
        EXPECT_EQ(QToolTip::text(), description) << i;
    }
    ports->hidePopup();
    EXPECT_EQ(entries[sim->ComNumber()].Details.Kind, platform::TPortKind::PseudoTerminal);
    if (!uart)
        GTEST_SKIP() << "no /dev/ttyS0 to pin";
    const int item = ports->findText("9");
    ASSERT_GE(item, 0);
    EXPECT_EQ(ports->ListIndexesPng().value(item), "0");
    EXPECT_EQ(entries[9].DeviceName, "\\Device\\Serial0");
    ::unlink(uartLink.c_str());
}

// The device goes away right when the request reaches it, as an unplugged adapter does.
TEST_F(MainFormTest, DeviceVanishingDuringAReadLeavesTheWindowResponsiveAndReportsIt)
{
    StartDevice({.VanishAfter = 0});
    const std::string number = Number();
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return sim->Vanished(); }, 3000));
    bool loopRan = false;
    QTimer::singleShot(0, [&] { loopRan = true; });
    EXPECT_TRUE(RunUntil([&] { return loopRan; }, 1000));
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Нет ответа от прибора! Установите в приборе Связь с ПК!"); },
                         6000))
        << StatusText().ToUtf8();
    EXPECT_EQ(StatusColor(), clRed);
    EXPECT_EQ(form->LinkOnline(), 0) << "the monitor noticed the port gone";
    EXPECT_FALSE(Line().Open());
    EXPECT_TRUE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    EXPECT_TRUE(form->Exchange().Idle());
    EXPECT_EQ(TScreen::Cursor(), crDefault);
}

struct LookCase {
    const char* control;
    const char* caption; // nullptr: a control without a caption
    const char* family;
    int pixelSize;
    bool bold;
    TColor fontColour;
    bool enabled;
    bool shown; // not hidden by itself
};

const LookCase kLooks[] = {
    {"Label4", "COM", "Tahoma", 24, false, clWindowText, true, true},
    {"Label8", "Скорость", "Tahoma", 24, false, clWindowText, true, true},
    {"CB_ComPorts", nullptr, "Tahoma", 16, true, clWindowText, true, true},
    {"CB_ComSpeeds", nullptr, "Tahoma", 16, true, clWindowText, true, true},
    {"BTN_Quit", "       Выход!", "MS Sans Serif", 16, true, clBlack, true, true},
    {"BTN_OptionsRead", "          Прочитать настройки прибора", "MS Sans Serif", 13, false, clWindowText, true, true},
    {"BTN_OptionsSave", "         Записать настройки прибора", "MS Sans Serif", 13, false, clWindowText, false, true},
    {"SL_1", "Стирание финализированной Quarsa и RW1990", "Tahoma", 19, false, clNavy, true, true},
    {"SL_2", "Режим", "Tahoma", 19, false, clBlack, true, true},
    {"CB_OptionsErase", nullptr, "Tahoma", 13, false, clWindowText, false, true},
    {"CHG_OptionsStatus", nullptr, nullptr, 0, false, clWindowText, true, false},
    {"LB_OptionsStatus", "Чтение настроек...", "MS Sans Serif", 16, false, clWindowText, true, false},
    {"PB_OptionsStatus", nullptr, nullptr, 0, false, clWindowText, true, false},
    {"StatusBarMain", nullptr, "Tahoma", 16, true, clBlack, true, true},
};

TEST_F(MainFormTest, WindowStartsWithItsCaptionsFontsAndStates)
{
    StartDevice({});
    for (const LookCase& look : kLooks) {
        SCOPED_TRACE(look.control);
        const QWidget* widget = Control<QWidget>(look.control);
        ASSERT_NE(widget, nullptr);
        if (look.caption)
            EXPECT_EQ(widget->property("Caption").value<AnsiString>(), Text(look.caption));
        if (look.family) {
            EXPECT_EQ(widget->font().family().toStdString(), look.family);
            EXPECT_EQ(widget->font().pixelSize(), look.pixelSize);
            EXPECT_EQ(widget->font().bold(), look.bold);
            EXPECT_EQ(TControlProperties::FontColor(widget), look.fontColour);
        }
        EXPECT_EQ(widget->isEnabled(), look.enabled);
        EXPECT_EQ(!widget->isHidden(), look.shown);
    }
    EXPECT_EQ(form->font().family(), "MS Sans Serif");
    EXPECT_EQ(form->font().pixelSize(), 11);
}

// The chain that Tab follows from the port list, over every control that takes the focus by Tab.
TEST_F(MainFormTest, TabReachesEveryControlInReadingOrder)
{
    StartDevice({});
    std::vector<std::string> chain;
    QWidget* start = Control<QWidget>("CB_ComPorts");
    for (QWidget* widget = start; chain.size() < 20; widget = widget->nextInFocusChain()) {
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->objectName().isEmpty())
            chain.push_back(widget->objectName().toStdString());
        if (widget->nextInFocusChain() == start)
            break;
    }
    EXPECT_EQ(chain, (std::vector<std::string>{"CB_ComPorts", "CB_ComSpeeds", "BTN_OptionsRead", "BTN_OptionsSave",
                                               "CB_OptionsErase", "BTN_Quit"}));
}

// A screenshot of the whole window, kept beside the test program, checked where the eye would check it.
TEST_F(MainFormTest, ScreenshotShowsTheLitLampTheButtonsAndTheEmptyStatusLine)
{
    StartDevice({});
    const QImage shot = form->grab().toImage();
    shot.save(QCoreApplication::applicationDirPath() + QStringLiteral("/main_window.png"));
    ASSERT_EQ(shot.size(), QSize(543, 229));
    const auto at = [&](const char* control, QPoint point) {
        return shot.pixel(Control<QWidget>(control)->mapTo(form.get(), point));
    };
    const QRgb lamp = at("IMG_OnLineCom", {20, 20});
    EXPECT_GT(qGreen(lamp), qRed(lamp) + 60) << std::hex << lamp;
    EXPECT_EQ(at("StatusBarMain", {270, 12}), ToQRgb(clBtnFace));
    // Text in the window text colour has pixels near black; grey text has none darker than mid grey.
    const auto darkPixels = [&](const char* control, QRect area) {
        int dark = 0;
        const QRect inWindow = area.translated(Control<QWidget>(control)->mapTo(form.get(), QPoint()));
        for (int y = inWindow.top(); y <= inWindow.bottom(); ++y)
            for (int x = inWindow.left(); x <= inWindow.right(); ++x)
                dark += qGray(shot.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_GT(darkPixels("BTN_OptionsRead", {60, 12, 190, 16}), 40) << "the enabled caption is drawn black";
    EXPECT_GT(darkPixels("Label4", {0, 0, 50, 29}), 40);
    EXPECT_GT(darkPixels("CB_ComSpeeds", {4, 4, 50, 19}), 20);
    EXPECT_EQ(darkPixels("BTN_OptionsSave", {60, 12, 190, 16}), 0) << "the disabled caption is grey";
    EXPECT_EQ(darkPixels("CB_OptionsErase", {4, 4, 80, 16}), 0) << "the disabled combo's text is grey";
}

// The dark pixels (text) of an area of a picture: how many rows and columns they span, and the most frequent
// length of their horizontal runs, which is the width of the letters' upright strokes.
struct TInk {
    int height = 0;
    int width = 0;
    int stroke = 0;
};

TInk MeasureInk(const QImage& picture, const QRect& area)
{
    TInk ink;
    int first = -1;
    int left = area.right();
    int right = area.left();
    std::map<int, int> runs;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int run = 0;
        for (int x = area.left(); x <= area.right() + 1; ++x) {
            const bool dark = x <= area.right() && qGray(picture.pixel(x, y)) < 100;
            if (dark) {
                ++run;
            } else if (run > 0) {
                ++runs[run];
                run = 0;
            }
            if (!dark)
                continue;
            first = first < 0 ? y : first;
            ink.height = y - first + 1;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    ink.width = std::max(0, right - left + 1);
    const auto most = std::max_element(runs.begin(), runs.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    ink.stroke = most == runs.end() ? 0 : most->first;
    return ink;
}

struct CaptionCase {
    const char* control;
    QRect area;      // of the caption, in the control
    int inkHeight;   // of its letters: capitals and descenders of the font's size
    int inkWidth;    // of its letters, one pixel more for each when bold
    int stroke;      // 2 for bold, made one pixel wider than the regular letters
};

// Measured on the font's own 16 and 13 pixel bitmaps; drawn at 13 pixels, "Выход!" would be 10 pixels high,
// 33 wide with strokes of 1, and "Чтение настроек..." 11 high and 92 wide.
const CaptionCase kCaptions[] = {
    {"BTN_Quit", {38, 4, 70, 32}, 11, 47, 2},
    {"BTN_OptionsRead", {38, 4, 214, 32}, 11, 153, 1},
    {"LB_OptionsStatus", {0, 0, 143, 20}, 13, 119, 1},
};

TEST_F(MainFormTest, MsSansSerifCaptionsHaveTheSizeAndWeightOfTheirFonts)
{
    StartDevice({});
    form->EnableControls(false); // shows the progress panel with LB_OptionsStatus
    Control<TLabel>("LB_OptionsStatus")->setVisible(true);
    Control<TXpButton>("BTN_OptionsRead")->setEnabled(true); // locked with the panel; measured as at rest
    const QImage shot = form->grab().toImage();
    for (const CaptionCase& caption : kCaptions) {
        SCOPED_TRACE(caption.control);
        const QWidget* control = Control<QWidget>(caption.control);
        const TInk ink = MeasureInk(shot, caption.area.translated(control->mapTo(form.get(), QPoint())));
        EXPECT_EQ(ink.height, caption.inkHeight);
        EXPECT_EQ(ink.width, caption.inkWidth);
        EXPECT_EQ(ink.stroke, caption.stroke);
    }
}

TEST_F(MainFormTest, LampIsDarkAndTheFirstPortChosenWhenTheRememberedPortIsAbsent)
{
    StartDevice({});
    form.reset();
    WriteTextFile(folder.File("zentor.cfg"), "[COM]\nCOM_port=99\nCOM_speed=38400\n");
    form = std::make_unique<TMainForm>();
    EXPECT_EQ(form->LinkOnline(), 0);
    EXPECT_EQ(Control<TComboBoxPng>("CB_ComPorts")->currentIndex(), 0);
    EXPECT_EQ(Control<TComboBox>("CB_ComSpeeds")->Text(), AnsiString("9600"));
    const QImage shot = form->grab().toImage();
    const QRgb lamp = shot.pixel(Control<QWidget>("IMG_OnLineCom")->mapTo(form.get(), QPoint(20, 20)));
    EXPECT_LT(qGreen(lamp), 128) << std::hex << lamp;
}

// A device that never stops sending: no exchange can complete; the window reports it, stays usable and
// closes the port on the next click and at the end.
TEST_F(MainFormTest, ChatteringDeviceNeitherCompletesAReplyNorBlocksTheWindow)
{
    TPtyLink line;
    std::atomic<bool> chatter{true};
    std::thread noise([&] {
        const std::vector<char> garbage(97, char(0xFF));
        while (chatter) {
            [[maybe_unused]] const ssize_t n = ::write(line.pty.Master(), garbage.data(), garbage.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    StartDevice({});
    ConfigFile.ComPort = line.Number();
    form->FillComPorts();
    Click("BTN_OptionsRead");
    const bool ended =
        RunUntil([&] { return StatusIs("Неожиданный ответ прибора: FF FF FF FF FF FF FF FF ..."); }, 8000);
    EXPECT_TRUE(ended) << StatusText().ToUtf8();
    EXPECT_LE(Line().GetInBuffUsed(), 4096u);
    EXPECT_TRUE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    Click("BTN_OptionsRead");
    EXPECT_EQ(StatusText(), StatusLine("Чтение настроек..."));
    form->close();
    EXPECT_FALSE(Line().Open());
    EXPECT_EQ(StatusText(), StatusLine("COM-порт закрыт ... ", std::to_string(line.Number())));
    chatter = false;
    noise.join();
}

// The monitor refills the combos while a read runs (another adapter came), selecting the first port and the
// remembered speed: the port and speed that the device answered on are remembered, not what the refill showed.
// The monitor refills the list while a read runs (another adapter came): the port and speed the user chose stay
// chosen, and the write goes to the port that was read.
TEST_F(MainFormTest, PortAppearingDuringAReadLeavesTheChosenPortAndSpeed)
{
    TPtyLink lower; // takes a number below the device's, so the refill's first item is another port
    StartDevice({.ReplyDelay = std::chrono::milliseconds(600)});
    form.reset();
    WriteTextFile(folder.File("zentor.cfg"), "[COM]\nCOM_port=" + std::to_string(lower.Number()) + "\nCOM_speed=19200\n");
    form = std::make_unique<TMainForm>();
    auto* ports = Control<TComboBoxPng>("CB_ComPorts");
    ASSERT_EQ(ports->currentText().toStdString(), std::to_string(lower.Number()));
    ports->setCurrentIndex(ports->findText(QString::fromStdString(Number())));
    Control<TComboBox>("CB_ComSpeeds")->SetItemIndex(2);
    Click("BTN_OptionsRead");
    TPtyLink plugged(18);
    Tick("TMR_OnlineComPort");
    ASSERT_GE(ports->findText("18"), 0) << "the list was refilled";
    EXPECT_EQ(ports->currentText().toStdString(), Number());
    EXPECT_EQ(Control<TComboBox>("CB_ComSpeeds")->Text(), AnsiString("57600"));
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    Click("BTN_OptionsSave");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Запись настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    EXPECT_EQ(sim->Received().size(), 12u) << "the write went to the port that was read";
    EXPECT_EQ(lower.pty.Read(64, std::chrono::milliseconds(50)).size(), 0u);
}

// When the chosen port goes, the refill falls back to the remembered one.
TEST_F(MainFormTest, RefillSelectsTheRememberedPortWhenTheChosenOneHasGone)
{
    TPtyLink remembered;
    auto chosen = std::make_unique<TPtyLink>();
    StartDevice({});
    ConfigFile.ComPort = remembered.Number();
    auto* ports = Control<TComboBoxPng>("CB_ComPorts");
    ports->setCurrentIndex(ports->findText(QString::number(chosen->Number())));
    chosen.reset();
    Tick("TMR_OnlineComPort");
    EXPECT_EQ(ports->currentText(), QString::number(remembered.Number()));
}

// The window against a line partner that plays each case's bytes and timing (support/scriptedline.h): only the
// device's one answer to the request now on the line is a success. clicks: R for Read, W for Write, each
// once the window is unlocked again. The mode list shows item before the first click.
struct LineCase {
    const char* name;
    const char* script;
    const char* clicks;
    int item;
    const char* message;    // the status line at the end
    int itemAfter;          // the mode list at the end
    bool writeEnabled;      // the write button at the end
};

class MainFormLineTest : public MainFormTest, public testing::WithParamInterface<LineCase> {};

TEST_P(MainFormLineTest, OnlyTheDevicesAnswerToThisRequestIsASuccess)
{
    const LineCase& c = GetParam();
    TPtyLink link;
    TScriptedLine partner(link.pty, c.script);
    partner.Start();
    StartDevice({});
    ConfigFile.ComPort = link.Number();
    form->FillComPorts();
    auto* mode = Control<TComboBox>("CB_OptionsErase");
    mode->SetItemIndex(c.item);
    for (const char* click = c.clicks; *click; ++click) {
        auto* button = Control<TXpButton>(*click == 'R' ? "BTN_OptionsRead" : "BTN_OptionsSave");
        ASSERT_TRUE(RunUntil([&] { return button->isEnabled(); }, 8000)) << "click " << *click;
        button->click();
    }
    const AnsiString expected = StatusLine(c.message);
    ASSERT_TRUE(RunUntil([&] { return StatusText() == expected; }, 8000)) << StatusText().ToUtf8() << " "
                                                                          << partner.Failure();
    RunUntil([&] { return partner.Finished(); }, 2000);
    RunUntil([] { return false; }, 100); // what the partner sent last has come
    EXPECT_EQ(StatusText(), expected) << "and stays";
    EXPECT_EQ(StatusColor(), clRed);
    EXPECT_EQ(mode->ItemIndex(), c.itemAfter);
    EXPECT_EQ(Control<TXpButton>("BTN_OptionsSave")->isEnabled(), c.writeEnabled);
    EXPECT_TRUE(Control<TXpButton>("BTN_OptionsRead")->isEnabled());
    EXPECT_EQ(TScreen::Cursor(), crDefault);
    EXPECT_EQ(partner.Failure(), "");
    EXPECT_EQ(partner.Received().size(), std::strlen(c.clicks) * TScriptedLine::kFrameLength) << "one request a click";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MainFormLineTest,
    testing::Values(
        LineCase{"AnotherValue", "frame 05", "R", 1, "Неожиданный ответ прибора: 05", 1, false},
        LineCase{"TwoBytes", "frame 00 FF", "R", 1, "Неожиданный ответ прибора: 00 FF", 1, false},
        LineCase{"Echo", "frame A5 96 00 D5 00 6B wait:300 FF", "R", 0,
                 "Неожиданный ответ прибора: A5 96 00 D5 00 6B", 0, false},
        LineCase{"NoiseBeforeTheAnswer", "frame wait:10 00 wait:290 FF", "R", 1, "Неожиданный ответ прибора: FF",
                 1, false},
        LineCase{"NoiseRightAfterTheAnswer", "frame FF wait:5 00", "R", 0, "Неожиданный ответ прибора: FF 00", 0,
                 false},
        LineCase{"NoiseBeforeASlowAcknowledgement", "frame 00 frame wait:10 00 wait:690 0F", "RW", 1,
                 "Неожиданный ответ прибора: 00", 0, true},
        // The late 0xFF comes after the second request and cannot be told from an answer; the real answer
        // behind it casts doubt on it.
        LineCase{"LateReplyToAnAbandonedRead", "frame wait:4500 FF frame wait:100 00", "RR", 1,
                 "Неожиданный ответ прибора: 00", 1, false},
        LineCase{"LateAcknowledgementOfAnAbandonedWrite", "frame FF frame wait:4500 0F frame wait:100 FF", "RWR", 0,
                 "Неожиданный ответ прибора: 0F", 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
