#include "png/pngoptionflags.h"

namespace PngOptionFlags {

TPngOptionSet ToFlags(TPngOptions options)
{
    return TPngOptionSet::fromInt(options.Byte());
}

TPngOptions FromFlags(TPngOptionSet flags)
{
    return TPngOptions::FromByte(static_cast<std::uint8_t>(flags.toInt()));
}

} // namespace PngOptionFlags
