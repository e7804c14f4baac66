#include "controls/comboboxpng.h"

#include "pixeltestsupport.h"

#include "classlib/forms/classregistry.h"
#include "classlib/forms/eventbinding.h"
#include "classlib/forms/formreader.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>

#include <functional>
#include <memory>

namespace {

constexpr int kPicture = 16;
const TColor kColors[] = {RGBColor(220, 0, 0), RGBColor(0, 180, 0), RGBColor(0, 0, 220)};
const QRect kItemRect(0, 0, 120, 24);
constexpr int kNone = -1;

std::unique_ptr<TPngImageList> ColourList(int count)
{
    auto list = std::make_unique<TPngImageList>();
    list->SetWidth(kPicture);
    list->SetHeight(kPicture);
    for (int i = 0; i < count; ++i) {
        TBitmap square(kPicture, kPicture, pf24bit);
        square.Fill(kColors[i]);
        list->Add(&square, nullptr);
    }
    return list;
}

// Leftmost column with dark text pixels.
int TextLeft(const QImage& image)
{
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 100)
                return x;
        }
    }
    return -1;
}

// The picture colour shown at the picture's place, or kNone.
int PictureShown(const QImage& item)
{
    for (int i = 0; i < 3; ++i) {
        if (PixelIs(item, 2 + kPicture / 2, kItemRect.height() / 2, kColors[i]))
            return i;
    }
    return kNone;
}

class ComboBoxPngTest : public testing::Test {
protected:
    ComboBoxPngTest()
    {
        combo.addItems({"M0", "M1", "M2", "M3", "M4", "M5"});
        combo.fSetImages(list.get());
    }

    // One item drawn as the drop-down list draws it.
    QImage DrawnItem(int index)
    {
        QImage image(kItemRect.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        TCanvas canvas(painter);
        combo.PrepareItemCanvas(canvas, false);
        combo.DrawItem(canvas, index, kItemRect);
        return image;
    }

    std::unique_ptr<TPngImageList> list = ColourList(3);
    TComboBoxPng combo;
};

} // namespace

TEST_F(ComboBoxPngTest, PicturesByPositionOrByIndexListAndTheTextAfterThem)
{
    // Index texts: "x", "-1" and "3" (not below the count) name no picture; item 5 is past the list's end.
    combo.fSetListIndexesPng({"1", "0", "x", "-1", "3"});
    const struct {
        bool autoIndexes;
        int item, picture;
    } cases[] = {{true, 0, 0},      {true, 2, 2},      {true, 3, kNone},  {false, 0, 1},     {false, 1, 0},
                 {false, 2, kNone}, {false, 3, kNone}, {false, 4, kNone}, {false, 5, kNone}};
    for (const auto& c : cases) {
        combo.AutoIndexes = c.autoIndexes;
        const QImage item = DrawnItem(c.item);
        EXPECT_EQ(PictureShown(item), c.picture) << c.autoIndexes << " " << c.item;
        QImage text = item.copy();
        QPainter(&text).fillRect(0, 0, 2 + kPicture, kItemRect.height(), Qt::white);
        EXPECT_NEAR(TextLeft(text), kPicture + 5 + 1, 2) << c.autoIndexes << " " << c.item;
    }
}

TEST_F(ComboBoxPngTest, TextIndentWithoutListAndWithAnEmptyOrDestroyedList)
{
    const auto empty = ColourList(0);
    combo.fSetImages(empty.get());
    EXPECT_NEAR(TextLeft(DrawnItem(0)), kPicture + 5 + 1, 2);
    combo.fSetImages(nullptr);
    EXPECT_NEAR(TextLeft(DrawnItem(0)), 5 + 1, 2);
    combo.fSetImages(list.get());
    list.reset();
    EXPECT_EQ(combo.Images(), nullptr);
    EXPECT_NEAR(TextLeft(DrawnItem(0)), 5 + 1, 2);
}

TEST_F(ComboBoxPngTest, DisabledPicturesAreHalfTransparentAndGrey)
{
    combo.setEnabled(false);
    // Grey of the red (0.30 × 220 = 66) blended half over the white background.
    EXPECT_TRUE(PixelIs(DrawnItem(0), 2 + kPicture / 2, kItemRect.height() / 2, RGBColor(160, 160, 160), 3));
}

TEST_F(ComboBoxPngTest, ClosedBoxAndDropDownListShowTheItemPictures)
{
    combo.resize(140, 28);
    combo.setCurrentIndex(1);
    const QImage closed = Render(combo);
    int found = 0;
    for (int x = 0; x < 30; ++x)
        found += PixelIs(closed, x, closed.height() / 2, kColors[1]) ? 1 : 0;
    EXPECT_EQ(found, kPicture);

    combo.SetItemHeight(24);
    combo.showPopup();
    QAbstractItemView* view = combo.view();
    const QImage dropped = Render(*view);
    combo.hidePopup();
    for (int item = 0; item < 3; ++item) {
        const QRect rect = view->visualRect(combo.model()->index(item, 0));
        EXPECT_EQ(rect.height(), 24);
        EXPECT_TRUE(PixelIs(dropped, rect.left() + 2 + kPicture / 2, rect.center().y(), kColors[item])) << item;
    }
}

TEST_F(ComboBoxPngTest, ReadFromADescriptionLikeSetUpInCode)
{
    RegisterClass<TComboBoxPng>("TComboBoxPng");
    QWidget form;
    list->setParent(&form);
    list->setObjectName("PIL_1");
    TFormReader::Read(&form, "object Form1: QWidget\n"
                             "  object CB_1: TComboBoxPng\n    Width = 140\n    Height = 28\n"
                             "    Style = csOwnerDrawFixed\n    ItemHeight = 24\n    Images = PIL_1\n"
                             "    AutoIndexes = False\n  end\nend\n");
    auto* described = form.findChild<TComboBoxPng*>("CB_1");
    ASSERT_NE(described, nullptr);
    EXPECT_EQ(described->Images(), list.get());
    combo.AutoIndexes = false;
    for (TComboBoxPng* box : {described, &combo}) {
        box->fSetListIndexesPng({"2", "0"});
        box->addItems({"M0", "M1"});
        box->resize(140, 28), box->setCurrentIndex(0);
    }
    EXPECT_EQ(Render(*described), Render(combo));
    list.release(); // the form owns it now
}

// It is the class library's combo box: a description sets its items, selection and events like a TComboBox's.
TEST_F(ComboBoxPngTest, IsAClassLibraryComboBoxWithItsPropertiesAndEvents)
{
    RegisterClass<TComboBoxPng>("TComboBoxPng");
    QWidget form;
    TPngImageList* images = list.release(); // the form owns it now
    images->setParent(&form);
    images->setObjectName("PIL_1");
    TFormReader::Read(&form, "object Form1: QWidget\n"
                             "  object CB_1: TComboBoxPng\n    Style = csOwnerDrawFixed\n"
                             "    Items.Strings = (\n      '3'\n      '7')\n    ItemIndex = 1\n    Images = PIL_1\n"
                             "    ListIndexesPng.Strings = (\n      '1'\n      '0')\n    AutoIndexes = False\n"
                             "  end\nend\n");
    auto* described = form.findChild<TComboBoxPng*>("CB_1");
    ASSERT_NE(described, nullptr);
    const QMetaObject* base = described->metaObject()->superClass();
    ASSERT_NE(base, nullptr);
    EXPECT_STREQ(base->className(), "TComboBox");
    EXPECT_EQ(described->property("Items").value<QList<AnsiString>>(), (QList<AnsiString>{"3", "7"}));
    EXPECT_EQ(described->property("ItemIndex").toInt(), 1);
    EXPECT_EQ(described->property("Text").value<AnsiString>(), AnsiString("7"));
    for (const char* event : {"OnChange", "OnKeyPress", "OnEnter", "OnExit"})
        EXPECT_TRUE(TEventBinding::IsEvent(described, event)) << event;
}

TEST_F(ComboBoxPngTest, RendersEveryLookIntoOneSheet)
{
    TSheet sheet(2);
    combo.resize(160, 28);
    combo.SetItemHeight(24);
    combo.AutoIndexes = false;
    combo.fSetListIndexesPng({"2", "1", "0", "x"});
    const std::function<void()> looks[] = {
        [&] { combo.setCurrentIndex(0); }, [&] { combo.setCurrentIndex(1); }, [&] { combo.setCurrentIndex(3); },
        [&] { combo.setCurrentIndex(0), combo.setEnabled(false); },
        [&] { combo.setEnabled(true), combo.fSetImages(nullptr); }};
    for (const auto& look : looks)
        look(), sheet.Add(Render(combo));
    combo.fSetImages(list.get());
    combo.showPopup();
    sheet.Add(Render(*combo.view()));
    combo.hidePopup();
    EXPECT_FALSE(QImage(sheet.Save("comboboxpng_sheet.png")).isNull());
}
