// Colour values by their names in window descriptions ("clBtnFace", "clWhite" …).
#pragma once

#include "classlib/base/tcolor.h"

#include <optional>
#include <string>
#include <string_view>

// The name of a colour value, or nothing when it has none (it is then stored as a number).
std::optional<std::string> ColorToIdent(TColor color);
// The colour value of a name (case-insensitive), or nothing for an unknown name.
std::optional<TColor> IdentToColor(std::string_view ident);
