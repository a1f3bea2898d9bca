// Numbers as the user types and reads them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zavo {

// Reads a signed 32-bit integer: leading blanks, then an optional sign and decimal digits, or a
// hexadecimal number after "$", "x", "X", "0x" or "0X" (up to eight digits, taken as a 32-bit
// pattern). The number must run to the end of the text. Raises EConvertError
// "'%s' は整数ではありません" with the text otherwise.
int32_t StrToInt(std::string_view text);

// A byte count in kilobytes as the size labels show it: count div 1024, then " k".
std::string SizeText(int64_t bytes);

}  // namespace zavo
