// The main window end to end against the simulated device on a pseudo-terminal: the bytes on the line,
// the window's state and the status line after read, write, silence and a vanished port.
#include "app/configfile.h"
#include "app/formclasses.h"
#include "app/main_form.h"
#include "classlib/combobox.h"
#include "classlib/screen.h"
#include "classlib/statusbar.h"
#include "classlib/tcolor.h"
#include "controls/comboboxpng.h"
#include "controls/xpbutton.h"
#include "support/tempfolder.h"
#include "tools/zentor-sim/zentorsim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

AnsiString Text(const char* utf8) { return AnsiString::FromUtf8(utf8); }

// Runs the event loop until done() holds or limitMs have passed; whether it holds.
bool RunUntil(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class MainFormTest : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterFormClasses(); }

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

struct ReadCase {
    std::uint8_t value;
    int expectedItem;
};

class MainFormReadTest : public MainFormTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(MainFormReadTest, ReadSelectsTheModeOfTheReplyAndUnlocksTheWindow)
{
    StartDevice({.InitialValue = GetParam().value});
    Control<TComboBox>("CB_OptionsErase")->SetItemIndex(0);
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    EXPECT_EQ(sim->Received(), (Bytes{0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B}));
    EXPECT_EQ(Control<TComboBox>("CB_OptionsErase")->ItemIndex(), GetParam().expectedItem);
    EXPECT_TRUE(Control<TXpButton>("BTN_OptionsSave")->isEnabled());
    EXPECT_TRUE(Control<TComboBoxPng>("CB_ComPorts")->isEnabled());
    EXPECT_EQ(TScreen::Cursor(), crDefault);
    EXPECT_TRUE(form->Exchange().Idle());
}

INSTANTIATE_TEST_SUITE_P(Replies, MainFormReadTest,
                         testing::Values(ReadCase{0x00, 0}, ReadCase{0xFF, 1}, ReadCase{0x05, 0}));

TEST_F(MainFormTest, WriteSendsTheChosenModeAfterARead)
{
    StartDevice({.InitialValue = 0x00});
    Click("BTN_OptionsRead");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Чтение настроек... успешно!"); }, 5000));
    Control<TComboBox>("CB_OptionsErase")->SetItemIndex(1);
    Click("BTN_OptionsSave");
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Запись настроек... успешно!"); }, 5000)) << StatusText().ToUtf8();
    const Bytes line = sim->Received();
    ASSERT_EQ(line.size(), 12u);
    EXPECT_EQ(Bytes(line.begin() + 6, line.end()), (Bytes{0xA5, 0x96, 0x01, 0xD5, 0xFF, 0x6B}));
    EXPECT_EQ(sim->Register(zentorsim::kEraseModeRegister), 0xFF);
}

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

} // namespace
