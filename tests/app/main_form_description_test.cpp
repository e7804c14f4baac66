// The embedded main window description against the picture files it was built from.
#include "classlib/forms/formparser.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <set>
#include <string>
#include <vector>

namespace {

const QString kPictureDir = QStringLiteral(ZENTOR_APP_SOURCE_DIR "/pictures");

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << path.toStdString();
    return file.readAll();
}

QByteArray PictureFile(const QString& name)
{
    return ReadAll(kPictureDir + "/" + name);
}

// The paths of the {@…} placeholders of the template, in file order.
QStringList PlaceholderPaths(const QString& text)
{
    QStringList paths;
    static const QRegularExpression placeholder(QStringLiteral("\\{@([^}]*)\\}"));
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
        paths << match.captured(1);
    return paths;
}

void CollectBinaries(const std::vector<TFormProperty>& properties, std::vector<QByteArray>& out)
{
    for (const TFormProperty& property : properties) {
        if (property.value.kind == TFormValue::Kind::Binary)
            out.push_back(property.value.binary);
        for (const TFormItem& item : property.value.items)
            CollectBinaries(item.properties, out);
    }
}

// Binary values of one object (its own properties and collection items), in file order.
std::vector<QByteArray> BinariesOf(const TFormObject& object)
{
    std::vector<QByteArray> out;
    CollectBinaries(object.properties, out);
    return out;
}

// Binary values of the whole tree in file order: an object's properties stand before its children.
void CollectTree(const TFormObject& object, std::vector<QByteArray>& out)
{
    CollectBinaries(object.properties, out);
    for (const TFormObject& child : object.children)
        CollectTree(child, out);
}

const TFormObject* FindObject(const TFormObject& root, const std::string& name)
{
    if (root.name == name)
        return &root;
    for (const TFormObject& child : root.children)
        if (const TFormObject* found = FindObject(child, name))
            return found;
    return nullptr;
}

const TFormValue* ValueOf(const std::vector<TFormProperty>& properties, const std::string& name)
{
    for (const TFormProperty& property : properties)
        if (property.name == name)
            return &property.value;
    return nullptr;
}

class MainFormDescription : public ::testing::Test {
protected:
    const QString templateText = QString::fromUtf8(ReadAll(ZENTOR_APP_SOURCE_DIR "/main_form.zfm"));
    const QByteArray embedded = ReadAll(":/forms/main_form.zfm");
    const TFormObject form = TFormParser::Parse(embedded.toStdString());
};

TEST_F(MainFormDescription, ExpansionOnlyReplacesPlaceholdersByBinaryValuesOf64DigitLines)
{
    const QStringList paths = PlaceholderPaths(templateText);
    ASSERT_FALSE(paths.isEmpty());
    // "{", then full lines of 64 upper-case digits and a last line of 1 to 64, all at one indentation.
    static const QRegularExpression binary(
        QStringLiteral("\\{\\n( +)(?:[0-9A-F]{64}\\n\\1)*[0-9A-F]{1,64}\\}"));
    QString restored;
    qsizetype last = 0;
    int index = 0;
    const QString text = QString::fromUtf8(embedded);
    for (const QRegularExpressionMatch& match : binary.globalMatch(text)) {
        ASSERT_LT(index, paths.size()) << "more binary values than placeholders";
        restored += text.mid(last, match.capturedStart() - last) + "{@" + paths[index++] + "}";
        last = match.capturedEnd();
    }
    restored += text.mid(last);
    EXPECT_EQ(index, paths.size());
    EXPECT_EQ(restored, templateText);
}

TEST_F(MainFormDescription, EveryPlaceholderBecameTheExactBytesOfItsFile)
{
    const QStringList paths = PlaceholderPaths(templateText);
    std::vector<QByteArray> binaries;
    CollectTree(form, binaries);
    ASSERT_EQ(binaries.size(), size_t(paths.size()));
    for (int i = 0; i < paths.size(); ++i) {
        ASSERT_TRUE(paths[i].startsWith("pictures/")) << paths[i].toStdString();
        EXPECT_EQ(binaries[i], PictureFile(paths[i].mid(9))) << paths[i].toStdString();
    }
}

TEST_F(MainFormDescription, EveryPictureFileIsUsedByTheDescriptionOrAsWindowIcon)
{
    std::set<QString> used;
    for (const QString& path : PlaceholderPaths(templateText))
        used.insert(path.mid(9));
    for (const QString& icon : QDir(":/pictures").entryList())
        used.insert(icon);
    const QStringList files = QDir(kPictureDir).entryList({"*.png"}, QDir::Files);
    EXPECT_EQ(used, std::set<QString>(files.begin(), files.end()));
}

struct PictureCase {
    const char* file;
    int size;
};

const PictureCase kPictures[] = {
    {"appicon_16.png", 16}, {"appicon_32.png", 32}, {"appicon_48.png", 48}, {"appicon_72.png", 72},
    {"btn_quit.png", 32},   {"btn_optionsread.png", 32}, {"btn_optionssave.png", 32},
    {"lamp_off.png", 40},   {"lamp_on.png", 40},       {"port_serial.png", 24}, {"port_usb.png", 24},
};

TEST(MainFormPictures, EachIsAn8BitRgbaPngOfItsSizeTransparentAroundAndOpaqueInside)
{
    for (const PictureCase& picture : kPictures) {
        SCOPED_TRACE(picture.file);
        const QByteArray bytes = PictureFile(picture.file);
        ASSERT_GT(bytes.size(), 26);
        EXPECT_EQ(int(bytes[24]), 8) << "bit depth";
        EXPECT_EQ(int(bytes[25]), 6) << "colour type RGBA";
        const QImage image = QImage::fromData(bytes, "PNG");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(picture.size, picture.size));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(picture.size / 2, picture.size / 4)), 255);
    }
}

TEST(MainFormPictures, WindowIconResourcesAreThePictureFiles)
{
    for (int size : {16, 32, 48, 72}) {
        const QString name = QString("appicon_%1.png").arg(size);
        EXPECT_EQ(ReadAll(":/pictures/" + name), PictureFile(name)) << name.toStdString();
    }
}

struct OwnerCase {
    const char* object;
    std::vector<const char*> files; // in the order the owner holds them
    int size;
    bool imageList;
};

TEST_F(MainFormDescription, EachOwnerHoldsItsPicturesInOrder)
{
    const OwnerCase owners[] = {
        {"PIL_OnLineCom", {"lamp_off.png", "lamp_on.png"}, 40, true},
        {"PIL_Device", {"port_serial.png", "port_usb.png"}, 24, true},
        {"BTN_Quit", {"btn_quit.png"}, 32, false},
        {"BTN_OptionsRead", {"btn_optionsread.png"}, 32, false},
        {"BTN_OptionsSave", {"btn_optionssave.png"}, 32, false},
    };
    for (const OwnerCase& owner : owners) {
        SCOPED_TRACE(owner.object);
        const TFormObject* object = FindObject(form, owner.object);
        ASSERT_NE(object, nullptr);
        const std::vector<QByteArray> binaries = BinariesOf(*object);
        ASSERT_EQ(binaries.size(), owner.files.size());
        for (size_t i = 0; i < binaries.size(); ++i) {
            EXPECT_EQ(binaries[i], PictureFile(owner.files[i])) << owner.files[i];
            EXPECT_EQ(QImage::fromData(binaries[i]).size(), QSize(owner.size, owner.size));
        }
        if (owner.imageList) {
            for (const char* side : {"Width", "Height"}) {
                const TFormValue* value = ValueOf(object->properties, side);
                ASSERT_NE(value, nullptr) << side;
                EXPECT_EQ(value->integer, owner.size) << side;
            }
        }
    }
}

TEST_F(MainFormDescription, ImageListItemsAreNamedByTheirPosition)
{
    for (const char* list : {"PIL_OnLineCom", "PIL_Device"}) {
        const TFormObject* object = FindObject(form, list);
        ASSERT_NE(object, nullptr) << list;
        const TFormValue* images = ValueOf(object->properties, "PngImages");
        ASSERT_NE(images, nullptr) << list;
        ASSERT_EQ(images->kind, TFormValue::Kind::Collection);
        for (size_t i = 0; i < images->items.size(); ++i) {
            const TFormValue* name = ValueOf(images->items[i].properties, "Name");
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name->text, QString("PngImage%1").arg(i)) << list;
        }
    }
}

} // namespace
