#include "png/pngimagecollection.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class CollectingFiler : public TFiler {
public:
    void DefineProperty(const std::string& name, ReadValue read, WriteValue write, bool hasData) override
    {
        reads[name] = std::move(read);
        if (hasData)
            written[name] = write();
    }
    std::map<std::string, ReadValue> reads;
    std::map<std::string, TFormValue> written;
};

} // namespace

TEST(PngImageCollection, StoresItsItemsAndReadsThemBack)
{
    TPngImageCollection collection;
    TPNGObject png;
    png.CreateBlank(COLOR_RGB, 8, 2, 2);
    png.SetPixel(1, 1, clRed);
    collection.Items().Add().SetPngImage(png);
    collection.Items().Add(true).SetBackground(clWhite);
    CollectingFiler filer;
    collection.DefineProperties(filer);
    ASSERT_EQ(filer.written.size(), 1u);
    const TFormValue& stored = filer.written.at("Items");
    ASSERT_EQ(stored.items.size(), 2u);
    EXPECT_EQ(stored.items[1].properties.size(), 2u);

    TPngImageCollection read;
    CollectingFiler reader;
    read.DefineProperties(reader);
    reader.reads.at("Items")(stored);
    ASSERT_EQ(read.Items().Count(), 2);
    EXPECT_EQ(read.Items().GetItem(0)->PngImage()->Pixel(1, 1), clRed);
    EXPECT_EQ(read.Items().GetItem(1)->PngImage(), nullptr);
    EXPECT_EQ(read.Items().GetItem(1)->Background(), clWhite);
    EXPECT_EQ(read.Items().GetOwner(), &read);
}
