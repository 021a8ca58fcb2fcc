#include "chip/alarm_bits.h"

#include <array>

#include "chip/alarm_names.h"
#include "chip/register_catalogue.h"

namespace chip {

namespace {

constexpr int kFirstStatus2Slot = 8;

// After INT Status 2's channel bits and its reserved bits 2 and 3: the alarms without a channel.
constexpr int kFirstOtherSlot = kFirstStatus2Slot + 4;
const AlarmWithoutChannel& Other(int slot) {
  return kAlarmsWithoutChannel[static_cast<std::size_t>(slot - kFirstOtherSlot)];
}

std::string Number(const Channel& channel, double value) {
  return std::string(MakeCaption(value, DecimalsOf(channel.quantity), "").view());
}

}  // namespace

bool IsLatched(const StatusSample& status, int slot) {
  const std::uint8_t bits = slot < kFirstStatus2Slot ? status.status1 : status.status2;
  return ((bits >> (slot % 8)) & 1) != 0;
}

AlarmBit AlarmBitOf(int slot, int channel_mode) {
  AlarmBit bit;
  bit.slot = slot;
  const int reg = slot < kFirstStatus2Slot ? reg::kIntStatus1 : reg::kIntStatus2;
  for (const Channel* c : ChannelsFor(channel_mode)) {
    if (c->alarm_register != reg || c->alarm_bit != slot % 8) continue;
    bit.channel = c;
    bit.name = c->caption;
    bit.critical = c->quantity == Quantity::Celsius;
    return bit;
  }
  if (slot >= kFirstOtherSlot && slot < kAlarmSlots) {
    bit.name = Other(slot).name;
    bit.critical = Other(slot).critical;
  }
  return bit;
}

LimitSide SideOf(const ChannelReading& r) {
  if (r.has_high && r.value > r.high) return LimitSide::Above;
  // A fan has only this limit, its slowest speed; a stalled one reads 0.
  if (r.value < r.low) return LimitSide::Below;
  return LimitSide::Within;
}

std::string AlarmSummary(const AlarmBit& bit, const ChannelReading* reading) {
  if (bit.channel == nullptr) {
    if (bit.slot < kFirstOtherSlot) return "INT Status 2 bit " + std::to_string(bit.slot % 8);
    return std::string(Other(bit.slot).summary);
  }
  std::string text(bit.name);
  if (reading == nullptr) return text + " left its limits";
  LimitSide side = SideOf(*reading);
  // Latched outside, but back inside (or at a limit) when read, up to a second later: which way
  // it went is not known, except for a fan, whose one limit is its slowest speed.
  if (side == LimitSide::Within) {
    if (reading->has_high) return text + " left its limits";
    side = LimitSide::Below;
  }
  return text + (side == LimitSide::Above ? " above its limit" : " below its limit");
}

std::string ClearedSummary(const AlarmBit& bit) {
  if (bit.channel != nullptr) return std::string(bit.name) + " back within its limits";
  return AlarmSummary(bit, nullptr) + " cleared";
}

std::string ReadingText(const ChannelReading& r) {
  const Channel& c = *r.channel;
  const std::string unit(c.unit);
  std::string text = r.stalled ? std::string("stalled") : Number(c, r.value) + ' ' + unit;
  if (r.has_high) {
    text += " (limits " + Number(c, r.low) + " to " + Number(c, r.high) + ' ' + unit + ')';
  } else {
    text += " (low limit " + Number(c, r.low) + ' ' + unit + ')';
  }
  return text;
}

std::vector<std::string> AlarmLines(const Sample& sample) {
  std::vector<std::string> lines;
  std::array<bool, kAlarmSlots> told{};
  for (const ChannelReading& r : sample.channels) {
    const int slot = (r.channel->alarm_register == reg::kIntStatus1 ? 0 : kFirstStatus2Slot) +
                     r.channel->alarm_bit;
    if (!IsLatched(sample.status, slot)) continue;
    told[static_cast<std::size_t>(slot)] = true;
    lines.push_back(AlarmSummary(AlarmBitOf(slot, sample.channel_mode), &r) + ": " +
                    ReadingText(r));
  }
  for (int slot = 0; slot < kAlarmSlots; ++slot) {
    if (told[static_cast<std::size_t>(slot)] || !IsLatched(sample.status, slot)) continue;
    lines.push_back(AlarmSummary(AlarmBitOf(slot, sample.channel_mode), nullptr));
  }
  return lines;
}

ChannelReading ReadChannel(const Channel& channel, const Sampler::Read& read) {
  const int divisor = channel.fan != 0 ? FanDivisorOf(channel, read(reg::kVidFanDivisor)) : 1;
  ChannelReading r =
      ReadingOf(channel, read(static_cast<std::uint8_t>(channel.value_register)), divisor);
  r.low_raw = read(static_cast<std::uint8_t>(channel.low_register));
  r.low = ValueFromRegister(channel, r.low_raw, divisor);
  if (r.has_high) {
    r.high_raw = read(static_cast<std::uint8_t>(channel.high_register));
    r.high = ValueFromRegister(channel, r.high_raw, divisor);
  }
  return r;
}

}  // namespace chip
