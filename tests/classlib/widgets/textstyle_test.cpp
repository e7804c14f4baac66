// Bold captions are visibly bold at every display scale: the strokes of a bold caption, as the control paints
// it at scales 1, 1.25, 1.5, 1.75 and 2, are at least one device pixel wider than those of the same caption in
// the regular weight.
#include "classlib/widgets/button.h"
#include "classlib/widgets/combobox.h"
#include "classlib/widgets/statusbar.h"
#include "classlib/widgets/windowfonts.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>

namespace {

struct TStrokeCase {
    const char* control;
    const char* family;
    std::function<std::unique_ptr<QWidget>()> make;
};

AnsiString Text(const char* utf8) { return AnsiString::FromUtf8(utf8); }

std::unique_ptr<QWidget> Button()
{
    auto button = std::make_unique<TButton>();
    button->SetCaption(Text("Выход!"));
    button->resize(112, 40);
    return button;
}

std::unique_ptr<QWidget> StatusLine()
{
    auto status = std::make_unique<TStatusBar>();
    status->SetSimplePanel(true);
    status->SetSimpleText(Text("Чтение настроек... успешно!"));
    status->resize(300, 25);
    return status;
}

std::unique_ptr<QWidget> List()
{
    auto list = std::make_unique<TComboBox>();
    list->SetStyle(TComboBox::csDropDownList);
    list->SetItems({Text("19200")});
    list->SetItemIndex(0);
    list->resize(81, 27);
    return list;
}

// The widget painted at the scale, as a scaled display shows it.
QImage Painted(QWidget& widget, qreal scale)
{
    QImage image(widget.size() * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    widget.render(&image);
    return image;
}

// Mean length of the horizontal runs of dark pixels inside the widget, less a margin for its frame and the
// list's arrow: the width of the letters' vertical strokes, in device pixels.
double StrokeWidth(const QImage& image, qreal scale)
{
    const QRect inside = QRect(QPoint(), image.size()).adjusted(5 * scale, 5 * scale, -22 * scale, -5 * scale);
    int runs = 0;
    int dark = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const bool ink = qGray(image.pixel(x, y)) < 110;
            dark += ink;
            runs += ink && (x == inside.left() || qGray(image.pixel(x - 1, y)) >= 110);
        }
    return runs ? double(dark) / runs : 0.0;
}

double StrokeWidthOf(const TStrokeCase& test, bool bold, qreal scale)
{
    std::unique_ptr<QWidget> widget = test.make();
    QFont font(QString::fromLatin1(test.family));
    font.setPixelSize(16);
    font.setBold(bold);
    widget->setFont(font);
    return StrokeWidth(Painted(*widget, scale), scale);
}

class BoldAtEveryScale : public testing::TestWithParam<qreal> {
protected:
    static void SetUpTestSuite() { TWindowFonts::Register(); }
};

TEST_P(BoldAtEveryScale, BoldStrokesAreAtLeastOneDevicePixelWider)
{
    const qreal scale = GetParam();
    const TStrokeCase cases[] = {
        {"button", "MS Sans Serif", Button},
        {"status line", "Tahoma", StatusLine},
        {"list", "Tahoma", List},
    };
    for (const TStrokeCase& test : cases) {
        SCOPED_TRACE(test.control);
        const double regular = StrokeWidthOf(test, false, scale);
        const double bold = StrokeWidthOf(test, true, scale);
        EXPECT_GT(regular, 0.5);
        EXPECT_GE(bold, regular + 1.0) << "regular " << regular << ", bold " << bold << " at scale " << scale;
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, BoldAtEveryScale, testing::Values(1.0, 1.25, 1.5, 1.75, 2.0));

} // namespace
