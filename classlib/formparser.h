// Turns the text of a window description into its tree of objects, without touching any component.
// Every fault raises EReadError whose message starts with "Line <n>: " and names what is wrong.
#pragma once

#include "classlib/formvalue.h"

#include <cstddef>
#include <string_view>

class TFormParser {
public:
    // Bounds that keep hostile text from exhausting memory or the stack.
    static constexpr std::size_t MaxLineLength = 1u << 20;
    static constexpr int MaxDepth = 64; // nested objects and collections together

    static TFormObject Parse(std::string_view text);
};
