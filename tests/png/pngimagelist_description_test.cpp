// A PNG image list in a window description: what the writer stores of it, and a round trip.
#include "png/pngimagelist.h"

#include "classlib/classregistry.h"
#include "classlib/formparser.h"
#include "classlib/formreader.h"
#include "classlib/formwriter.h"
#include "png/pngimagecollectionitem.h"
#include "png/pngimagecollectionitems.h"

#include "support/pngpicture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QWidget>

#include <sstream>

namespace {

TPNGObject Picture(QRgb corner)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, qRgba(x * 16, y * 16, qBlue(corner), x == 0 && y == 0 ? 255 : 40 + x * 8));
    return PictureOf(image);
}

std::vector<std::string> NamesOf(const std::vector<TFormProperty>& properties)
{
    std::vector<std::string> names;
    for (const TFormProperty& property : properties)
        names.push_back(property.name);
    return names;
}

TPngImageList* ListOf(QWidget& form)
{
    return form.findChild<TPngImageList*>("PIL_Icons");
}

} // namespace

TEST(PngImageListDescription, TwoItemListStoresPicturesNamesForeignBackgroundAndPositionOnlyAndReadsBack)
{
    RegisterClass<QWidget>("TForm");
    RegisterClass<TPngImageList>("TPngImageList");
    QWidget form;
    form.setObjectName("Form");
    auto* list = new TPngImageList(&form);
    list->setObjectName("PIL_Icons");
    list->SetDesignPosition(8, 16);
    list->PngImages().Add().SetPngImage(Picture(qRgb(0, 0, 255)));
    TPngImageCollectionItem& second = list->PngImages().Add();
    second.SetPngImage(Picture(qRgb(0, 0, 0)));
    second.SetBackground(clWhite);

    const std::string first = TFormWriter::Write(&form);
    const TFormObject written = TFormParser::Parse(first);
    ASSERT_EQ(written.children.size(), 1u);
    const TFormObject& stored = written.children[0];
    EXPECT_EQ(NamesOf(stored.properties), (std::vector<std::string>{"PngImages", "Left", "Top"}));
    const std::vector<TFormItem>& items = stored.properties[0].value.items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(NamesOf(items[0].properties), (std::vector<std::string>{"PngImage.Data", "Name"}));
    EXPECT_EQ(NamesOf(items[1].properties), (std::vector<std::string>{"PngImage.Data", "Name", "Background"}));
    EXPECT_EQ(items[1].properties[2].value.text, "clWhite");
    EXPECT_EQ(stored.properties[1].value.integer, 8);
    EXPECT_EQ(stored.properties[2].value.integer, 16);

    QWidget copy;
    TFormReader::Read(&copy, first);
    EXPECT_EQ(TFormWriter::Write(&copy), first);
    ASSERT_EQ(ListOf(copy)->PngImages().Count(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(ListOf(copy)->PngImages().GetItem(i)->PngImage()->ToQImage(),
                  list->PngImages().GetItem(i)->PngImage()->ToQImage());
}
