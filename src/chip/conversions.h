#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// Register values to volts, degrees and RPM and back. This is the one place where the channel
// scales, the inverse constants, the fan constant and the temperature encoding live; the strip
// chart, the gauge refresh routines and the limit writes all come here.
namespace chip {

// How a voltage channel's register maps to volts. A reading shows as (k / 255) x raw + offset;
// the chart and the gauge use different offsets on two channels. A pointer set in volts goes back
// through k_inverse, the channel's k less its gauge offset, so the inverse is deliberately not
// the exact inverse of the forward conversion.
struct VoltageScale {
  double k;
  double chart_offset;
  double gauge_offset;
  double k_inverse;
};

inline constexpr VoltageScale kScale25V{3.32, 0.013, 0.026, 3.307};
inline constexpr VoltageScale kScaleVccp{3.586, 0.014, 0.014, 3.572};  // +Vccp1 and +Vccp2
inline constexpr VoltageScale kScaleVcc33{4.383, 0.0172, 0.0172, 4.3658};
inline constexpr VoltageScale kScaleVcc5{6.64, 0.026, 0.026, 6.614};  // +Vcc on 5V, and +5V
inline constexpr VoltageScale kScale5V = kScaleVcc5;
inline constexpr VoltageScale kScale12V{15.938, 0.01, 0.062, 15.876};
inline constexpr VoltageScale kScaleAin{2.49, 0.01, 0.01, 2.48};  // AIN1 and AIN2

// A fan count is 1350000 / (rpm x divisor); anything faster than 10000 RPM is over-speed.
inline constexpr int kFanConstant = 1350000;
inline constexpr int kMaxRpm = 10000;

double VoltsFromRegister(int raw, double k, double offset);
// Int(volts / (k_inverse / 255)), rounded toward minus infinity; the top of a gauge gives 256,
// which goes to the chip as 255. Never outside 0..255.
int RegisterFromVolts(double volts, double k_inverse);

// The temperature registers hold two's-complement whole degrees: 0x80..0xFF are -128..-1.
int CelsiusFromRegister(int raw);
// Rounded to the nearest whole degree, halves to even; negative values as their two's-complement
// byte (-128 gives 0x80).
int RegisterFromCelsius(double degrees);

// Two bits of register 0x47: 0, 1, 2, 3 give 1, 2, 4, 8.
int FanDivisorFromBits(int bits);

// Whole RPM from a fan count; a count of 0 counts as 1. The product divisor x count is at most
// 8 x 255, so it fits the 16 bits it was always formed in.
double RpmFromCount(int count, int divisor);

// A fan count converted for display. count is what the routine leaves in value_read: the count as
// read, 1 for a count of 0, or on the gauge the over-speed count.
struct FanReading {
  int count;
  double rpm;
};
// The gauge's rule: above 10000 RPM the count becomes Int(1350000 / (divisor x 10000)) and the
// RPM is worked out again from it, so the gauge shows 10000, 10074, 10227 or 10546 RPM.
FanReading GaugeRpmFromCount(int count, int divisor);
// The strip chart's rule: above 10000 RPM the point is 10000 / divisor.
FanReading ChartRpmFromCount(int count, int divisor);

// Int(1350000 / (rpm x divisor)); a slow limit whose count passes 255 is written as 255.
int CountFromRpm(double rpm, int divisor);

// The gauge caption, built in place so the display tick allocates nothing.
class CaptionText {
 public:
  std::string_view view() const { return {text_.data(), size_}; }
  friend bool operator==(const CaptionText& a, const CaptionText& b) {
    return a.view() == b.view();
  }

 private:
  friend CaptionText MakeCaption(double value, int decimals, std::string_view unit);
  std::array<char, 32> text_{};
  std::size_t size_ = 0;
};

// value written with `decimals` places (at least one integer digit, no leading zeros), rounded
// half away from zero on its 15-digit decimal form, followed directly by unit.
CaptionText MakeCaption(double value, int decimals, std::string_view unit);
inline CaptionText VoltsCaption(double volts) {
  return MakeCaption(volts, 3, "V");
}  // "3.312V"
inline CaptionText CelsiusCaption(double degrees) {
  return MakeCaption(degrees, 0, "C");
}
inline CaptionText RpmCaption(double rpm) {
  return MakeCaption(rpm, 0, "RPM");
}  // "4821RPM"

}  // namespace chip
