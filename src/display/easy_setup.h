#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "display/visual_display_view.h"

// EasySetup: one press puts the chip into a known monitoring state.
namespace display {

struct Vccp1Limits {
  std::uint8_t low;   // register 0x2E
  std::uint8_t high;  // register 0x2D
};

// The +Vccp1 limits for the processor's VID code (VID4 as bit 4, VID3..VID0 as bits 3..0);
// nothing for code 31, which means no core is fitted.
std::optional<Vccp1Limits> Vccp1LimitsForVid(int vid_code);

// Starts the chip, fixes the channel mode and fan divisors, writes every default limit, clears
// the interrupt masks, drives the analog output to full scale, shows the voltage group and +12V,
// and sets the +Vccp1 limits from the VID inputs.
void EasySetup(VisualContext& c);

}  // namespace display
