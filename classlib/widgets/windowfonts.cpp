#include "classlib/widgets/windowfonts.h"

#include "classlib/graphics/bitmapfontface.h"
#include "classlib/widgets/textstyle.h"
#include "classlib/widgets/winefontfile.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>

namespace {

const char* const kScalableFonts[] = {"tahoma.ttf", "tahomabd.ttf"};
const char* const kBitmapFont = "ms_sans_serif.ttf";

// Windows has both families of its own; elsewhere a system may have them too.
bool Installed(const char* family)
{
    return QFontDatabase::families().contains(QLatin1String(family));
}

bool Present(const QString& file) { return !file.isEmpty() && QFile::exists(file); }

} // namespace

void TWindowFonts::Register()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    // Both asked before either is added: the regular face of Tahoma must not keep out its bold one.
    const bool tahomaInstalled = Installed("Tahoma");
    const bool msSansSerifInstalled = Installed("MS Sans Serif");
    for (const char* name : kScalableFonts)
        if (const QString file = WineFontFile(name); !tahomaInstalled && Present(file))
            QFontDatabase::addApplicationFont(file);
    if (const QString file = WineFontFile(kBitmapFont); !msSansSerifInstalled && Present(file)) {
        QFontDatabase::addApplicationFont(file);
        TBitmapFontFace::Register(file, QStringLiteral("Tahoma"));
    }
    // Where neither the system nor the file gives MS Sans Serif (Windows' font engine refuses a font file of
    // bitmaps alone), Tahoma, of similar width, stands in rather than whatever the system would take.
    if (!msSansSerifInstalled)
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma"));
    QApplication::setStyle(new TTextStyle());
}
