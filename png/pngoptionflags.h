// The drawing effects as a set the meta-object system knows by name, so that window descriptions can
// state them ([pngBlendOnDisabled, pngGrayscaleOnDisabled]). Each flag's bit is the bit of the effect in
// TPngOptions.
#pragma once

#include "png/pngfunctions.h"

#include <QObject>

namespace PngOptionFlags {
Q_NAMESPACE

enum TPngOptionFlag {
    pngBlendOnDisabled = 1 << ::pngBlendOnDisabled,
    pngGrayscaleOnDisabled = 1 << ::pngGrayscaleOnDisabled,
    pngBrighter = 1 << ::pngBrighter,
    pngDarker = 1 << ::pngDarker,
};
Q_DECLARE_FLAGS(TPngOptionSet, TPngOptionFlag)
Q_FLAG_NS(TPngOptionSet)

TPngOptionSet ToFlags(TPngOptions options);
TPngOptions FromFlags(TPngOptionSet flags);

} // namespace PngOptionFlags

Q_DECLARE_OPERATORS_FOR_FLAGS(PngOptionFlags::TPngOptionSet)
