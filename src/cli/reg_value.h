#pragma once

#include <string>
#include <string_view>

#include "chip/register_catalogue.h"

// What a person types for a register and for a value, read strictly: anything unclear is refused
// with a message that says what would have been understood.
namespace cli {

struct RegisterArg {
  const chip::RegisterEntry* entry = nullptr;
  std::string error;  // empty when entry is set
};

// "0x40", "40h" or a caption such as "INT Mask 1" (case and surrounding blanks ignored).
RegisterArg ParseRegister(std::string_view text);

struct ValueArg {
  int value = -1;
  std::string error;  // empty when value is 0..255
};

// "0x3F", "3Fh", "63" or "0b00111111".
ValueArg ParseValue(std::string_view text);

struct BitArg {
  int bit = -1;
  int value = -1;
  std::string error;
};

// "N=0" or "N=1" with N 0..7.
BitArg ParseBit(std::string_view text);

}  // namespace cli
