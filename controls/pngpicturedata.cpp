#include "controls/pngpicturedata.h"

#include "classlib/base/exception.h"
#include "classlib/graphics/picturebudget.h"
#include "png/pngcodec.h"

#include <new>
#include <sstream>

namespace {

Exception PictureError(const std::string& name, const std::string& what)
{
    return Exception(AnsiString(name + ": " + what));
}

TPNGObject PictureFromFile(const std::string& name, const TFormValue& value)
{
    if (value.kind != TFormValue::Kind::Binary)
        throw PictureError(name, "binary data expected");
    int width = 0;
    int height = 0;
    if (PeekPngSize(value.binary.constData(), std::size_t(value.binary.size()), width, height) &&
        FitsPngGuards(width, height))
        TPictureBudget::Check(TPictureBudget::PictureBytes(width, height));
    std::istringstream file(value.binary.toStdString());
    TPNGObject picture;
    try {
        picture.LoadFromStream(file);
    } catch (const Exception& error) {
        throw PictureError(name, "corrupt PNG data (" + error.Message().Bytes() + ")");
    } catch (const std::bad_alloc&) {
        throw PictureError(name, "PNG picture too large");
    }
    TPictureBudget::Take(TPictureBudget::PictureBytes(picture.Width(), picture.Height()));
    return picture;
}

TFormValue FileOfPicture(const TPNGObject& picture)
{
    std::ostringstream file;
    picture.SaveToStream(file);
    const std::string bytes = file.str();
    return TFormValue::OfBinary(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace

void DefinePngPictureData(TFiler& filer, const std::string& property, const TPNGObject& picture,
                          std::function<void(const TPNGObject&)> assign)
{
    const std::string name = property + ".Data";
    filer.DefineProperty(
        name, [name, assign = std::move(assign)](const TFormValue& value) { assign(PictureFromFile(name, value)); },
        [&picture] { return FileOfPicture(picture); }, !picture.Empty());
}
