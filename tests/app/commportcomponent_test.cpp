#include "app/commportcomponent.h"

#include "classlib/forms/classregistry.h"
#include "classlib/base/exception.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/formwriter.h"
#include "comm/commtestsupport.h"
#include "support/ptylink.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace {

class TPortForm : public QWidget {
    Q_OBJECT

public:
    explicit TPortForm(QWidget* parent = nullptr) : QWidget(parent) {}

    std::vector<quint32> counts;
    std::vector<qint32> opens;

public slots:
    void CommPort1DataReceived(QObject*, quint32 Count) { counts.push_back(Count); }
    void CommPort1Open(QObject*, qint32 Error) { opens.push_back(Error); }
};

class CommPortComponent : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        TCommPortComponent::Register();
        RegisterClass<TPortForm>("TPortForm");
    }

    TCommPortComponent& Port() { return *form.findChild<TCommPortComponent*>("CommPort1"); }

    TPortForm form;
};

const std::string kMainWindowPort = "object Form: TPortForm\n"
                                    "  object CommPort1: TCommPort\n"
                                    "    ComNumber = 1\n"
                                    "    DTR = True\n"
                                    "    RTS = True\n"
                                    "    InSize = 4096\n"
                                    "    OutSize = 8192\n"
                                    "    Baud = 9600\n"
                                    "    BaudRate = cbr9600\n"
                                    "    DataBits = 8\n"
                                    "    MonitorEvents = [evRxChar, evTxEmpty, evCTS, evDSR, evRlsd, evRing]\n"
                                    "    XoffLim = 8\n"
                                    "    XonChar = 17\n"
                                    "    XoffChar = 19\n"
                                    "    OnDataReceived = CommPort1DataReceived\n"
                                    "  end\n"
                                    "end\n";

} // namespace

TEST_F(CommPortComponent, TheMainWindowsPortSettingsReachThePort)
{
    TFormReader::Read(&form, kMainWindowPort);
    const TCommPort& port = Port().Port();
    EXPECT_EQ(port.ComNumber(), 1);
    EXPECT_TRUE(port.DTR());
    EXPECT_TRUE(port.RTS());
    EXPECT_EQ(port.InSize(), 4096u);
    EXPECT_EQ(port.OutSize(), 8192u);
    EXPECT_EQ(port.BaudRate(), cbr9600);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.MonitorEvents(), (TEventStates{evRxChar, evTxEmpty, evCTS, evDSR, evRlsd, evRing}));
    EXPECT_EQ(port.XoffLim(), 8);
    EXPECT_EQ(port.XonChar(), 0x11);
    EXPECT_EQ(port.XoffChar(), 0x13);
    EXPECT_FALSE(port.Open());
}

TEST_F(CommPortComponent, WritesEveryValueThatIsNotZeroAndReadsItBack)
{
    TFormReader::Read(&form, kMainWindowPort);
    const std::string text = TFormWriter::Write(&form);
    EXPECT_EQ(text, kMainWindowPort);
    TPortForm copy;
    TFormReader::Read(&copy, text);
    EXPECT_EQ(TFormWriter::Write(&copy), text);
}

// What is read is written so that reading and writing it again gives the same text: a zero the constructor
// does not set, and a value another one caps (XoffLim by an InSize set below it).
TEST_F(CommPortComponent, WrittenValuesReadBackToTheSameText)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ComNumber = 0", "ComNumber = 0"},
        {"XoffLim = 0", "XoffLim = 0"},
        {"MonitorEvents = []", "MonitorEvents = []"},
        {"InSize = 20", "XoffLim = 20"},
        {"InSize = 0", "XoffLim = 0"},
    };
    for (const auto& [given, expected] : cases) {
        const std::string text =
            "object Form: TPortForm\n  object CommPort1: TCommPort\n    " + given + "\n  end\nend\n";
        TPortForm first;
        TFormReader::Read(&first, text);
        const std::string written = TFormWriter::Write(&first);
        EXPECT_NE(written.find(expected), std::string::npos) << expected << " missing from\n" << written;
        TPortForm copy;
        TFormReader::Read(&copy, written);
        EXPECT_EQ(TFormWriter::Write(&copy), written) << given;
    }
}

TEST_F(CommPortComponent, ValuesOutsideTheTypesAreRefusedWithTheirLine)
{
    try {
        TFormReader::Read(&form, "object Form: TPortForm\n  object CommPort1: TCommPort\n    XonChar = 256\n  end\nend\n");
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message().ToUtf8(), "Line 3: CommPort1 (TCommPort).XonChar: 256 is out of range 0..255");
    }
}

TEST_F(CommPortComponent, PortEventsReachTheFormsHandlers)
{
    TPtyLink link;
    TFormReader::Read(&form, "object Form: TPortForm\n"
                             "  object CommPort1: TCommPort\n"
                             "    ComNumber = " + std::to_string(link.Number()) + "\n"
                             "    OnDataReceived = CommPort1DataReceived\n"
                             "    OnOpen = CommPort1Open\n"
                             "  end\n"
                             "end\n");
    Port().SetOpen(true);
    ASSERT_TRUE(Port().Open());
    link.pty.Write("abc", 3);
    ASSERT_TRUE(PumpUntil([&] { return !form.counts.empty() && form.counts.back() == 3; }));
    EXPECT_EQ(form.opens.size(), 1u);
    Port().SetOpen(false);
}

TEST_F(CommPortComponent, OpenFromTheDescriptionWaitsForTheWholeDescription)
{
    TPtyLink link;
    TFormReader::Read(&form, "object Form: TPortForm\n"
                             "  object CommPort1: TCommPort\n"
                             "    ComNumber = " + std::to_string(link.Number()) + "\n"
                             "    Open = True\n"
                             "    InSize = 4096\n"
                             "    Baud = 19200\n"
                             "    DataBits = 7\n"
                             "    OnOpen = CommPort1Open\n"
                             "  end\n"
                             "end\n");
    EXPECT_TRUE(Port().Open());
    EXPECT_EQ(form.opens.size(), 1u) << "opened once, after the line settings and the handler";
    EXPECT_EQ(Port().Port().BaudRate(), cbr19200);
    EXPECT_EQ(Port().Port().DataBits(), 7);
    EXPECT_EQ(Port().Port().InSize(), 4096u);
    Port().SetOpen(false);
}

#include "commportcomponent_test.moc"
