#include "png/pngoptionflags.h"

#include <gtest/gtest.h>

#include <QMetaEnum>

TEST(PngOptionFlags, EverySetKeepsItsBitsBothWays)
{
    for (int bits = 0; bits < 16; ++bits) {
        const TPngOptions options = TPngOptions::FromByte(static_cast<std::uint8_t>(bits));
        EXPECT_EQ(PngOptionFlags::ToFlags(options).toInt(), bits);
        EXPECT_EQ(PngOptionFlags::FromFlags(PngOptionFlags::ToFlags(options)), options);
    }
}

TEST(PngOptionFlags, FlagsCarryTheNamesOfTheOptions)
{
    const QMetaEnum flags = QMetaEnum::fromType<PngOptionFlags::TPngOptionSet>();
    ASSERT_TRUE(flags.isFlag());
    EXPECT_EQ(flags.valueToKeys(PngOptionFlags::ToFlags(TPngOptions{pngGrayscaleOnDisabled, pngBrighter}).toInt()),
              "pngGrayscaleOnDisabled|pngBrighter");
    EXPECT_EQ(flags.keyToValue("pngDarker"), 8);
    EXPECT_EQ(flags.keyToValue("pngBlendOnDisabled"), 1);
}
