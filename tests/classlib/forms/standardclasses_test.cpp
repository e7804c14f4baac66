// The standard classes through a window description: aligned children, list and range properties,
// the timer, the image canvas and the status line colour.
#include "classlib/widgets/combobox.h"
#include "classlib/widgets/datetimepicker.h"
#include "classlib/widgets/edit.h"
#include "classlib/base/exception.h"
#include "classlib/widgets/form.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/formwriter.h"
#include "classlib/widgets/image.h"
#include "classlib/widgets/memo.h"
#include "classlib/widgets/progressbar.h"
#include "classlib/forms/standardclasses.h"
#include "classlib/widgets/statusbar.h"
#include "classlib/widgets/timer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {

class StandardClasses : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterStandardClasses(); }

    void Read(const std::string& children)
    {
        TFormReader::Read(&form, "object Form: TForm\n  ClientWidth = 300\n  ClientHeight = 200\n" + children + "end\n");
        form.grab(); // lays the window out as showing it would
    }

    template <class T>
    T* Find(const char* name)
    {
        return form.findChild<T*>(name);
    }

    TForm form;
};

TEST_F(StandardClasses, AlignedChildrenShareTheClientAreaInEdgeOrder)
{
    Read("  object Fill: TPanel\n    Align = alClient\n  end\n"
         "  object Bottom: TStatusBar\n    Height = 20\n  end\n"
         "  object Top: TPanel\n    Height = 30\n    Align = alTop\n  end\n"
         "  object Left: TPanel\n    Width = 40\n    Align = alLeft\n  end\n");
    const struct {
        const char* name;
        QRect geometry;
    } expected[] = {
        {"Top", {0, 0, 300, 30}}, {"Bottom", {0, 180, 300, 20}}, {"Left", {0, 30, 40, 150}}, {"Fill", {40, 30, 260, 150}}};
    for (const auto& control : expected)
        EXPECT_EQ(Find<QWidget>(control.name)->geometry(), control.geometry) << control.name;
}

TEST_F(StandardClasses, EditControlsReadTheirTexts)
{
    Read("  object E: TEdit\n    Text = 'abc'\n  end\n"
         "  object M: TMemo\n    Lines.Strings = (\n      'one'\n      'two')\n  end\n"
         "  object D: TDateTimePicker\n  end\n");
    EXPECT_EQ(Find<TEdit>("E")->text(), "abc");
    EXPECT_EQ(Find<TMemo>("M")->toPlainText(), "one\ntwo");
    EXPECT_NE(Find<TDateTimePicker>("D"), nullptr);
}

TEST_F(StandardClasses, ListAndRangeValuesOutsideTheirBoundsAreRefused)
{
    const struct {
        const char* description;
        const char* message;
    } refused[] = {
        {"  object C: TComboBox\n    Items.Strings = (\n      'a')\n    ItemIndex = 1\n  end\n", "ItemIndex 1"},
        {"  object P: TProgressBar\n    Min = 200\n  end\n", "Min 200"},
        {"  object C: TComboBox\n    ItemHeight = 0\n  end\n", "ItemHeight 0"},
    };
    for (const auto& entry : refused) {
        try {
            Read(entry.description);
            ADD_FAILURE() << entry.description;
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(entry.message), std::string::npos) << error.what();
        }
    }
}

TEST_F(StandardClasses, ComboBoxTextSelectsInAListAndProgressStaysInRange)
{
    Read("  object C: TComboBox\n    Style = csDropDownList\n    Items.Strings = (\n      'x'\n      'y')\n  end\n"
         "  object P: TProgressBar\n    Max = 50\n    Position = 80\n  end\n");
    auto* combo = Find<TComboBox>("C");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetText("y");
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetText("z");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(Find<TProgressBar>("P")->Position(), 50);
}

// The typed text of an editable box is written and reads back; a text the selected item gives, or that a
// list box shows, is not written.
TEST_F(StandardClasses, TypedTextOfAnEditableComboBoxIsKept)
{
    Read("  object Typed: TComboBox\n    Items.Strings = (\n      'x')\n    Text = 'typed'\n  end\n"
         "  object Picked: TComboBox\n    Items.Strings = (\n      'x')\n    ItemIndex = 0\n  end\n"
         "  object Listed: TComboBox\n    Style = csDropDownList\n    Items.Strings = (\n      'x')\n"
         "    ItemIndex = 0\n  end\n");
    EXPECT_EQ(Find<TComboBox>("Typed")->Text(), AnsiString("typed"));
    const std::string written = TFormWriter::Write(&form);
    EXPECT_EQ(written.find("Text = "), written.rfind("Text = ")) << written;
    EXPECT_NE(written.find("Text = 'typed'"), std::string::npos) << written;
    TForm copy;
    TFormReader::Read(&copy, written);
    EXPECT_EQ(copy.findChild<TComboBox*>("Typed")->Text(), AnsiString("typed"));
    EXPECT_EQ(TFormWriter::Write(&copy), written);
}

TEST_F(StandardClasses, TimerFiresWhileEnabledAndStopsWhenDisabled)
{
    Read("  object T: TTimer\n    Interval = 20\n    Left = 7\n  end\n");
    auto* timer = Find<TTimer>("T");
    int fired = 0;
    QObject::connect(timer, &TTimer::OnTimer, [&](QObject* sender) {
        EXPECT_EQ(sender, timer);
        ++fired;
    });
    QElapsedTimer waited;
    waited.start();
    while (fired == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(fired, 1);
    timer->SetEnabled(false);
    fired = 0;
    QThread::msleep(60);
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, 0);
}

TEST_F(StandardClasses, ImageShowsWhatItsCanvasDrawsAndStatusBarItsColour)
{
    Read("  object I: TImage\n    Width = 20\n    Height = 10\n  end\n"
         "  object S: TStatusBar\n    SimplePanel = True\n  end\n");
    auto* image = Find<TImage>("I");
    TCanvas& canvas = image->Canvas();
    EXPECT_EQ(canvas.Brush.Color, clWhite);
    canvas.Brush.Color = clRed;
    canvas.FillRect(QRect(10, 0, 10, 10));
    Find<TStatusBar>("S")->SetColor(clLime);
    const QImage window = form.grab().toImage();
    EXPECT_EQ(window.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(window.pixel(15, 5), qRgb(255, 0, 0));
    EXPECT_EQ(window.pixel(150, 190), qRgb(0, 255, 0));
    EXPECT_EQ(image->Canvas().Brush.Color, clRed); // the canvas keeps its tools between paints
}

} // namespace
