// The device's register tables and the value encoding of the erase-mode register D5.
#pragma once

#include "classlib/base/ansistring.h"

#include <array>
#include <cstdint>
#include <optional>

namespace device {

// One request per entry, in order, for the read and for the write exchange.
inline const std::array<AnsiString, 1> ReadRegisters = {"D5"};
inline const std::array<AnsiString, 1> WriteRegisters = {"D5"};

// Items of the erase-mode combo and the register values they stand for.
constexpr int kEraseItem = 0;    // "Стираем": the device erases finalized blanks; value 0x00
constexpr int kKeepItem = 1;     // "Не стираем": it does not; value 0xFF
constexpr std::int32_t kEraseValue = 0x00;
constexpr std::int32_t kKeepValue = 0xFF;

// The two digits to write for a combo item; empty for an item that stands for no value.
AnsiString EraseModeValueText(int item);

// The combo item that a register value stands for; nothing for any other value.
std::optional<int> EraseModeItem(std::int32_t value);

} // namespace device
