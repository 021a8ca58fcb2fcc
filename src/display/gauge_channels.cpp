#include "display/gauge_channels.h"

#include <cmath>

namespace display {

int ChannelModeOfFlags(const devaccess::Declarations& d) {
  int mode = 0;
  if (d.fan1_mode_flag != 1) mode |= 0x01;
  if (d.fan2_mode_flag != 1) mode |= 0x02;
  if (d.chmode_bit2_flag == 1) mode |= 0x04;
  if (d.chmode_bit3_flag != 1) mode |= 0x08;
  return mode;
}

const chip::Channel* GaugeChannelOf(const devaccess::Declarations& d, int label) {
  return chip::ChannelForLabel(label, ChannelModeOfFlags(d));
}

std::int64_t ToFixed4(double value) {
  return static_cast<std::int64_t>(std::nearbyint(value * 10000.0));
}

double FromFixed4(std::int64_t fixed) {
  return static_cast<double>(fixed) / 10000.0;
}

Gaps GapsFor(const chip::Channel& channel) {
  const double u = channel.gauge.scale_max / 100.0;
  return {ToFixed4(channel.gauge.trigger_gap_hundredths * u),
          ToFixed4(channel.gauge.reset_gap_hundredths * u)};
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
