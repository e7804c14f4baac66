#include "controls/shadowlabel.h"

#include "classlib/forms/classregistry.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/formwriter.h"
#include "controltestsupport.h"
#include "pixeltestsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaProperty>
#include <QPainter>

#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ::PrintTo; // names the cases in failure messages

constexpr QRgb kBackground = qRgb(90, 90, 140);
constexpr QRgb kText = qRgb(200, 0, 0);
constexpr QRgb kShadow = qRgb(0, 0, 230);
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kGreen = qRgb(0, 255, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kYellow = qRgb(255, 255, 0);
constexpr int kMargin = 8; // rendered around the label, to see that nothing is drawn outside it

const AnsiString kCaption = AnsiString::FromUtf8("Стирание Quarsa");

class ShadowLabelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterWindowFonts(); }

    ShadowLabelTest()
    {
        parent.resize(320, 80);
        parent.setAutoFillBackground(true);
        QPalette colours = parent.palette();
        colours.setColor(QPalette::Window, kBackground);
        parent.setPalette(colours);
        QFont font("Tahoma");
        font.setPixelSize(19);
        label.setFont(font);
        SetTextColour(kText);
        label.fSetShadowColor(FromQRgb(kShadow));
        label.fSetCaption(kCaption);
        Resize(200);
        parent.show();
        QApplication::processEvents();
    }

    void Resize(int width) { label.setGeometry(20, 20, width, 25); }

    void SetTextColour(QRgb colour) { TControlProperties::SetFontColor(&label, FromQRgb(colour)); }

    QRect Around() const { return label.geometry().adjusted(-kMargin, -kMargin, kMargin, kMargin); }
    QImage Rendered() { return parent.grab(Around()).toImage().convertToFormat(QImage::Format_RGB32); }

    // The background with draw's output clipped to the label's place, in the label's coordinates.
    QImage Expected(const std::function<void(TCanvas&)>& draw)
    {
        QImage image(Around().size(), QImage::Format_RGB32);
        image.fill(kBackground);
        QPainter painter(&image);
        painter.setClipRect(QRect(QPoint(kMargin, kMargin), label.size()));
        painter.translate(kMargin, kMargin);
        TCanvas canvas(painter);
        canvas.Brush.Style = bsClear;
        draw(canvas);
        return image;
    }

    void TextAt(TCanvas& canvas, QPoint at, QRgb colour)
    {
        canvas.Font = TFont::FromQFont(label.font(), FromQRgb(colour));
        canvas.TextOut(at.x(), at.y(), label.Caption());
    }

    QSize TextSize()
    {
        QImage scratch(1, 1, QImage::Format_RGB32);
        TCanvas canvas(&scratch);
        canvas.Font = TFont::FromQFont(label.font(), clBlack);
        return QSize(canvas.TextWidth(label.Caption()), canvas.TextHeight(label.Caption()));
    }

    QWidget parent;
    TShadowLabel label{&parent};
};

// Pixels where two pictures differ.
int Differences(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height() + 1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y);
    return differing;
}

struct PlaceCase {
    std::string name;
    TShadowLabel::TAlignment alignment;
    int frame;
    int width;
    AnsiString caption;
    // Expected left edge of the text from the label and text widths.
    std::function<int(int labelWidth, int textWidth)> x;
};

class ShadowLabelPlace : public ShadowLabelTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ShadowLabelPlace, PutsTheTextAtItsPlaceAndClipsItToTheLabel)
{
    const PlaceCase& c = GetParam();
    label.fSetShadow(false);
    label.fSetAlignment(c.alignment);
    label.fSetFrame(c.frame);
    label.fSetCaption(c.caption);
    Resize(c.width);
    const QSize text = TextSize();
    const QPoint at(c.x(c.width, text.width()), (25 - text.height()) / 2);
    const QImage expected = Expected([&](TCanvas& canvas) { TextAt(canvas, at, kText); });
    ASSERT_GT(Differences(expected, Expected([](TCanvas&) {})), 20) << "the text shows";
    EXPECT_EQ(Differences(Rendered(), expected), 0) << "text at " << at.x() << ", " << at.y();
}

const AnsiString kLong = AnsiString::FromUtf8("Стирание финализированной Quarsa и RW1990");

INSTANTIATE_TEST_SUITE_P(
    Alignments, ShadowLabelPlace,
    ::testing::Values(
        PlaceCase{"left_frame_3", TShadowLabel::taLeftJustify, 3, 200, kCaption, [](int, int) { return 3; }},
        PlaceCase{"left_frame_12", TShadowLabel::taLeftJustify, 12, 200, kCaption, [](int, int) { return 12; }},
        PlaceCase{"left_too_long", TShadowLabel::taLeftJustify, 3, 90, kLong, [](int, int) { return 3; }},
        PlaceCase{"right_frame_5", TShadowLabel::taRightJustify, 5, 200, kCaption,
                  [](int w, int t) { return w - t - 5; }},
        PlaceCase{"right_too_long_starts_at_frame", TShadowLabel::taRightJustify, 6, 120, kLong,
                  [](int, int) { return 6; }},
        PlaceCase{"centre_even", TShadowLabel::taCenter, 40, 200, kCaption, [](int w, int t) { return (w - t) / 2; }},
        PlaceCase{"centre_odd", TShadowLabel::taCenter, 0, 201, kCaption, [](int w, int t) { return (w - t) / 2; }},
        PlaceCase{"centre_too_long_cut_both_sides", TShadowLabel::taCenter, 3, 100, kLong,
                  [](int w, int t) { return (w - t) / 2; }},
        PlaceCase{"ampersand_drawn_as_is", TShadowLabel::taLeftJustify, 3, 200, "&Read && write",
                  [](int, int) { return 3; }}),
    CaseName);

struct ShadowCase {
    std::string name;
    bool enabled;
    bool shadow;
    QPoint displace;
    QRgb shadowSeen; // colour the shadow is drawn in; unused without a shadow
    QRgb textSeen;
};

class ShadowLabelShadow : public ShadowLabelTest, public ::testing::WithParamInterface<ShadowCase> {};

TEST_P(ShadowLabelShadow, DrawsTheShadowFirstThenTheText)
{
    const ShadowCase& c = GetParam();
    label.setEnabled(c.enabled);
    label.fSetShadow(c.shadow);
    label.fSetDisplaceX(c.displace.x());
    label.fSetDisplaceY(c.displace.y());
    const QPoint at(3, (25 - TextSize().height()) / 2);
    const QImage expected = Expected([&](TCanvas& canvas) {
        if (c.shadow)
            TextAt(canvas, at + c.displace, c.shadowSeen);
        TextAt(canvas, at, c.textSeen);
    });
    EXPECT_EQ(Differences(Rendered(), expected), 0);
    EXPECT_EQ(TControlProperties::FontColor(&label), FromQRgb(kText)) << "own colour kept";
}

INSTANTIATE_TEST_SUITE_P(
    Passes, ShadowLabelShadow,
    ::testing::Values(ShadowCase{"one_right_one_down", true, true, {1, 1}, kShadow, kText},
                      ShadowCase{"three_right_two_down", true, true, {3, 2}, kShadow, kText},
                      ShadowCase{"left_and_up", true, true, {-2, -3}, kShadow, kText},
                      ShadowCase{"right_and_up", true, true, {4, -1}, kShadow, kText},
                      ShadowCase{"shadow_off", true, false, {3, 2}, kShadow, kText},
                      ShadowCase{"disabled_white_shadow_silver_text", false, true, {2, 2}, qRgb(255, 255, 255),
                                 qRgb(192, 192, 192)},
                      ShadowCase{"disabled_shadow_off", false, false, {2, 2}, 0, qRgb(192, 192, 192)}),
    CaseName);

// A span of equal pixels along one row of the label.
struct Span {
    int from;
    int to; // inclusive
    QRgb colour;
};

struct BackgroundCase {
    std::string name;
    int width;
    bool left, centre, right, picture;
    std::vector<Span> row5;
    bool tallAsTheCaps; // row 18 shows what row 5 shows (caps are 20 high, the picture 15)
};

class ShadowLabelBackground : public ShadowLabelTest, public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(ShadowLabelBackground, DrawsTheStretchedPiecesOrThePicture)
{
    const BackgroundCase& c = GetParam();
    label.fSetCaption("");
    Resize(c.width);
    if (c.left)
        label.fSetPngLeft(SolidPicture(10, 20, FromQRgb(kRed)));
    if (c.centre)
        label.fSetPngCenter(SolidPicture(7, 10, FromQRgb(kGreen)));
    if (c.right)
        label.fSetPngRight(SolidPicture(6, 20, FromQRgb(kBlue)));
    if (c.picture)
        label.fSetPngPicture(SolidPicture(15, 15, FromQRgb(kYellow)));
    const QImage image = Rendered();
    for (const int row : {5, 18}) {
        for (const Span& run : c.row5) {
            const QRgb colour = row == 5 || c.tallAsTheCaps ? run.colour : kBackground;
            for (int x = run.from; x <= run.to; ++x)
                EXPECT_EQ(image.pixel(kMargin + x, kMargin + row), colour) << "x " << x << " row " << row;
        }
    }
    for (int x = 0; x < c.width; ++x)
        EXPECT_EQ(image.pixel(kMargin + x, kMargin + 21), kBackground) << "below the pieces, x " << x;
    EXPECT_EQ(image.pixel(kMargin + c.width, kMargin + 5), kBackground) << "nothing past the right edge";
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, ShadowLabelBackground,
    ::testing::Values(
        // 24 pixels between the caps take four 7-pixel tiles; the right cap covers the last one's end.
        BackgroundCase{"right_cap_over_last_tile", 40, true, true, true, false,
                       {{0, 9, kRed}, {10, 33, kGreen}, {34, 39, kBlue}}, true},
        BackgroundCase{"tiles_fit_exactly", 30, true, true, true, true, {{0, 9, kRed}, {10, 23, kGreen}, {24, 29, kBlue}},
                       true},
        BackgroundCase{"narrower_than_the_caps", 12, true, true, true, false, {{0, 5, kRed}, {6, 11, kBlue}}, true},
        BackgroundCase{"no_middle_piece_picture_instead", 40, true, false, true, true,
                       {{0, 14, kYellow}, {15, 39, kBackground}}, false},
        BackgroundCase{"middle_piece_alone_picture_instead", 40, false, true, false, true,
                       {{0, 14, kYellow}, {15, 39, kBackground}}, false},
        BackgroundCase{"two_pieces_no_picture", 40, true, true, false, false, {{0, 39, kBackground}}, false},
        BackgroundCase{"picture_alone", 40, false, false, false, true, {{0, 14, kYellow}, {15, 39, kBackground}},
                       false}),
    CaseName);

// Half strength (alpha 128) of grey over the background.
QRgb HalfGreyOver(int grey, QRgb under)
{
    const auto mix = [grey](int over) { return (grey * 128 + over * 127 + 127) / 255; };
    return qRgb(mix(qRed(under)), mix(qGreen(under)), mix(qBlue(under)));
}

TEST_F(ShadowLabelTest, DisabledPiecesAreHalfTransparentAndGrey)
{
    label.fSetCaption("");
    Resize(40);
    label.fSetPngLeft(SolidPicture(10, 20, FromQRgb(kRed)));
    label.fSetPngCenter(SolidPicture(7, 10, FromQRgb(kGreen)));
    label.fSetPngRight(SolidPicture(6, 20, FromQRgb(kBlue)));
    label.setEnabled(false);
    const QImage image = Rendered();
    // Greys of pure red, green and blue: 0.30, 0.59 and 0.11 of 255, to the nearest (even) integer.
    for (const auto& [x, grey] : {std::pair{4, 76}, std::pair{20, 150}, std::pair{39, 28}}) {
        const QRgb seen = image.pixel(kMargin + x, kMargin + 10);
        EXPECT_TRUE(Near(seen, HalfGreyOver(grey, kBackground))) << "x " << x << " " << std::hex << seen;
    }
}

TEST_F(ShadowLabelTest, EmptyCaptionLeavesOnlyThePicture)
{
    label.fSetCaption("");
    label.fSetPngPicture(SolidPicture(15, 15, FromQRgb(kYellow)));
    const QImage expected = Expected([](TCanvas& canvas) { DrawPNG(SolidPicture(15, 15, FromQRgb(kYellow)), canvas, QRect(0, 0, 15, 15), {}); });
    EXPECT_EQ(Differences(Rendered(), expected), 0);
}

TEST_F(ShadowLabelTest, PublishesItsPropertiesInOrderWithTheirDefaults)
{
    TShadowLabel fresh;
    const QMetaObject& meta = TShadowLabel::staticMetaObject;
    std::vector<std::string> names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        names.push_back(meta.property(i).name());
    EXPECT_EQ(names, (std::vector<std::string>{"Caption", "Alignment", "Frame", "Shadow", "ShadowColor", "DisplaceX",
                                               "DisplaceY", "PngPicture", "PngLeft", "PngCenter", "PngRight", "FocusControl"}));
    EXPECT_EQ(fresh.Caption(), AnsiString());
    EXPECT_EQ(fresh.Alignment(), TShadowLabel::taLeftJustify);
    EXPECT_EQ(fresh.Frame(), 3);
    EXPECT_TRUE(fresh.Shadow());
    EXPECT_EQ(fresh.ShadowColor(), 8421504);
    EXPECT_EQ(fresh.DisplaceX(), 1);
    EXPECT_EQ(fresh.DisplaceY(), 1);
    EXPECT_EQ(fresh.focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(fresh.autoFillBackground());

    ASSERT_TRUE(fresh.setProperty("Alignment", "taCenter"));
    EXPECT_EQ(fresh.Alignment(), TShadowLabel::taCenter);
    ASSERT_TRUE(fresh.setProperty("Caption", QVariant::fromValue(kCaption)));
    EXPECT_EQ(fresh.Caption(), kCaption);
}

// The description of the erase-mode title with a background picture, and the same label set up in code.
TEST_F(ShadowLabelTest, SetUpFromADescriptionItLooksAsSetUpInCode)
{
    RegisterClass<QWidget>("TForm");
    RegisterClass<TShadowLabel>("TShadowLabel");
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(qRgba(30, 160, 60, 200));
    const TPNGObject picture = PictureOf(image);
    std::ostringstream file;
    picture.SaveToStream(file);
    const std::string hex = QByteArray::fromStdString(file.str()).toHex().toUpper().toStdString();
    const std::string description = "object Form: TForm\n"
                                    "  object SL_1: TShadowLabel\n"
                                    "    Left = 8\n    Top = 5\n    Width = 505\n    Height = 25\n"
                                    "    Caption = 'Стирание Quarsa'\n"
                                    "    Alignment = taCenter\n    DisplaceX = 2\n    ShadowColor = clSilver\n"
                                    "    Font.Color = clNavy\n    Font.Height = -19\n    Font.Name = 'Tahoma'\n"
                                    "    PngPicture.Data = {" + hex + "}\n"
                                    "  end\n"
                                    "end\n";
    QWidget described;
    TFormReader::Read(&described, description);
    auto* read = described.findChild<TShadowLabel*>("SL_1");
    ASSERT_NE(read, nullptr);

    QWidget coded;
    TShadowLabel label(&coded);
    label.setGeometry(8, 5, 505, 25);
    label.fSetCaption(kCaption);
    label.fSetAlignment(TShadowLabel::taCenter);
    label.fSetDisplaceX(2);
    label.fSetShadowColor(clSilver);
    TControlProperties::SetFontColor(&label, clNavy);
    QFont font("Tahoma");
    font.setPixelSize(19);
    label.setFont(font);
    label.fSetPngPicture(picture);
    EXPECT_EQ(read->grab().toImage(), label.grab().toImage());

    QWidget again;
    TFormReader::Read(&again, TFormWriter::Write(&described));
    EXPECT_EQ(again.findChild<TShadowLabel*>("SL_1")->grab().toImage(), label.grab().toImage()) << "round trip";
}

TEST_F(ShadowLabelTest, PictureSettersCopy)
{
    TPNGObject mine = SolidPicture(15, 15, FromQRgb(kYellow));
    label.fSetPngPicture(mine);
    mine.SetPixel(0, 0, clRed);
    EXPECT_EQ(label.PngPicture().Pixel(0, 0), FromQRgb(kYellow));
    EXPECT_EQ(Rendered().pixel(kMargin, kMargin), kYellow);
}

struct FarCase {
    std::string name;
    TShadowLabel::TAlignment alignment;
    int frame;
    QPoint displace;
    bool textShows; // at frame 3, with no shadow in sight
};

class ShadowLabelFar : public ShadowLabelTest, public ::testing::WithParamInterface<FarCase> {};

// Margins and offsets at the ends of the integer range put the text or the shadow out of sight.
TEST_P(ShadowLabelFar, PutsTextOrShadowOutOfSight)
{
    const FarCase& c = GetParam();
    label.fSetCaption(kLong);
    Resize(100);
    label.fSetAlignment(c.alignment);
    label.fSetFrame(c.frame);
    label.fSetDisplaceX(c.displace.x());
    label.fSetDisplaceY(c.displace.y());
    const QPoint at(3, (25 - TextSize().height()) / 2);
    const QImage expected = Expected([&](TCanvas& canvas) {
        if (c.textShows)
            TextAt(canvas, at, kText);
    });
    EXPECT_EQ(Differences(Rendered(), expected), 0);
}

constexpr int kMost = std::numeric_limits<int>::max();
constexpr int kLeast = std::numeric_limits<int>::min();

INSTANTIATE_TEST_SUITE_P(
    Extremes, ShadowLabelFar,
    ::testing::Values(FarCase{"right_frame_most", TShadowLabel::taRightJustify, kMost, {1, 1}, false},
                      FarCase{"right_frame_least", TShadowLabel::taRightJustify, kLeast, {1, 1}, false},
                      FarCase{"left_frame_least", TShadowLabel::taLeftJustify, kLeast, {1, 1}, false},
                      FarCase{"shadow_most_right", TShadowLabel::taLeftJustify, 3, {kMost, 0}, true},
                      FarCase{"shadow_least_up", TShadowLabel::taLeftJustify, 3, {0, kLeast}, true},
                      FarCase{"shadow_most_both", TShadowLabel::taLeftJustify, 3, {kMost, kMost}, true}),
    CaseName);

TEST_F(ShadowLabelTest, SurvivesNoSizeAndLongCaptions)
{
    label.fSetPngLeft(SolidPicture(10, 20, FromQRgb(kRed)));
    label.fSetPngCenter(SolidPicture(1, 10, FromQRgb(kGreen)));
    label.fSetPngRight(SolidPicture(6, 20, FromQRgb(kBlue)));
    for (const QSize size : {QSize(0, 0), QSize(0, 25), QSize(1, 1), QSize(3000, 25)}) {
        label.resize(size);
        const QPixmap drawn = label.grab();
        EXPECT_EQ(drawn.isNull(), size.isEmpty());
        EXPECT_EQ(drawn.isNull() ? QSize() : drawn.size(), size.isEmpty() ? QSize() : size);
    }
    label.resize(100, 25);
    label.fSetCaption(AnsiString(std::string(100000, 'W')));
    const QImage image = Rendered();
    EXPECT_EQ(image.pixel(kMargin + 50, kMargin + 5), kGreen);
    EXPECT_EQ(image.pixel(kMargin + 100, kMargin + 5), kBackground);
}

// The window's two labels and the label's other looks, written beside the test program for a person to look at.
TEST_F(ShadowLabelTest, SheetOfTheLooks)
{
    struct Look {
        const char* caption;
        TShadowLabel::TAlignment alignment;
        QRgb text;
        TColor shadow;
        bool shadowOn;
        QPoint displace;
        bool enabled;
        bool pieces;
    };
    const std::vector<Look> looks = {
        {"Стирание финализированной Quarsa и RW1990", TShadowLabel::taCenter, qRgb(0, 0, 128), clSilver, true,
         {1, 1}, true, false},
        {"Режим", TShadowLabel::taLeftJustify, qRgb(0, 0, 0), clGray, false, {1, 1}, true, false},
        {"Справа, тень вверх и влево", TShadowLabel::taRightJustify, qRgb(0, 0, 128), clGray, true, {-2, -2}, true,
         false},
        {"Недоступна", TShadowLabel::taCenter, qRgb(0, 0, 128), clGray, true, {2, 2}, false, false},
        {"На фоне из трёх частей", TShadowLabel::taCenter, qRgb(255, 255, 255), clBlack, true, {2, 2}, true, true},
        {"Фон из трёх частей, недоступна", TShadowLabel::taCenter, qRgb(255, 255, 255), clBlack, true, {2, 2}, false,
         true},
    };
    label.hide();
    QPalette cream = parent.palette();
    cream.setColor(QPalette::Window, qRgb(255, 251, 240));
    parent.setPalette(cream);
    const QImage cap = [] {
        QImage image(12, 25, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(40, 90, 170));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0, 0, 24, 25), 10, 10);
        return image;
    }();
    QImage middle(5, 25, QImage::Format_ARGB32);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 5; ++x)
            middle.setPixel(x, y, qRgb(40 + 4 * y, 90 + 3 * y, 170 + x * 10));
    TSheet sheet(1);
    for (const Look& look : looks) {
        TShadowLabel one(&parent);
        one.setGeometry(8, 8, 505, 25);
        one.setFont(label.font());
        TControlProperties::SetFontColor(&one, FromQRgb(look.text));
        one.fSetCaption(AnsiString::FromUtf8(look.caption));
        one.fSetAlignment(look.alignment);
        one.fSetShadow(look.shadowOn);
        one.fSetShadowColor(look.shadow);
        one.fSetDisplaceX(look.displace.x());
        one.fSetDisplaceY(look.displace.y());
        one.setEnabled(look.enabled);
        if (look.pieces) {
            one.fSetPngLeft(PictureOf(cap));
            one.fSetPngCenter(PictureOf(middle));
            one.fSetPngRight(PictureOf(cap.mirrored(true, false)));
        }
        one.show();
        sheet.Add(parent.grab(one.geometry().adjusted(-4, -4, 4, 4)).toImage());
    }
    EXPECT_FALSE(sheet.Save("shadowlabel_sheet.png").isEmpty());
}

} // namespace
