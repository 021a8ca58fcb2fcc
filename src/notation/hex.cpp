#include "notation/hex.h"

#include <cstdio>

namespace notation {

std::string Hex(long value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*lX", digits, value);
  return text;
}

std::string HexByte(int value) {
  return Hex(static_cast<long>(static_cast<unsigned>(value) & 0xFFFFU));
}

}  // namespace notation
