#include "classlib/widgets/winefontfile.h"

QString WineFontFile(const char* name)
{
    return QStringLiteral("/usr/share/wine/fonts/") + QString::fromLatin1(name);
}
