#include "chip/channels.h"

namespace chip {

namespace {

constexpr const Channel* kTable[] = {
    &channel::kV25,       &channel::kExternal2, &channel::kVccp1, &channel::kVcc33,
    &channel::kVcc5,      &channel::kV5,        &channel::kV12,   &channel::kVccp2,
    &channel::kExternal1, &channel::kInternal,  &channel::kFan1,  &channel::kAin1,
    &channel::kFan2,      &channel::kAin2,
};

}  // namespace

std::span<const Channel* const> AllChannels() {
  return kTable;
}

ChannelSet ChannelsFor(int channel_mode) {
  ChannelSet set;
  for (const Channel* c : kTable) {
    if (c->MeasuredUnder(channel_mode)) set.items_[set.size_++] = c;
  }
  return set;
}

const Channel* ChannelForLabel(int label, int channel_mode) {
  for (const Channel* c : kTable) {
    if (c->label != label) continue;
    if (c->mode_bit == 2 || c->MeasuredUnder(channel_mode)) return c;
  }
  return nullptr;
}

int FanDivisorOf(const Channel& channel, int vid_fan_divisor) {
  if (channel.fan == 0) return 1;
  return FanDivisorFromBits(vid_fan_divisor >> (channel.fan == 1 ? 4 : 6));
}

int DecimalsOf(Quantity quantity) {
  return quantity == Quantity::Volts ? 3 : 0;
}

int DecimalsOf(std::string_view unit) {
  for (const Channel* c : AllChannels()) {
    if (c->unit == unit) return DecimalsOf(c->quantity);
  }
  return 0;
}

double ValueFromRegister(const Channel& channel, int raw, int divisor) {
  switch (channel.quantity) {
    case Quantity::Volts:
      return VoltsFromRegister(raw, channel.scale.k, channel.scale.gauge_offset);
    case Quantity::Celsius:
      return CelsiusFromRegister(raw);
    case Quantity::Rpm:
      return GaugeRpmFromCount(raw, divisor).rpm;
  }
  return 0;
}

}  // namespace chip
