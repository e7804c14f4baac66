#include "classlib/widgets/windowfonts.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

// Where the system lists no MS Sans Serif (Linux without the wine fonts, or Windows, whose font engine refuses
// the wine fonts' file of bitmaps alone), Tahoma stands in for it, not whatever face the system would take.
TEST(WindowFonts, TahomaStandsInForAMissingMsSansSerif)
{
    const bool systemHasIt = QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"));
    TWindowFonts::Register();
    if (systemHasIt)
        GTEST_SKIP() << "this system has an MS Sans Serif of its own";
    EXPECT_TRUE(QFont::substitutes(QStringLiteral("MS Sans Serif")).contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive));
}
