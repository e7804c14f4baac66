#include "png/pngimagelist.h"

#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"

#include <gtest/gtest.h>

#include <QMetaProperty>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr QRgb kRed = qRgba(200, 40, 40, 255);
constexpr QRgb kGreen = qRgba(40, 200, 40, 255);
constexpr QRgb kBlue = qRgba(40, 40, 200, 255);

// An 8-bit RGBA picture of one colour.
TPNGObject Picture(int width, int height, QRgb color)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGBALPHA, 8, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            png.SetPixel(x, y, FromQRgb(color));
            png.AlphaScanline(y)[x] = static_cast<std::uint8_t>(qAlpha(color));
        }
    }
    return png;
}

TBitmap FilledBitmap(int width, int height, TColor color)
{
    TBitmap bitmap(width, height);
    bitmap.Fill(color);
    return bitmap;
}

// A list of 16 × 16 pictures, one per colour.
void AddPictures(TPngImageList& list, const std::vector<QRgb>& colors)
{
    list.BeginUpdate();
    for (const QRgb color : colors)
        list.PngImages().Add().SetPngImage(Picture(16, 16, color));
    list.EndUpdate();
}

QRgb NativePixel(const TPngImageList& list, int index)
{
    return list.GetImage(index).pixel(8, 8);
}

std::vector<QRgb> NativeColors(const TPngImageList& list)
{
    std::vector<QRgb> colors;
    for (int i = 0; i < list.Count(); ++i)
        colors.push_back(NativePixel(list, i));
    return colors;
}

std::vector<QRgb> ItemColors(const TPngImageList& list)
{
    std::vector<QRgb> colors;
    for (int i = 0; i < list.PngImages().Count(); ++i)
        colors.push_back(list.PngImages().GetItem(i)->PngImage()->ToQImage().pixel(8, 8));
    return colors;
}

std::vector<std::string> ItemNames(const TPngImageList& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.PngImages().Count(); ++i)
        names.push_back(list.PngImages().GetItem(i)->Name().Bytes());
    return names;
}

int CountChanges(TPngImageList& list, const std::function<void()>& action)
{
    int changes = 0;
    const auto connection = QObject::connect(&list, &TCustomImageList::Change, [&changes] { ++changes; });
    action();
    QObject::disconnect(connection);
    return changes;
}

// Keeps what a component defines, as the window description's reader and writer see it.
class DefinitionFiler : public TFiler {
public:
    struct Definition {
        ReadValue read;
        WriteValue write;
        bool hasData;
    };

    void DefineProperty(const std::string& name, ReadValue read, WriteValue write, bool hasData) override
    {
        names.push_back(name);
        definitions[name] = {std::move(read), std::move(write), hasData};
    }
    std::map<std::string, TFormValue> Written() const
    {
        std::map<std::string, TFormValue> values;
        for (const auto& [name, definition] : definitions) {
            if (definition.hasData)
                values[name] = definition.write();
        }
        return values;
    }

    std::vector<std::string> names;
    std::map<std::string, Definition> definitions;
};

std::vector<std::string> PropertyNames(const TFormItem& item)
{
    std::vector<std::string> names;
    for (const TFormProperty& property : item.properties)
        names.push_back(property.name);
    return names;
}

} // namespace

TEST(PngImageList, ANewListHasTheDefaults)
{
    const TPngImageList list;
    EXPECT_EQ(list.Width(), 16);
    EXPECT_EQ(list.Height(), 16);
    EXPECT_TRUE(list.EnabledImages());
    EXPECT_EQ(list.PngOptions(), TPngOptions{pngBlendOnDisabled});
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(list.PngImages().Count(), 0);
    EXPECT_EQ(list.PngImages().GetOwner(), &list);
    EXPECT_EQ(list.Count(), 0);
}

TEST(PngImageList, PublishesItsPropertiesInOrderWithTheOptionsAsANamedSet)
{
    TPngImageList list;
    const QMetaObject& meta = *list.metaObject();
    std::vector<std::string> names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        names.push_back(meta.property(i).name());
    EXPECT_EQ(names, (std::vector<std::string>{"EnabledImages", "PngOptions", "Width", "Height"}));

    const QMetaProperty options = meta.property(meta.indexOfProperty("PngOptions"));
    ASSERT_TRUE(options.isFlagType());
    const QMetaEnum names2 = options.enumerator();
    EXPECT_EQ(names2.valueToKeys(options.read(&list).toInt()), "pngBlendOnDisabled");
    bool ok = false;
    const int value = names2.keysToValue("pngGrayscaleOnDisabled|pngDarker", &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(options.write(&list, QVariant::fromValue(PngOptionFlags::TPngOptionSet::fromInt(value))));
    EXPECT_EQ(list.PngOptions(), (TPngOptions{pngGrayscaleOnDisabled, pngDarker}));
    EXPECT_TRUE(list.setProperty("Width", 40));
    EXPECT_EQ(list.Width(), 40);
}

TEST(PngImageList, ASizeChangeDiscardsThePictures)
{
    TPngImageList list;
    AddPictures(list, {kRed, kGreen});
    list.SetHeight(16);
    EXPECT_EQ(list.PngImages().Count(), 2);
    EXPECT_GT(CountChanges(list, [&] { list.SetWidth(24); }), 0);
    EXPECT_EQ(list.PngImages().Count(), 0);
    EXPECT_EQ(list.Count(), 0);
    AddPictures(list, {kRed});
    list.SetHeight(40);
    EXPECT_EQ(list.PngImages().Count(), 0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(list.SetWidth(0), EInvalidOperation);
    EXPECT_EQ(list.Width(), 24);
}

TEST(PngImageList, AbsentPicturesAddNothingAndChangeNothing)
{
    TPngImageList list;
    AddPictures(list, {kRed});
    const TBitmap empty;
    const TIcon noIcon;
    const std::vector<std::function<int()>> adds = {
        [&] { return list.Add(nullptr, nullptr); },   [&] { return list.Add(&empty, nullptr); },
        [&] { return list.AddIcon(nullptr); },        [&] { return list.AddIcon(&noIcon); },
        [&] { return list.AddMasked(nullptr, clRed); }, [&] { return list.AddMasked(&empty, clRed); },
    };
    const std::vector<std::function<void()>> others = {
        [&] { list.Insert(0, nullptr, nullptr); },  [&] { list.InsertIcon(0, &noIcon); },
        [&] { list.InsertMasked(0, &empty, clRed); }, [&] { list.Replace(0, nullptr, nullptr); },
        [&] { list.ReplaceIcon(0, nullptr); },     [&] { list.ReplaceMasked(0, &empty, clRed); },
        [&] { list.Delete(1); },                   [&] { list.Delete(-1); },
        [&] { list.AddImages(nullptr); },
    };
    for (std::size_t k = 0; k < adds.size(); ++k)
        EXPECT_EQ(CountChanges(list, [&] { EXPECT_EQ(adds[k](), -1) << "add " << k; }), 0) << "add " << k;
    for (std::size_t k = 0; k < others.size(); ++k)
        EXPECT_EQ(CountChanges(list, others[k]), 0) << "call " << k;
    EXPECT_EQ(list.PngImages().Count(), 1);
    EXPECT_EQ(list.Count(), 1);
}

TEST(PngImageList, OperationsReachedThroughTheBaseMakePngItems)
{
    TPngImageList pngList;
    TCustomImageList& list = pngList;
    TBitmap strip = FilledBitmap(48, 16, clRed);
    TBitmap mask = FilledBitmap(48, 16, clWhite);
    mask.SetPixel(0, 0, clBlack);
    const TBitmap green = FilledBitmap(16, 16, RGBColor(0, 255, 0));
    const TIcon icon(FilledBitmap(16, 16, clNavy), FilledBitmap(16, 16, clBlack));

    EXPECT_EQ(list.Add(&strip, &mask), 0);
    EXPECT_EQ(list.AddMasked(&green, RGBColor(0, 255, 0)), 1);
    EXPECT_EQ(list.AddIcon(&icon), 2);
    list.InsertMasked(0, &strip, clWhite);
    list.ReplaceIcon(3, &icon);
    list.Replace(2, &green, nullptr);
    list.Delete(1);
    ASSERT_EQ(pngList.PngImages().Count(), 3);
    ASSERT_EQ(list.Count(), 3);

    const TPNGObject& fromStrip = *pngList.PngImages().GetItem(0)->PngImage();
    EXPECT_EQ(fromStrip.Width(), 48);
    EXPECT_EQ(fromStrip.ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(fromStrip.ToQImage().pixel(20, 5), qRgba(255, 0, 0, 255));
    EXPECT_EQ(ItemColors(pngList)[1], qRgba(0, 255, 0, 255));
    EXPECT_EQ(ItemColors(pngList)[2], qRgba(0, 0, 128, 255));
    EXPECT_EQ(NativeColors(pngList), ItemColors(pngList));
    EXPECT_EQ(ItemNames(pngList), (std::vector<std::string>{"PngImage3", "PngImage1", "PngImage2"}));

    list.AddImages(&pngList);
    EXPECT_EQ(ItemColors(pngList).size(), 6u);
    EXPECT_EQ(NativeColors(pngList), ItemColors(pngList));
    list.Clear();
    EXPECT_EQ(pngList.PngImages().Count(), 0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(PngImageList, APlainListReachedThroughTheBaseKeepsItsOwnBehaviour)
{
    TCustomImageList plain;
    TPngImageList pngList;
    const TBitmap strip = FilledBitmap(48, 16, clRed);
    for (TCustomImageList* list : {&plain, static_cast<TCustomImageList*>(&pngList)})
        list->Add(&strip, nullptr);
    EXPECT_EQ(plain.Count(), 3);
    EXPECT_EQ(pngList.Count(), 1);
    EXPECT_THROW(plain.Delete(5), EInvalidOperation);
    pngList.Delete(5);
    EXPECT_EQ(pngList.Count(), 1);
}

TEST(PngImageList, MoveKeepsItemsAndNativeImagesInTheSameOrder)
{
    struct Case {
        int from, to;
        std::vector<QRgb> colors;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {0, 2, {kGreen, kBlue, kRed}, {"PngImage1", "PngImage2", "PngImage0"}},
        {2, 0, {kBlue, kRed, kGreen}, {"PngImage2", "PngImage0", "PngImage1"}},
        {1, 1, {kRed, kGreen, kBlue}, {"PngImage0", "PngImage1", "PngImage2"}},
    };
    for (const Case& c : cases) {
        TPngImageList list;
        AddPictures(list, {kRed, kGreen, kBlue});
        list.Move(c.from, c.to);
        EXPECT_EQ(ItemColors(list), c.colors) << c.from << "->" << c.to;
        EXPECT_EQ(NativeColors(list), c.colors) << c.from << "->" << c.to;
        EXPECT_EQ(ItemNames(list), c.names) << c.from << "->" << c.to;
    }
    TPngImageList list;
    AddPictures(list, {kRed, kGreen});
    EXPECT_THROW(list.Move(0, 2), EInvalidOperation);
    EXPECT_THROW(list.Move(-1, 0), EInvalidOperation);
    EXPECT_EQ(NativeColors(list), (std::vector<QRgb>{kRed, kGreen}));
}

TEST(PngImageList, TheDisabledLookInTheNativeListUsesOnlyBlendAndGrey)
{
    const QRgb blended = qRgba(200, 40, 40, 128);
    const int grey = 88; // 0.30 × 200 + 0.59 × 40 + 0.11 × 40, moved fully to grey
    struct Case {
        TPngOptions options;
        QRgb expected;
    };
    const std::vector<Case> cases = {
        {{}, kRed},
        {{pngBlendOnDisabled}, blended},
        {{pngBlendOnDisabled, pngBrighter}, blended},
        {{pngBlendOnDisabled, pngDarker}, blended},
        {{pngGrayscaleOnDisabled, pngDarker}, qRgba(grey, grey, grey, 255)},
        {{pngBrighter, pngDarker}, kRed},
    };
    for (const Case& c : cases) {
        TPngImageList list;
        AddPictures(list, {kRed});
        list.SetPngOptions(c.options);
        list.SetEnabledImages(false);
        EXPECT_EQ(NativePixel(list, 0), c.expected) << int(c.options.Byte());
        const TBitmap blue = FilledBitmap(16, 16, RGBColor(40, 40, 200));
        list.Insert(0, &blue, nullptr);
        EXPECT_EQ(qAlpha(NativePixel(list, 0)), qAlpha(c.expected)) << int(c.options.Byte());
        list.SetEnabledImages(true);
        EXPECT_EQ(NativePixel(list, 1), kRed);
    }
}

TEST(PngImageList, DrawPaintsThePictureAndADisabledOneWithTheOptions)
{
    struct Case {
        bool enabled;
        TPngOptions options;
        int alpha;
    };
    const std::vector<Case> cases = {
        {true, {pngBlendOnDisabled}, 255},
        {false, {pngBlendOnDisabled}, 128},
        {false, {}, 255},
    };
    for (const Case& c : cases) {
        TPngImageList list;
        AddPictures(list, {kRed});
        list.SetPngOptions(c.options);
        QImage target(40, 20, QImage::Format_ARGB32);
        target.fill(Qt::transparent);
        {
            TCanvas canvas(&target);
            list.Draw(canvas, 2, 2, 0, c.enabled);
            list.Draw(canvas, 20, 2, 1, c.enabled);
            list.Draw(canvas, 20, 2, -1, c.enabled);
        }
        const QColor drawn = target.pixelColor(9, 9);
        EXPECT_NEAR(drawn.alpha(), c.alpha, 1) << c.enabled;
        EXPECT_NEAR(drawn.red(), 200, 2) << c.enabled;
        EXPECT_NEAR(drawn.green(), 40, 2) << c.enabled;
        EXPECT_EQ(qAlpha(target.pixel(1, 1)), 0);
        EXPECT_EQ(qAlpha(target.pixel(25, 9)), 0);
    }
}

TEST(PngImageList, AnUpdateInProgressHoldsTheRebuildBack)
{
    TPngImageList list;
    list.BeginUpdate();
    list.BeginUpdate();
    AddPictures(list, {kRed, kGreen});
    list.EndUpdate(true);
    EXPECT_EQ(list.Count(), 0);
    list.EndUpdate(false);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(list.Count(), 0);
    list.EndUpdate(true);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(list.Count(), 2);
    list.PngImages().GetItem(0)->SetPngImage(Picture(16, 16, kBlue));
    EXPECT_EQ(NativePixel(list, 0), kBlue);
}

TEST(PngImageList, ItemsWithoutAPictureAreLeftOutOfTheNativeList)
{
    TPngImageList list;
    AddPictures(list, {kRed});
    list.PngImages().Add(true);
    AddPictures(list, {kGreen});
    EXPECT_EQ(NativeColors(list), (std::vector<QRgb>{kRed, kGreen}));
}

TEST(PngImageList, WidgetsGetTheNativePicturesAsIcons)
{
    TPngImageList list;
    AddPictures(list, {qRgba(10, 20, 30, 0), kGreen});
    EXPECT_EQ(list.GetQIcon(1).pixmap(16, 16).toImage().pixel(8, 8), kGreen);
    EXPECT_EQ(qAlpha(list.GetImage(0).pixel(3, 3)), 0);
}

TEST(PngImageList, AssignToAnotherPngListTakesPicturesAndEnabledImagesButNotOptions)
{
    TPngImageList source;
    source.SetWidth(24);
    AddPictures(source, {kRed, kGreen});
    source.PngImages().GetItem(1)->SetBackground(clWindow);
    source.SetEnabledImages(false);
    source.SetPngOptions(TPngOptions{pngGrayscaleOnDisabled});
    TPngImageList copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Width(), 24);
    EXPECT_FALSE(copy.EnabledImages());
    EXPECT_EQ(copy.PngOptions(), TPngOptions{pngBlendOnDisabled});
    EXPECT_EQ(ItemColors(copy), ItemColors(source));
    EXPECT_EQ(ItemNames(copy), ItemNames(source));
    EXPECT_EQ(copy.PngImages().GetItem(1)->Background(), clWindow);
    EXPECT_EQ(qAlpha(NativePixel(copy, 0)), 128);
}

TEST(PngImageList, DefinedPropertiesStoreTheItemsAndTheDesignPositionAndReadThemBack)
{
    TPngImageList list;
    AddPictures(list, {kRed, kGreen});
    list.PngImages().GetItem(1)->SetBackground(clWindow);
    list.PngImages().GetItem(1)->SetName(AnsiString::FromUtf8("Лампа"));
    list.SetDesignPosition(40, 312);
    DefinitionFiler filer;
    list.DefineProperties(filer);
    EXPECT_EQ(filer.names, (std::vector<std::string>{"PngImages", "Left", "Top"}));
    auto written = filer.Written();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written["Left"].integer, 40);
    EXPECT_EQ(written["Top"].integer, 312);
    const TFormValue& images = written["PngImages"];
    ASSERT_EQ(images.kind, TFormValue::Kind::Collection);
    ASSERT_EQ(images.items.size(), 2u);
    EXPECT_EQ(PropertyNames(images.items[0]), (std::vector<std::string>{"PngImage.Data", "Name"}));
    EXPECT_EQ(PropertyNames(images.items[1]), (std::vector<std::string>{"PngImage.Data", "Name", "Background"}));
    EXPECT_TRUE(images.items[0].properties[0].value.binary.startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(images.items[0].properties[1].value.text, "PngImage0");
    EXPECT_EQ(images.items[1].properties[1].value.text, QString::fromUtf8("Лампа"));
    EXPECT_EQ(images.items[1].properties[2].value.kind, TFormValue::Kind::Identifier);
    EXPECT_EQ(images.items[1].properties[2].value.text, "clWindow");

    TPngImageList read;
    DefinitionFiler reader;
    read.DefineProperties(reader);
    for (const auto& [name, value] : written)
        reader.definitions[name].read(value);
    EXPECT_EQ(ItemColors(read), ItemColors(list));
    EXPECT_EQ(NativeColors(read), NativeColors(list));
    EXPECT_EQ(ItemNames(read), ItemNames(list));
    EXPECT_EQ(read.PngImages().GetItem(0)->Background(), clBtnFace);
    EXPECT_EQ(read.PngImages().GetItem(1)->Background(), clWindow);
    EXPECT_EQ(read.DesignLeft(), 40);
    EXPECT_EQ(read.DesignTop(), 312);
    DefinitionFiler again;
    read.DefineProperties(again);
    EXPECT_EQ(again.Written()["PngImages"].items[1].properties[0].value.binary,
              images.items[1].properties[0].value.binary);
}

TEST(PngImageList, ReadRoutinesRejectValuesThatDoNotFitAndKeepTheList)
{
    const auto item = [](std::vector<TFormProperty> properties) {
        return TFormValue::OfCollection({TFormItem{std::move(properties)}});
    };
    const QByteArray truncated = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    const std::vector<std::pair<std::string, TFormValue>> cases = {
        {"PngImages", TFormValue::OfInteger(3)},
        {"PngImages", item({{"PngImage.Data", TFormValue::OfString("89504E47")}})},
        {"PngImages", item({{"PngImage.Data", TFormValue::OfBinary(truncated)}})},
        {"PngImages", item({{"Name", TFormValue::OfInteger(1)}})},
        {"PngImages", item({{"Background", TFormValue::OfIdentifier("clNoSuchColour")}})},
        {"PngImages", item({{"Background", TFormValue::OfInteger(std::int64_t(1) << 40)}})},
        {"PngImages", item({{"Caption", TFormValue::OfString("x")}})},
        {"Left", TFormValue::OfString("40")},
        {"Top", TFormValue::OfInteger(40000)},
    };
    for (const auto& [name, value] : cases) {
        TPngImageList list;
        AddPictures(list, {kRed});
        list.SetDesignPosition(1, 2);
        DefinitionFiler filer;
        list.DefineProperties(filer);
        EXPECT_THROW(filer.definitions[name].read(value), Exception) << name;
        EXPECT_EQ(ItemColors(list), std::vector<QRgb>{kRed}) << name;
        EXPECT_EQ(NativeColors(list), std::vector<QRgb>{kRed}) << name;
        EXPECT_EQ(list.DesignLeft(), 1);
        EXPECT_EQ(list.DesignTop(), 2);
    }
}

TEST(PngImageList, NativeImagesFollowTheItemsAroundItemsWithoutAPicture)
{
    const TBitmap white = FilledBitmap(16, 16, clWhite);
    const std::vector<std::pair<std::string, std::function<void(TPngImageList&)>>> operations = {
        {"move down", [](TPngImageList& list) { list.Move(0, 3); }},
        {"move up", [](TPngImageList& list) { list.Move(3, 0); }},
        {"move the empty item", [](TPngImageList& list) { list.Move(1, 3); }},
        {"delete after", [](TPngImageList& list) { list.Delete(2); }},
        {"delete the empty item", [](TPngImageList& list) { list.Delete(1); }},
        {"delete the last", [](TPngImageList& list) { list.Delete(3); }},
        {"insert after", [&white](TPngImageList& list) { list.Insert(3, &white, nullptr); }},
        {"replace after", [&white](TPngImageList& list) { list.Replace(2, &white, nullptr); }},
        {"replace the empty item", [&white](TPngImageList& list) { list.Replace(1, &white, nullptr); }},
    };
    // Native images not made yet, and made before the operation.
    for (const bool made : {false, true}) {
        for (const auto& [name, operation] : operations) {
            TPngImageList list;
            AddPictures(list, {kRed});
            list.PngImages().Add(true);
            AddPictures(list, {kGreen, kBlue});
            if (made)
                list.GetImage(0);
            operation(list);
            std::vector<QRgb> pictured;
            for (int i = 0; i < list.PngImages().Count(); ++i) {
                if (const TPNGObject* png = list.PngImages().GetItem(i)->PngImage())
                    pictured.push_back(png->ToQImage().pixel(8, 8));
            }
            EXPECT_EQ(NativeColors(list), pictured) << name << (made ? ", made before" : "");
        }
    }
}

TEST(PngImageList, AChangedMaskedFlagKeepsThePicturesInTheNativeList)
{
    TPngImageList list;
    AddPictures(list, {kRed, kGreen});
    for (const bool masked : {false, true}) {
        EXPECT_GT(CountChanges(list, [&] { list.SetMasked(masked); }), 0);
        EXPECT_EQ(list.PngImages().Count(), 2) << masked;
        ASSERT_EQ(list.Count(), 2) << masked;
        EXPECT_EQ(NativeColors(list), (std::vector<QRgb>{kRed, kGreen})) << masked;
    }
}

TEST(PngImageList, DeleteTakesIndexesBelowTheNativeCountOnly)
{
    struct Case {
        int index;
        std::vector<std::string> names;
        std::vector<QRgb> native;
    };
    // Items: PngImage0 (red), PngImage1 (no picture), PngImage2 (green); the native count is 2.
    const std::vector<Case> cases = {
        {0, {"PngImage1", "PngImage2"}, {kGreen}},
        {1, {"PngImage0", "PngImage2"}, {kRed, kGreen}},
        {2, {"PngImage0", "PngImage1", "PngImage2"}, {kRed, kGreen}},
        {-1, {"PngImage0", "PngImage1", "PngImage2"}, {kRed, kGreen}},
    };
    for (const Case& c : cases) {
        TPngImageList list;
        AddPictures(list, {kRed});
        list.PngImages().Add(true);
        AddPictures(list, {kGreen});
        ASSERT_EQ(list.Count(), 2);
        list.Delete(c.index);
        EXPECT_EQ(ItemNames(list), c.names) << c.index;
        EXPECT_EQ(NativeColors(list), c.native) << c.index;
    }
}

TEST(PngImageList, AnItemWithAnEmptyPictureReadsBackWithItsPicture)
{
    TPngImageList list;
    list.PngImages().Add();
    AddPictures(list, {kRed});
    list.PngImages().Add(true);
    ASSERT_EQ(list.Count(), 2);
    DefinitionFiler filer;
    list.DefineProperties(filer);
    const TFormValue written = filer.Written()["PngImages"];

    TPngImageList read;
    DefinitionFiler reader;
    read.DefineProperties(reader);
    reader.definitions["PngImages"].read(written);
    ASSERT_EQ(read.PngImages().Count(), 3);
    ASSERT_NE(read.PngImages().GetItem(0)->PngImage(), nullptr);
    EXPECT_TRUE(read.PngImages().GetItem(0)->PngImage()->Empty());
    EXPECT_EQ(read.PngImages().GetItem(2)->PngImage(), nullptr);
    EXPECT_EQ(read.Count(), list.Count());
    EXPECT_EQ(NativeColors(read), NativeColors(list));
}

TEST(PngImageList, AnItemNameOutsideWindows1251IsRefused)
{
    const auto named = [](const char* utf8) {
        return TFormValue::OfCollection({TFormItem{{{"Name", TFormValue::OfString(QString::fromUtf8(utf8))}}}});
    };
    TPngImageList list;
    DefinitionFiler filer;
    list.DefineProperties(filer);
    EXPECT_THROW(filer.definitions["PngImages"].read(named("Лампа 中")), Exception);
    EXPECT_EQ(list.PngImages().Count(), 0);
    filer.definitions["PngImages"].read(named("Лампа №1"));
    EXPECT_EQ(list.PngImages().GetItem(0)->Name(), AnsiString::FromUtf8("Лампа №1"));
}

TEST(PngImageList, OperationsBeyondTheBudgetRaiseNamingTheListAndChangeNothing)
{
    TPngImageList list;
    list.setObjectName("PIL_Big");
    list.SetWidth(TCustomImageList::kMaxSide);
    list.SetHeight(TCustomImageList::kMaxSide); // one native image counts 80 MiB
    const TIcon icon(FilledBitmap(16, 16, clNavy), FilledBitmap(16, 16, clBlack));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.AddIcon(&icon), i);
    const TBitmap bitmap = FilledBitmap(16, 16, clRed);
    const std::vector<std::pair<std::string, std::function<void()>>> operations = {
        {"AddIcon", [&] { list.AddIcon(&icon); }},
        {"Add", [&] { list.Add(&bitmap, nullptr); }},
        {"InsertMasked", [&] { list.InsertMasked(1, &bitmap, clWhite); }},
        {"AddImages", [&] { list.AddImages(&list); }},
    };
    for (const auto& [name, operation] : operations) {
        try {
            operation();
            ADD_FAILURE() << name << " was not refused";
        } catch (const EInvalidOperation& error) {
            EXPECT_NE(error.Message().Bytes().find("PIL_Big"), std::string::npos) << name;
        }
        EXPECT_EQ(list.PngImages().Count(), 3) << name;
        EXPECT_EQ(list.Count(), 3) << name;
    }
    list.ReplaceIcon(0, &icon);
    EXPECT_EQ(list.Count(), 3);

    // Items added to the collection itself are held to the budget when their native images are made.
    list.PngImages().Add();
    EXPECT_EQ(list.Count(), 4);
    EXPECT_THROW(list.GetImage(0), EInvalidOperation);
    EXPECT_EQ(list.PngImages().Count(), 4);
}
