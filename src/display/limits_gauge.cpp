#include "display/limits_gauge.h"

#include "access/link_new_com_port.h"
#include "display/conversions.h"
#include "display/gauge_channels.h"
#include "display/gauge_refresh.h"
#include "widgets/linear_gauge.h"

namespace display {

namespace {

using widgets::LinearGauge;
constexpr int kLow = LinearGauge::kLowPointer;
constexpr int kHigh = LinearGauge::kHighPointer;

const GaugeChannel* ChannelOnGauge(const devaccess::Declarations& d) {
  return GaugeChannelFor(d.vd_channel_index, d.fan1_mode_flag == 1, d.fan2_mode_flag == 1,
                         d.chmode_bit3_flag == 1);
}

int LimitRegisterValue(const GaugeChannel& channel, double value) {
  if (channel.conversion == LimitConversion::Celsius) return RegisterFromCelsius(value);
  return RegisterFromVolts(value, channel.k_inverse);
}

// Both bands and both limit pointers follow the band the user dragged.
void CopyDraggedBand(LinearGauge& gauge, int band) {
  const double start = gauge.BandStart(band);
  const double end = gauge.BandEnd(band);
  const int other = 1 - band;
  gauge.SetCurrentPointer(other);
  gauge.SetBandStart(other, start);
  gauge.SetBandEnd(other, end);
  gauge.SetCurrentPointer(kLow);
  gauge.SetPointerValue(kLow, start);
  gauge.SetCurrentPointer(kHigh);
  gauge.SetPointerValue(kHigh, end);
}

void PointerBookkeeping(VisualContext& c) {
  LinearGauge& gauge = *c.v.limits_gauge;
  switch (gauge.CurrentPointer()) {
    case LinearGauge::kBand0:
    case LinearGauge::kBand1:
      CopyDraggedBand(gauge, gauge.CurrentPointer());
      break;
    case kLow: {
      // A fan in fan mode has no high limit to keep apart from.
      const GaugeChannel* channel = ChannelOnGauge(c.d);
      if (channel == nullptr || !channel->fan_style) low_limit_pointer_moved(c);
      break;
    }
    case kHigh:
      high_limit_pointer_moved(c);
      break;
    default:
      break;
  }
}

}  // namespace

void set_up_gauge(VisualContext& c, int channel_index) {
  devaccess::Declarations& d = c.d;
  const GaugeChannel* channel = GaugeChannelFor(channel_index, d.fan1_mode_flag == 1,
                                                d.fan2_mode_flag == 1, d.chmode_bit3_flag == 1);
  if (channel == nullptr) return;
  LinearGauge& gauge = *c.v.limits_gauge;
  d.vd_channel_index = static_cast<std::int16_t>(channel_index);

  // Fan style: the single limit is the only thing the user can grab or see besides the reading.
  for (int slot = 0; slot < LinearGauge::kSlotCount; ++slot) {
    const bool shown = !channel->fan_style || slot == kLow;
    gauge.SetSlotVisible(slot, shown);
    gauge.SetDraggable(slot, shown);
  }
  gauge.SetCurrentPointer(kLow);
  gauge.SetDecimals(kLow, channel->decimals);
  if (!channel->fan_style) {
    gauge.SetCurrentPointer(kHigh);
    gauge.SetDecimals(kHigh, channel->decimals);
  }
  if (channel_index == channel::kVcc) gauge.SetScaleMax(4.383);  // then the 5V scale, if chosen
  gauge.SetScaleMax(channel->scale_max);
  gauge.SetScaleMin(channel->scale_min);

  RefreshGaugeChannel(d, gauge, channel_index, 1);
}

void limits_gauge_PointerMoved(VisualContext& c) {
  if (c.d.comms_medium == 1) {
    printer_port_bargraph_move(c);
  } else {
    SMBus_bargraph_move(c);
  }
}

void limits_gauge_ValueChanged(VisualContext& c) {
  if (c.d.comms_medium == 0) write_gauge_limits(c);
}

void printer_port_bargraph_move(VisualContext& c) {
  PointerBookkeeping(c);
  write_gauge_limits(c);
}

void SMBus_bargraph_move(VisualContext& c) {
  PointerBookkeeping(c);
}

void low_limit_pointer_moved(VisualContext& c) {
  const GaugeChannel* channel = ChannelOnGauge(c.d);
  if (channel == nullptr) return;
  LinearGauge& gauge = *c.v.limits_gauge;
  const double low = gauge.PointerValue(kLow);
  gauge.SetCurrentPointer(kHigh);
  const double high = gauge.PointerValue(kHigh);
  gauge.SetCurrentPointer(kLow);
  gauge.SetPointerValue(kLow, LowLimitAfterGapRule(low, high, GapsFor(*channel)));
  const double kept = gauge.PointerValue(kLow);
  gauge.SetCurrentPointer(LinearGauge::kBand0);
  gauge.SetBandStart(LinearGauge::kBand0, kept);
  gauge.SetCurrentPointer(LinearGauge::kBand1);
  gauge.SetBandStart(LinearGauge::kBand1, kept);
}

void high_limit_pointer_moved(VisualContext& c) {
  const GaugeChannel* channel = ChannelOnGauge(c.d);
  if (channel == nullptr) return;
  LinearGauge& gauge = *c.v.limits_gauge;
  const double high = gauge.PointerValue(kHigh);
  gauge.SetCurrentPointer(kLow);
  const double low = gauge.PointerValue(kLow);
  gauge.SetCurrentPointer(kHigh);
  gauge.SetPointerValue(kHigh, HighLimitAfterGapRule(high, low, GapsFor(*channel)));
  const double kept = gauge.PointerValue(kHigh);
  gauge.SetCurrentPointer(LinearGauge::kBand0);
  gauge.SetBandEnd(LinearGauge::kBand0, kept);
  gauge.SetCurrentPointer(LinearGauge::kBand1);
  gauge.SetBandEnd(LinearGauge::kBand1, kept);
}

void write_gauge_limits(VisualContext& c) {
  devaccess::Declarations& d = c.d;
  const GaugeChannel* channel = ChannelOnGauge(d);
  if (channel == nullptr) return;
  LinearGauge& gauge = *c.v.limits_gauge;
  gauge.SetCurrentPointer(kLow);
  if (channel->fan_style) {
    const int divisor = channel->index == channel::kFan1 ? d.fan1_divisor : d.fan2_divisor;
    devaccess::WriteAt(d, channel->low_register, CountFromRpm(gauge.PointerValue(kLow), divisor));
    return;
  }
  devaccess::WriteAt(d, channel->low_register,
                     LimitRegisterValue(*channel, gauge.PointerValue(kLow)));
  gauge.SetCurrentPointer(kHigh);
  devaccess::WriteAt(d, channel->high_register,
                     LimitRegisterValue(*channel, gauge.PointerValue(kHigh)));
}

}  // namespace display
