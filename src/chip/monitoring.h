#pragma once

#include <string_view>

namespace chip {

// START, bit 0 of Configuration 1: while it is clear the chip converts nothing, so its readings
// and status stand still (at zero after power-up).
inline bool Monitoring(int configuration1) {
  return (configuration1 & 0x01) != 0;
}

// Why a chip does not monitor, as every program that shows readings says it, each adding how to
// start the chip from where the user is.
inline constexpr std::string_view kStartClear = "START (bit 0 of Configuration 1) is clear";

}  // namespace chip
