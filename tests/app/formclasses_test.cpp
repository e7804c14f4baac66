// The embedded main window description read into a form with every class registered: each control is
// there with its class and place, and the rendered window shows the panels, the status line and pictures.
#include "app/formclasses.h"
#include "classlib/graphics/canvas.h"
#include "classlib/forms/classregistry.h"
#include "classlib/widgets/combobox.h"
#include "classlib/widgets/form.h"
#include "classlib/base/exception.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/formwriter.h"
#include "classlib/widgets/image.h"
#include "classlib/widgets/statusbar.h"
#include "classlib/widgets/timer.h"
#include "controls/controltestsupport.h"
#include "png/pngfunctions.h"
#include "png/pngimagecollection.h"
#include "png/pngimagelist.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>

#include <string>

// A root with a handler of every name the description binds.
class TLoadedMainForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;

public slots:
    void FormActivate(QObject*) {}
    void FormClose(QObject*, TCloseAction&) {}
    void BTN_QuitClick(QObject*) {}
    void BTN_OptionsReadClick(QObject*) {}
    void BTN_OptionsSaveClick(QObject*) {}
    void SystemMessTimerTimer(QObject*) {}
    void CallbackTimerTimer(QObject*) {}
    void TMR_OnlineComPortTimer(QObject*) {}
    void CommPort1DataReceived(QObject*, quint32) {}
};

namespace {

struct TPlacedControl {
    const char* name;
    const char* className;
    const char* parent;
    QRect geometry;
};

const TPlacedControl kControls[] = {
    {"Panel1", "TPanel", "MainForm", {0, 0, 543, 204}},
    {"IMG_OnLineCom", "TImage", "Panel1", {8, 8, 40, 40}},
    {"Label4", "TLabel", "Panel1", {56, 12, 50, 29}},
    {"CB_ComPorts", "TComboBoxPng", "Panel1", {111, 12, 74, 30}},
    {"Label8", "TLabel", "Panel1", {200, 12, 99, 29}},
    {"CB_ComSpeeds", "TComboBox", "Panel1", {304, 14, 81, 27}},
    {"BTN_Quit", "TXpButton", "Panel1", {425, 8, 112, 40}},
    {"Bevel1", "TBevel", "Panel1", {8, 45, 529, 9}},
    {"BTN_OptionsRead", "TXpButton", "Panel1", {9, 64, 256, 40}},
    {"BTN_OptionsSave", "TXpButton", "Panel1", {281, 64, 256, 40}},
    {"CHG_OptionsErase", "TGradientCheck", "Panel1", {8, 115, 529, 78}},
    {"SL_1", "TShadowLabel", "CHG_OptionsErase", {8, 5, 505, 25}},
    {"SL_2", "TShadowLabel", "CHG_OptionsErase", {13, 37, 156, 25}},
    {"CB_OptionsErase", "TComboBox", "CHG_OptionsErase", {78, 40, 121, 24}},
    {"CHG_OptionsStatus", "TGradientCheck", "Panel1", {8, 115, 257, 46}},
    {"LB_OptionsStatus", "TLabel", "CHG_OptionsStatus", {8, 3, 143, 20}},
    {"PB_OptionsStatus", "TProgressBar", "CHG_OptionsStatus", {8, 25, 241, 17}},
    {"StatusBarMain", "TStatusBar", "MainForm", {0, 204, 543, 25}},
};

struct TNonVisual {
    const char* name;
    const char* className;
};

const TNonVisual kComponents[] = {
    {"SystemMessTimer", "TTimer"}, {"CallbackTimer", "TTimer"}, {"TMR_OnlineComPort", "TTimer"},
    {"CommPort1", "TCommPort"},    {"PIL_OnLineCom", "TPngImageList"}, {"PIL_Device", "TPngImageList"},
};

class MainFormLoad : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterWindowFonts();
        RegisterFormClasses();
    }

    MainFormLoad()
    {
        RegisterClass<TLoadedMainForm>("TMainForm");
        TFormReader::ReadFile(&form, ":/forms/main_form.zfm");
    }

    template <class T = QObject>
    T* Find(const char* name)
    {
        return form.findChild<T*>(name);
    }

    QRgb PixelAt(const char* control, QPoint point)
    {
        const QWidget* widget = Find<QWidget>(control);
        return window.pixel(widget->mapTo(&form, point));
    }

    TLoadedMainForm form;
    QImage window;
};

TEST_F(MainFormLoad, EveryControlHasItsClassParentAndPlace)
{
    window = form.grab().toImage(); // lays the window out as showing it would
    EXPECT_EQ(form.size(), QSize(543, 229));
    for (const TPlacedControl& expected : kControls) {
        SCOPED_TRACE(expected.name);
        const auto* widget = Find<QWidget>(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(TClassRegistry::ClassNameOf(widget), expected.className);
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), expected.parent);
        EXPECT_EQ(widget->geometry(), expected.geometry);
    }
    for (const TNonVisual& expected : kComponents) {
        SCOPED_TRACE(expected.name);
        const QObject* component = Find(expected.name);
        ASSERT_NE(component, nullptr);
        EXPECT_EQ(TClassRegistry::ClassNameOf(component), expected.className);
    }
}

TEST_F(MainFormLoad, EveryControlHasItsPlaceRightAfterReadingAndIsWrittenSo)
{
    for (const TPlacedControl& expected : kControls)
        EXPECT_EQ(Find<QWidget>(expected.name)->geometry(), expected.geometry) << expected.name;
    const std::string text = TFormWriter::Write(&form);
    const auto block = [&text](const std::string& name) {
        const std::size_t start = text.find("object " + name + ":");
        return start == std::string::npos ? std::string() : text.substr(start, text.find("\n    object", start) - start);
    };
    EXPECT_NE(block("Panel1").find("    Height = 204\n"), std::string::npos) << block("Panel1");
    EXPECT_NE(block("StatusBarMain").find("    Top = 204\n"), std::string::npos) << block("StatusBarMain");
}

TEST_F(MainFormLoad, WindowSettingsListsAndTimersAreRead)
{
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8(" Стирание финализированной Quarsa (для Zentor)  версия 0.15"));
    EXPECT_EQ(form.BorderStyle(), TForm::bsSingle);
    EXPECT_EQ(form.BorderIcons(), TForm::biSystemMenu | TForm::biMinimize);
    EXPECT_EQ(form.Position(), TForm::poDesktopCenter);
    const auto* speeds = Find<TComboBox>("CB_ComSpeeds");
    EXPECT_EQ(speeds->Items(), (QList<AnsiString>{"9600", "19200", "57600"}));
    EXPECT_EQ(speeds->Text(), AnsiString("9600"));
    EXPECT_EQ(speeds->Style(), TComboBox::csDropDownList);
    EXPECT_EQ(speeds->ItemHeight(), 19);
    const auto* erase = Find<TComboBox>("CB_OptionsErase");
    EXPECT_EQ(erase->Items(), (QList<AnsiString>{AnsiString::FromUtf8("Стираем"), AnsiString::FromUtf8("Не стираем")}));
    EXPECT_EQ(erase->ItemIndex(), 0);
    EXPECT_FALSE(erase->isEnabled());
    struct TTimerSetting {
        const char* name;
        int interval;
        bool enabled;
    };
    for (const TTimerSetting& expected : {TTimerSetting{"SystemMessTimer", 5000, false},
                                          TTimerSetting{"CallbackTimer", 3000, false},
                                          TTimerSetting{"TMR_OnlineComPort", 2000, true}}) {
        SCOPED_TRACE(expected.name);
        const auto* timer = Find<TTimer>(expected.name);
        EXPECT_EQ(timer->Interval(), expected.interval);
        EXPECT_EQ(timer->Enabled(), expected.enabled);
    }
    EXPECT_TRUE(Find<TStatusBar>("StatusBarMain")->SimplePanel());
    EXPECT_FALSE(Find<TStatusBar>("StatusBarMain")->UseSystemFont());
}

TEST_F(MainFormLoad, RenderedWindowShowsPanelsStatusLinePicturesAndTheLamp)
{
    TPNGObject lamp;
    CopyImageFromImageList(lamp, *Find<TPngImageList>("PIL_OnLineCom"), 1);
    auto* image = Find<TImage>("IMG_OnLineCom");
    image->Canvas().FillRect(image->rect());
    DrawPNG(lamp, image->Canvas(), image->rect(), {});
    window = form.grab().toImage();
    window.save(QCoreApplication::applicationDirPath() + QStringLiteral("/main_form_rendered.png"));

    struct TExpectedPixel {
        const char* control;
        QPoint point;
        QRgb colour;
    };
    const TExpectedPixel kPixels[] = {
        {"Panel1", {270, 58}, qRgb(255, 255, 255)},                // the white panel between the rows
        {"Panel1", {542, 203}, ToQRgb(clBtnShadow)},               // its raised outer bevel
        {"Panel1", {1, 1}, ToQRgb(clBtnShadow)},                   // its lowered inner bevel
        {"Bevel1", {100, 7}, ToQRgb(clBtnShadow)},                 // the engraved line
        {"CHG_OptionsErase", {0, 40}, qRgb(192, 192, 192)},        // silver outline
        {"CHG_OptionsErase", {300, 70}, qRgb(255, 251, 240)},      // filled cream
        {"StatusBarMain", {300, 12}, ToQRgb(clBtnFace)},
        {"IMG_OnLineCom", {0, 0}, qRgb(255, 255, 255)},            // the image's white around the lamp
    };
    for (const TExpectedPixel& expected : kPixels) {
        const QRgb actual = PixelAt(expected.control, expected.point);
        EXPECT_TRUE(Near(actual, expected.colour, 3))
            << expected.control << " at " << expected.point.x() << "," << expected.point.y() << ": "
            << std::hex << actual << " instead of " << expected.colour;
    }
    const QRgb lampCentre = PixelAt("IMG_OnLineCom", {20, 20});
    EXPECT_GT(qGreen(lampCentre), qRed(lampCentre) + 60) << std::hex << lampCentre;
    const QRgb quitPicture = PixelAt("BTN_Quit", {12, 30});
    EXPECT_GT(qRed(quitPicture), qGreen(quitPicture) + 80) << std::hex << quitPicture;
}

// Descriptions of image lists and picture collections read into a plain form with every class registered.
class ImageListDescription : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterFormClasses(); }

    std::string ErrorOf(const std::string& text)
    {
        try {
            TFormReader::Read(&form, text);
        } catch (const EReadError& error) {
            return error.Message().ToUtf8();
        }
        return "no error";
    }

    static std::string Item(const std::string& hex, const char* more = "")
    {
        return "      item\n        PngImage.Data = {" + hex + "}\n" + more + "      end";
    }

    static std::string PngHex()
    {
        QImage image(2, 2, QImage::Format_ARGB32);
        image.fill(qRgba(0, 0, 255, 255));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes.toHex().toUpper().toStdString();
    }

    TForm form;
};

TEST_F(ImageListDescription, BadPictureIsReportedAtItsLineWithItsItem)
{
    const std::string good = PngHex();
    EXPECT_EQ(ErrorOf("object F: TForm\n"
                      "  object PIL: TPngImageList\n"
                      "    PngImages = <\n" +
                      Item(good) + "\n" + Item(good) + "\n" + Item("89504E47") + ">\n"
                      "  end\n"
                      "end\n"),
              "Line 11: PIL (TPngImageList).PngImages[2]: PNG image property PngImage.Data: corrupt PNG data "
              "(Unexpected end of PNG data)");
}

TEST_F(ImageListDescription, ItemBackgroundTakesTheColoursAControlTakes)
{
    TFormReader::Read(&form, "object F: TForm\n"
                             "  object PIL: TPngImageList\n"
                             "    PngImages = <\n" +
                             Item(PngHex(), "        Background = $8000000F\n") + ">\n"
                             "  end\n"
                             "end\n");
    EXPECT_EQ(form.findChild<TPngImageList*>("PIL")->PngImages().GetItem(0)->Background(), clBtnFace);
}

TEST_F(ImageListDescription, PictureCollectionIsARegisteredClass)
{
    TFormReader::Read(&form, "object F: TForm\n"
                             "  object Pictures: TPngImageCollection\n"
                             "    Items = <\n" +
                             Item(PngHex(), "        Name = 'Blue'\n") + ">\n"
                             "  end\n"
                             "end\n");
    const auto* pictures = form.findChild<TPngImageCollection*>("Pictures");
    ASSERT_NE(pictures, nullptr);
    EXPECT_EQ(pictures->Items().GetItem(0)->Name(), AnsiString("Blue"));
}

TEST_F(ImageListDescription, ListAtTheOriginStoresNoPosition)
{
    auto* list = new TPngImageList(&form);
    list->setObjectName("PIL");
    const std::string text = TFormWriter::Write(&form);
    EXPECT_EQ(text.find("Left"), std::string::npos) << text;
    EXPECT_EQ(text.find("Top"), std::string::npos) << text;
    list->SetDesignPosition(0, 168);
    EXPECT_NE(TFormWriter::Write(&form).find("    Top = 168\n"), std::string::npos);
    EXPECT_EQ(TFormWriter::Write(&form).find("Left"), std::string::npos);
}

} // namespace

#include "formclasses_test.moc"
