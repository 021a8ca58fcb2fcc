#pragma once

#include <string>

namespace notation {

// The programs' own hex notation: "0x2D", "0x378", at least `digits` upper-case digits. (The
// wizard's result lines and base address box keep their "2Dh" form.)
std::string Hex(long value, int digits = 2);
// A register, a value or a bus address of up to 16 bits: "0x2D".
std::string HexByte(int value);

}  // namespace notation
