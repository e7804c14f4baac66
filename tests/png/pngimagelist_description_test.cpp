// A PNG image list in a window description: what the writer stores of it, and a round trip.
#include "png/pngimagelist.h"

#include "classlib/forms/classregistry.h"
#include "classlib/base/exception.h"
#include "classlib/forms/formparser.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/formwriter.h"
#include "png/pngimagecollection.h"
#include "png/pngimagecollectionitem.h"
#include "png/pngimagecollectionitems.h"

#include "support/testchild.h"
#include "support/pngpicture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QWidget>

#include <map>
#include <sstream>
#include <string>

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

namespace {

// The binary value of a PNG file as a description writes it: upper-case hexadecimal, 64 digits a line.
std::string BinaryValue(const QByteArray& file)
{
    const std::string hex = file.toHex().toUpper().toStdString();
    std::string value = "{";
    for (std::size_t at = 0; at < hex.size(); at += 64)
        value += "\n        " + hex.substr(at, 64);
    return value + "}";
}

// A form holding one component of className whose collection property holds count copies of picture.
std::string HoldingDescription(const std::string& className, const std::string& collection, int side,
                               int count, const QByteArray& picture)
{
    std::string text = "object Form: TForm\n  object Pictures: " + className + "\n";
    if (side > 0)
        text += "    Width = " + std::to_string(side) + "\n    Height = " + std::to_string(side) + "\n";
    text += "    " + collection + " = <";
    const std::string data = BinaryValue(picture);
    for (int i = 0; i < count; ++i)
        text += "\n      item\n        PngImage.Data = " + data + "\n        Name = 'P" + std::to_string(i) + "'\n      end";
    return text + ">\n  end\nend\n";
}

// A form of several lists, each within the budget of one list, count pictures in each.
std::string ManyListsDescription(int lists, int count, const QByteArray& picture)
{
    std::string text = "object Form: TForm\n";
    for (int i = 1; i <= lists; ++i) {
        const std::string list = HoldingDescription("TPngImageList", "PngImages", 16, count, picture);
        const std::size_t start = list.find("  object Pictures");
        text += list.substr(start, list.rfind("end\n") - start);
        text.insert(text.rfind("object Pictures") + std::string("object Pictures").size(), std::to_string(i));
    }
    return text + "end\n";
}

QByteArray SolidPicture(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(qRgba(200, 40, 40, 255));
    return PngFileOf(image);
}

// Reads text in a child; 0 when it is refused with a message naming the component "Pictures", 1 when it
// is read, 2 when refused with another message.
int ReadRefusedNamingPictures(const std::string& text)
{
    QWidget form;
    try {
        TFormReader::Read(&form, text);
    } catch (const EReadError& error) {
        const std::string message = error.Message().ToUtf8();
        return message.find("Pictures") != std::string::npos && message.find("256 MiB") != std::string::npos ? 0 : 2;
    }
    return 1;
}

} // namespace

// The budget holds for the whole description, not only for each list.
TEST(PngImageListDescription, PicturesBeyondTheTotalBudgetAreRefusedWithinBoundedMemory)
{
    RegisterClass<QWidget>("TForm");
    RegisterClass<TPngImageList>("TPngImageList");
    RegisterClass<TPngImageCollection>("TPngImageCollection");
    struct Case {
        std::string text;
        long maxGrowthMiB;
    };
    const QByteArray tiny = SolidPicture(4);
    const QByteArray large = SolidPicture(3600); // within the limit of one picture, eight of them are not
    const std::map<std::string, Case> cases = {
        {"ten tiny pictures in the largest list", {HoldingDescription("TPngImageList", "PngImages", 4096, 10, tiny), 64}},
        {"large pictures in a list", {HoldingDescription("TPngImageList", "PngImages", 16, 8, large), 384}},
        {"large pictures in a collection", {HoldingDescription("TPngImageCollection", "Items", 0, 8, large), 384}},
        {"eight lists of three large pictures", {ManyListsDescription(8, 3, large), 384}},
    };
    if (IsTestChild())
        ::_exit(TestChildPart() == kIdlePart ? 0 : ReadRefusedNamingPictures(cases.at(TestChildPart()).text));
    const long idle = RunTestInChild(kIdlePart).peakResidentKiB;
    for (const auto& [name, c] : cases) {
        const ChildOutcome outcome = RunTestInChild(name);
        EXPECT_TRUE(outcome.exited) << name << ": ended by signal " << outcome.signal;
        EXPECT_EQ(outcome.exitCode, 0) << name;
        if (!kSanitizedBuild) {
            EXPECT_LT((outcome.peakResidentKiB - idle) / 1024, c.maxGrowthMiB) << name;
        }
    }
}

TEST(PngImageListDescription, AListWithinTheBudgetReadsWithoutMakingItsNativeImages)
{
    RegisterClass<QWidget>("TForm");
    RegisterClass<TPngImageList>("TPngImageList");
    if (IsTestChild() && TestChildPart() == kIdlePart)
        ::_exit(0);
    if (IsTestChild()) {
        // Three native images of the largest size take 240 MiB once made; reading makes none of them.
        QWidget form;
        TFormReader::Read(&form, HoldingDescription("TPngImageList", "PngImages", 4096, 3, SolidPicture(4)));
        const auto* list = form.findChild<TPngImageList*>("Pictures");
        ::_exit(list && list->Count() == 3 && list->PngImages().Count() == 3 ? 0 : 1);
    }
    const long idle = RunTestInChild(kIdlePart).peakResidentKiB;
    const ChildOutcome outcome = RunTestInChild("read");
    EXPECT_EQ(outcome.exitCode, 0);
    if (!kSanitizedBuild) {
        EXPECT_LT((outcome.peakResidentKiB - idle) / 1024, 32);
    }
}

TEST(PngImageListDescription, AnEmptyPictureIsWrittenAndReadsBackTheSame)
{
    RegisterClass<QWidget>("TForm");
    RegisterClass<TPngImageList>("TPngImageList");
    QWidget form;
    form.setObjectName("Form");
    auto* list = new TPngImageList(&form);
    list->setObjectName("PIL_Icons");
    list->PngImages().Add();
    list->PngImages().Add().SetPngImage(Picture(qRgb(0, 0, 255)));
    list->PngImages().Add(true);
    const std::string written = TFormWriter::Write(&form);
    QWidget copy;
    TFormReader::Read(&copy, written);
    EXPECT_EQ(ListOf(copy)->Count(), 2);
    EXPECT_EQ(ListOf(copy)->PngImages().Count(), 3);
    EXPECT_EQ(TFormWriter::Write(&copy), written);
}
