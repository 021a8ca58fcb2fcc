#pragma once

#include <cstdint>

#include "access/declarations.h"
#include "chip/channels.h"

// The gauge's view of the channel table, and the rule that keeps the two limits apart. Plain data
// and arithmetic: the gauge procedures in limits_gauge.cpp apply them.
namespace display {

// The Channel Mode value the display flags stand for (bits 0 to 3).
int ChannelModeOfFlags(const devaccess::Declarations& d);

// The channel a label's gauge shows under the display flags now set, or nullptr for a label
// without one (0..2, 13, ...).
const chip::Channel* GaugeChannelOf(const devaccess::Declarations& d, int label);

// A fan shows one draggable pointer (slot 2) and nothing else.
inline bool FanStyle(const chip::Channel& c) {
  return c.quantity == chip::Quantity::Rpm;
}

// The limits are compared as fixed-point numbers with four decimals, so the gap rule gives the
// same answer whatever binary noise the gauge's doubles carry.
std::int64_t ToFixed4(double value);
double FromFixed4(std::int64_t fixed);

struct Gaps {
  std::int64_t trigger;  // fixed point, four decimals
  std::int64_t reset;
};
Gaps GapsFor(const chip::Channel& channel);

// The low limit after the user put it at `low` with the high limit at `high`: closer than the
// trigger gap to the high limit, it goes back to the reset gap below it.
double LowLimitAfterGapRule(double low, double high, const Gaps& gaps);
// The mirror image for a dragged high limit.
double HighLimitAfterGapRule(double high, double low, const Gaps& gaps);

}  // namespace display
