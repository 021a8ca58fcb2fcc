#include "display/gauge_channels.h"

#include <cmath>

#include "display/conversions.h"

namespace display {

namespace {

using LC = LimitConversion;

constexpr GaugeChannel kFan1Fan{channel::kFan1, true, 2657, 10000, 0, 0x3B, -1,
                                LC::FanCount,   0,    4,    8};
constexpr GaugeChannel kFan1Ain{channel::kFan1,      false, 0, 2.49, 3, 0x1A, 0x3B, LC::Volts,
                                kScaleAin.k_inverse, 4,     8};
constexpr GaugeChannel kFan2Fan{channel::kFan2, true, 2657, 10000, 0, 0x3C, -1,
                                LC::FanCount,   0,    4,    8};
constexpr GaugeChannel kFan2Ain{channel::kFan2,      false, 0, 2.49, 3, 0x1B, 0x3C, LC::Volts,
                                kScaleAin.k_inverse, 4,     8};
constexpr GaugeChannel kExternal1{channel::kExternal1, false, -128, 127, 0, 0x38, 0x37,
                                  LC::Celsius,         0,     12,   16};
constexpr GaugeChannel kInternal{channel::kInternal, false, -128, 127, 0, 0x3A, 0x39,
                                 LC::Celsius,        0,     12,   16};
constexpr GaugeChannel kVccp2{channel::kVccp2,      false, 0, 3.586, 3, 0x36, 0x35, LC::Volts,
                              kScaleVccp.k_inverse, 6,     8};
constexpr GaugeChannel kVccp1{channel::kVccp1,      false, 0, 3.586, 3, 0x2E, 0x2D, LC::Volts,
                              kScaleVccp.k_inverse, 6,     8};
constexpr GaugeChannel k25V{channel::k25V,       false, 0, 3.32, 3, 0x2C, 0x2B, LC::Volts,
                            kScale25V.k_inverse, 6,     8};
constexpr GaugeChannel kVcc33{channel::kVcc,         false, 0, 4.383, 3, 0x30, 0x2F, LC::Volts,
                              kScaleVcc33.k_inverse, 6,     8};
constexpr GaugeChannel kVcc5{channel::kVcc,        false, 0, 6.64, 3, 0x30, 0x2F, LC::Volts,
                             kScaleVcc5.k_inverse, 6,     8};
constexpr GaugeChannel k5V{channel::k5V,       false, 0, 6.64, 3, 0x32, 0x31, LC::Volts,
                           kScale5V.k_inverse, 6,     8};
constexpr GaugeChannel k12V{channel::k12V,       false, 0, 15.938, 3, 0x34, 0x33, LC::Volts,
                            kScale12V.k_inverse, 6,     8};
// Shares 0x2B and 0x2C with +2.5V: the chip's 2.5V input doubles as the second diode.
constexpr GaugeChannel kExternal2{channel::kExternal2, false, -128, 127, 0, 0x2C, 0x2B,
                                  LC::Celsius,         0,     12,   16};

}  // namespace

const GaugeChannel* GaugeChannelFor(int index, bool fan1_is_fan, bool fan2_is_fan, bool vcc_33) {
  switch (index) {
    case channel::kFan1:
      return fan1_is_fan ? &kFan1Fan : &kFan1Ain;
    case channel::kFan2:
      return fan2_is_fan ? &kFan2Fan : &kFan2Ain;
    case channel::kExternal1:
      return &kExternal1;
    case channel::kInternal:
      return &kInternal;
    case channel::kVccp2:
      return &kVccp2;
    case channel::kVccp1:
      return &kVccp1;
    case channel::k25V:
      return &k25V;
    case channel::kVcc:
      return vcc_33 ? &kVcc33 : &kVcc5;
    case channel::k5V:
      return &k5V;
    case channel::k12V:
      return &k12V;
    case channel::kExternal2:
      return &kExternal2;
    default:
      return nullptr;
  }
}

std::int64_t ToFixed4(double value) {
  return static_cast<std::int64_t>(std::nearbyint(value * 10000.0));
}

double FromFixed4(std::int64_t fixed) {
  return static_cast<double>(fixed) / 10000.0;
}

Gaps GapsFor(const GaugeChannel& channel) {
  const double u = channel.scale_max / 100.0;
  return {ToFixed4(channel.trigger_gap_hundredths * u), ToFixed4(channel.reset_gap_hundredths * u)};
}

double LowLimitAfterGapRule(double low, double high, const Gaps& gaps) {
  const std::int64_t l = ToFixed4(low);
  const std::int64_t h = ToFixed4(high);
  if (l > h - gaps.trigger) return FromFixed4(h - gaps.reset);
  return low;
}

double HighLimitAfterGapRule(double high, double low, const Gaps& gaps) {
  const std::int64_t h = ToFixed4(high);
  const std::int64_t l = ToFixed4(low);
  if (h < l + gaps.trigger) return FromFixed4(l + gaps.reset);
  return high;
}

}  // namespace display
