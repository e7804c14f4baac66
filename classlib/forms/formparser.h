// Turns the text of a window description into its tree of objects, without touching any component.
// Every fault raises EReadError whose message starts with "Line <n>: " and names what is wrong. A UTF-8
// byte-order mark at the start is skipped. A property given twice in one object or one collection item is a
// fault, as is a text longer than MaxTextSize. Lists hold strings only (they are string lists).
#pragma once

#include "classlib/widgets/formvalue.h"

#include <cstddef>
#include <string_view>

class TFormParser {
public:
    // Bounds that keep hostile text from exhausting memory or the stack.
    static constexpr std::size_t MaxTextSize = 16u << 20; // 16 MiB, more than any window with its pictures needs
    static constexpr std::size_t MaxLineLength = 1u << 20;
    static constexpr int MaxDepth = 64;        // nested objects and collections together
    static constexpr std::size_t MaxSetSize = 256; // members of one set, as many as a set type can have

    static TFormObject Parse(std::string_view text);
};
