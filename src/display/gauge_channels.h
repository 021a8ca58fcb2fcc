#pragma once

#include <cstdint>

// What the limits gauge knows about each channel it can show, and the rule that keeps the two
// limits apart. Plain data and arithmetic: the gauge procedures in limits_gauge.cpp apply them.
namespace display {

enum class LimitConversion { Volts, Celsius, FanCount };

// Which of the gauge's channel labels, by visualdisplaytext index.
namespace channel {
inline constexpr int kFan1 = 3;
inline constexpr int kFan2 = 4;
inline constexpr int kExternal1 = 5;
inline constexpr int kInternal = 6;
inline constexpr int kVccp2 = 7;
inline constexpr int kVccp1 = 8;
inline constexpr int k25V = 9;
inline constexpr int kVcc = 10;
inline constexpr int k5V = 11;
inline constexpr int k12V = 12;
inline constexpr int kExternal2 = 14;
}  // namespace channel

struct GaugeChannel {
  int index;
  bool fan_style;  // one draggable pointer (slot 2) and nothing else in sight
  double scale_min;
  double scale_max;
  int decimals;
  int low_register;   // slot 2
  int high_register;  // slot 3; -1 in fan mode
  LimitConversion conversion;
  double k_inverse;  // volts channels only
  // The gap rule's distances in hundredths of the scale maximum.
  int trigger_gap_hundredths;
  int reset_gap_hundredths;
};

// The gauge set-up of a channel label, or nullptr for an index that has no gauge (0..2, 13, ...).
// fan1_is_fan and fan2_is_fan pick fan or analog-input mode; vcc_33 the +Vcc scale.
const GaugeChannel* GaugeChannelFor(int index, bool fan1_is_fan, bool fan2_is_fan, bool vcc_33);

// The limits are compared as fixed-point numbers with four decimals, so the gap rule gives the
// same answer whatever binary noise the gauge's doubles carry.
std::int64_t ToFixed4(double value);
double FromFixed4(std::int64_t fixed);

struct Gaps {
  std::int64_t trigger;  // fixed point, four decimals
  std::int64_t reset;
};
Gaps GapsFor(const GaugeChannel& channel);

// The low limit after the user put it at `low` with the high limit at `high`: closer than the
// trigger gap to the high limit, it goes back to the reset gap below it.
double LowLimitAfterGapRule(double low, double high, const Gaps& gaps);
// The mirror image for a dragged high limit.
double HighLimitAfterGapRule(double high, double low, const Gaps& gaps);

}  // namespace display
