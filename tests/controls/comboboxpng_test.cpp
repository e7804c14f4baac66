#include "controls/comboboxpng.h"

#include "pixeltestsupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>

#include <memory>
#include <optional>

namespace {

constexpr int kPicture = 16;
const TColor kPictureColors[] = {RGBColor(220, 0, 0), RGBColor(0, 180, 0), RGBColor(0, 0, 220)};
const QRect kItemRect(0, 0, 120, 24);

std::unique_ptr<TCustomImageList> ColourList(int count)
{
    auto list = std::make_unique<TCustomImageList>();
    list->SetWidth(kPicture);
    list->SetHeight(kPicture);
    for (int i = 0; i < count; ++i) {
        TBitmap square(kPicture, kPicture, pf24bit);
        square.Fill(kPictureColors[i]);
        list->Add(&square, nullptr);
    }
    return list;
}

// Leftmost column of dark text pixels at or right of fromX; -1 when there is none.
int TextLeft(const QImage& image, int fromX)
{
    for (int x = fromX; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 100)
                return x;
        }
    }
    return -1;
}

bool HasPictureColour(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            for (const TColor color : kPictureColors) {
                if (PixelIs(image, x, y, color, 8))
                    return true;
            }
        }
    }
    return false;
}

class ComboBoxPngTest : public testing::Test {
protected:
    ComboBoxPngTest()
    {
        combo.addItems({"M0", "M1", "M2", "M3", "M4", "M5"});
        combo.fSetImages(list.get());
    }

    // One item drawn as the list draws it, into an image of the item's size.
    QImage DrawnItem(int index)
    {
        QImage image(kItemRect.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        TCanvas canvas(painter);
        combo.PrepareItemCanvas(canvas, false);
        combo.DrawItem(canvas, index, kItemRect);
        painter.end();
        return image;
    }

    // The picture's middle pixel shows color, or the item background when color is empty.
    testing::AssertionResult PictureIs(const QImage& item, std::optional<TColor> color)
    {
        const int middleY = (kItemRect.height() - kPicture) / 2 + kPicture / 2;
        return PixelIs(item, 2 + kPicture / 2, middleY, color.value_or(ColorToRGB(clWindow)));
    }

    std::unique_ptr<TCustomImageList> list = ColourList(3);
    TComboBoxPng combo;
};

} // namespace

TEST_F(ComboBoxPngTest, PicturesByPositionOrByIndexList)
{
    struct Case {
        bool autoIndexes;
        int item;
        std::optional<TColor> picture;
    };
    const Case cases[] = {
        {true, 0, kPictureColors[0]},
        {true, 2, kPictureColors[2]},
        {true, 3, std::nullopt}, // more items than pictures
        {false, 0, kPictureColors[1]},
        {false, 1, kPictureColors[0]},
        {false, 2, std::nullopt}, // "x"
        {false, 3, std::nullopt}, // "-1"
        {false, 4, std::nullopt}, // "3", not below the count
        {false, 5, std::nullopt}, // past the end of the index list
    };
    combo.fSetListIndexesPng({"1", "0", "x", "-1", "3"});
    for (const Case& c : cases) {
        combo.AutoIndexes = c.autoIndexes;
        const QImage item = DrawnItem(c.item);
        SCOPED_TRACE(testing::Message() << "auto " << c.autoIndexes << ", item " << c.item);
        EXPECT_TRUE(PictureIs(item, c.picture));
        const int textLeft = TextLeft(item, 2 + kPicture);
        EXPECT_GE(textLeft, kPicture + 5);
        EXPECT_LE(textLeft, kPicture + 8);
    }
}

TEST_F(ComboBoxPngTest, TextIndentWithoutListAndWithAnEmptyList)
{
    struct Case {
        const char* name;
        int pictures;
        bool withList;
        int textFrom;
    };
    const Case cases[] = {{"no list", 0, false, 5}, {"empty list", 0, true, kPicture + 5}};
    for (const Case& c : cases) {
        const auto empty = ColourList(c.pictures);
        combo.fSetImages(c.withList ? empty.get() : nullptr);
        const QImage item = DrawnItem(0);
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(HasPictureColour(item));
        const int textLeft = TextLeft(item, 0);
        EXPECT_GE(textLeft, c.textFrom);
        EXPECT_LE(textLeft, c.textFrom + 3);
    }
}

TEST_F(ComboBoxPngTest, DisabledPicturesAreHalfTransparentAndGrey)
{
    combo.setEnabled(false);
    const QImage item = DrawnItem(0);
    const QRgb pixel = item.pixel(2 + kPicture / 2, kItemRect.height() / 2);
    EXPECT_NEAR(qRed(pixel), qGreen(pixel), 2);
    EXPECT_NEAR(qRed(pixel), qBlue(pixel), 2);
    // Grey of the red (0.30 × 220 = 66) blended half over the white background.
    EXPECT_NEAR(qRed(pixel), (66 + 255) / 2, 3);
}

TEST_F(ComboBoxPngTest, ADestroyedListIsDroppedAndNoLongerDrawn)
{
    list.reset();
    EXPECT_EQ(combo.Images(), nullptr);
    const QImage item = DrawnItem(0);
    EXPECT_FALSE(HasPictureColour(item));
    EXPECT_LE(TextLeft(item, 0), 5 + 3);
}

TEST_F(ComboBoxPngTest, ClosedBoxAndDropDownListShowTheItemPictures)
{
    combo.resize(140, 28);
    combo.setCurrentIndex(1);
    const QImage closed = Render(combo);
    bool found = false;
    for (int x = 0; x < 30 && !found; ++x)
        found = PixelIs(closed, x, closed.height() / 2, kPictureColors[1]);
    EXPECT_TRUE(found) << "the current item's picture is in the field";

    combo.SetItemHeight(24);
    combo.showPopup();
    QAbstractItemView* view = combo.view();
    const QImage dropped = Render(*view);
    combo.hidePopup();
    for (int item = 0; item < 3; ++item) {
        const QRect itemRect = view->visualRect(combo.model()->index(item, 0));
        EXPECT_EQ(itemRect.height(), 24);
        EXPECT_TRUE(PixelIs(dropped, itemRect.left() + 2 + kPicture / 2, itemRect.center().y(), kPictureColors[item]))
            << item;
    }
}

TEST_F(ComboBoxPngTest, RendersEveryLookIntoOneSheet)
{
    TSheet sheet(2);
    combo.resize(160, 28);
    combo.SetItemHeight(24);
    combo.AutoIndexes = false;
    combo.fSetListIndexesPng({"2", "1", "0", "x"});
    for (int item : {0, 1, 3}) {
        combo.setCurrentIndex(item);
        sheet.Add(Render(combo));
    }
    combo.setCurrentIndex(0);
    combo.setEnabled(false);
    sheet.Add(Render(combo));
    combo.setEnabled(true);
    combo.fSetImages(nullptr);
    sheet.Add(Render(combo));
    combo.fSetImages(list.get());
    combo.showPopup();
    sheet.Add(Render(*combo.view()));
    combo.hidePopup();
    const QString path = sheet.Save("comboboxpng_sheet.png");
    ASSERT_FALSE(path.isEmpty());
    EXPECT_FALSE(QImage(path).isNull());
}

TEST_F(ComboBoxPngTest, PublishedPropertiesSetThroughTheMetaObjectLikeInCode)
{
    TComboBoxPng described;
    described.addItems({"M0", "M1"});
    described.setProperty("Images", QVariant::fromValue(list.get()));
    described.setProperty("ListIndexesPng", QStringList{"2", "0"});
    described.setProperty("AutoIndexes", false);
    combo.AutoIndexes = false;
    combo.fSetListIndexesPng({"2", "0"});
    for (TComboBoxPng* box : {&described, &combo}) {
        box->resize(140, 28);
        box->setCurrentIndex(0);
    }
    EXPECT_EQ(described.Images(), list.get());
    EXPECT_EQ(Render(described), Render(combo));
}
