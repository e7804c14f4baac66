#include "classlib/widgets/windowfonts.h"

#include "classlib/graphics/bitmapfontface.h"
#include "classlib/widgets/textstyle.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>

namespace {

const char* const kScalableFonts[] = {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"};
const char* const kBitmapFont = "/usr/share/wine/fonts/ms_sans_serif.ttf";

} // namespace

void TWindowFonts::Register()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    for (const char* file : kScalableFonts)
        if (QFile::exists(QString::fromLatin1(file)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    if (QFile::exists(QString::fromLatin1(kBitmapFont))) {
        QFontDatabase::addApplicationFont(QString::fromLatin1(kBitmapFont));
        TBitmapFontFace::Register(QString::fromLatin1(kBitmapFont), QStringLiteral("Tahoma"));
    }
    QApplication::setStyle(new TTextStyle());
}
