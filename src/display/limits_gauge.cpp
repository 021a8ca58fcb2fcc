#include "display/limits_gauge.h"

#include <QLabel>

#include "access/link_new_com_port.h"
#include "chip/conversions.h"
#include "display/gauge_channels.h"
#include "display/gauge_refresh.h"
#include "widgets/linear_gauge.h"

namespace display {

namespace {

using widgets::LinearGauge;
constexpr int kLow = LinearGauge::kLowPointer;
constexpr int kHigh = LinearGauge::kHighPointer;

using chip::Channel;

const Channel* ChannelOnGauge(const devaccess::Declarations& d) {
  return GaugeChannelOf(d, d.vd_channel_index);
}

int LimitRegisterValue(const Channel& channel, double value) {
  if (channel.quantity == chip::Quantity::Celsius) return chip::RegisterFromCelsius(value);
  return chip::RegisterFromVolts(value, channel.scale.k_inverse);
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

// The gap rule for the limit pointer the user moved (kLow or kHigh): the pointer keeps its value
// or goes back the reset gap from the other one, and both bands then start (low) or end (high)
// where it stays.
void KeepPointerByGapRule(VisualContext& c, int moved) {
  const Channel* channel = ChannelOnGauge(c.d);
  if (channel == nullptr) return;
  LinearGauge& gauge = *c.v.limits_gauge;
  const bool low = moved == kLow;
  const int other = low ? kHigh : kLow;
  const double value = gauge.PointerValue(moved);
  gauge.SetCurrentPointer(other);
  const double other_value = gauge.PointerValue(other);
  gauge.SetCurrentPointer(moved);
  const Gaps gaps = GapsFor(*channel);
  gauge.SetPointerValue(moved, low ? LowLimitAfterGapRule(value, other_value, gaps)
                                   : HighLimitAfterGapRule(value, other_value, gaps));
  const double kept = gauge.PointerValue(moved);
  for (const int band : {LinearGauge::kBand0, LinearGauge::kBand1}) {
    gauge.SetCurrentPointer(band);
    if (low) {
      gauge.SetBandStart(band, kept);
    } else {
      gauge.SetBandEnd(band, kept);
    }
  }
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
      const Channel* channel = ChannelOnGauge(c.d);
      if (channel == nullptr || !FanStyle(*channel)) low_limit_pointer_moved(c);
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
  const Channel* channel = GaugeChannelOf(d, channel_index);
  if (channel == nullptr) return;
  LinearGauge& gauge = *c.v.limits_gauge;
  d.vd_channel_index = static_cast<std::int16_t>(channel_index);

  // Fan style: the single limit is the only thing the user can grab or see besides the reading.
  for (int slot = 0; slot < LinearGauge::kSlotCount; ++slot) {
    const bool shown = !FanStyle(*channel) || slot == kLow;
    gauge.SetSlotVisible(slot, shown);
    gauge.SetDraggable(slot, shown);
  }
  gauge.SetCurrentPointer(kLow);
  gauge.SetDecimals(kLow, channel->gauge.decimals);
  if (!FanStyle(*channel)) {
    gauge.SetCurrentPointer(kHigh);
    gauge.SetDecimals(kHigh, channel->gauge.decimals);
  }
  // +Vcc passes through its 3.3V scale first, then goes to the 5V scale if chosen.
  if (channel->label == chip::channel::kVcc33.label) {
    gauge.SetScaleMax(chip::channel::kVcc33.gauge.scale_max);
  }
  gauge.SetScaleMax(channel->gauge.scale_max);
  gauge.SetScaleMin(channel->gauge.scale_min);

  RefreshGaugeChannel(d, gauge, channel_index, 1);
  // Screen readers name the gauge after the channel it shows.
  if (const QLabel* label = c.v.visualdisplaytext[static_cast<std::size_t>(channel_index)];
      label != nullptr) {
    gauge.setAccessibleName(label->text());
  }
}

void limits_gauge_PointerMoved(VisualContext& c) {
  if (c.d.OnPrinterPort()) {
    printer_port_bargraph_move(c);
  } else {
    SMBus_bargraph_move(c);
  }
}

void limits_gauge_ValueChanged(VisualContext& c) {
  if (!c.d.OnPrinterPort()) write_gauge_limits(c);
}

void printer_port_bargraph_move(VisualContext& c) {
  PointerBookkeeping(c);
  write_gauge_limits(c);
}

void SMBus_bargraph_move(VisualContext& c) {
  PointerBookkeeping(c);
}

void low_limit_pointer_moved(VisualContext& c) {
  KeepPointerByGapRule(c, kLow);
}

void high_limit_pointer_moved(VisualContext& c) {
  KeepPointerByGapRule(c, kHigh);
}

void write_gauge_limits(VisualContext& c) {
  devaccess::Declarations& d = c.d;
  const Channel* channel = ChannelOnGauge(d);
  if (channel == nullptr) return;
  LinearGauge& gauge = *c.v.limits_gauge;
  gauge.SetCurrentPointer(kLow);
  if (FanStyle(*channel)) {
    const int divisor = channel->fan == 1 ? d.fan1_divisor : d.fan2_divisor;
    devaccess::WriteAt(d, channel->low_register,
                       chip::CountFromRpm(gauge.PointerValue(kLow), divisor));
    return;
  }
  devaccess::WriteAt(d, channel->low_register,
                     LimitRegisterValue(*channel, gauge.PointerValue(kLow)));
  gauge.SetCurrentPointer(kHigh);
  devaccess::WriteAt(d, channel->high_register,
                     LimitRegisterValue(*channel, gauge.PointerValue(kHigh)));
}

double limits_gauge_KeyStep(VisualContext& c, LimitKeySteps& key_steps, int slot, double value,
                            int steps) {
  LinearGauge& gauge = *c.v.limits_gauge;
  const Channel* channel = ChannelOnGauge(c.d);
  if (channel == nullptr) return value + steps * gauge.Step(slot);
  const int divisor = channel->fan == 1 ? c.d.fan1_divisor : c.d.fan2_divisor;
  return key_steps.Next(*channel, divisor, slot, value, steps);
}

}  // namespace display
