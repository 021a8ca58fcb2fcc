#include "chip/sampler.h"

#include "chip/conversions.h"
#include "chip/register_catalogue.h"

namespace chip {

namespace {

bool Latched(const Channel& channel, const StatusSample& status) {
  const std::uint8_t bits =
      channel.alarm_register == reg::kIntStatus1 ? status.status1 : status.status2;
  return ((bits >> channel.alarm_bit) & 1) != 0;
}

}  // namespace

ChannelReading ReadingOf(const Channel& channel, std::uint8_t raw, int divisor) {
  constexpr std::uint8_t kStalledCount = 255;
  ChannelReading r;
  r.channel = &channel;
  r.raw = raw;
  r.stalled = channel.fan != 0 && raw == kStalledCount;
  r.value = r.stalled ? 0.0 : ValueFromRegister(channel, raw, divisor);
  r.has_high = channel.high_register >= 0;
  return r;
}

Sampler::Sampler(Read read, AlarmStore& alarms, SamplerOptions options)
    : read_(std::move(read)), alarms_(alarms.Subscribe()), options_(options) {}

int Sampler::TransfersPerSample(int channel_mode, const SamplerOptions& options) {
  const ChannelSet channels = ChannelsFor(channel_mode);
  int transfers = options.read_configuration ? 2 : 1;  // Channel Mode, Configuration 1
  bool any_fan = false;
  for (const Channel* channel : channels) {
    any_fan = any_fan || channel->fan != 0;
    transfers += 1;
    if (options.read_limits) transfers += channel->high_register >= 0 ? 2 : 1;
  }
  if (any_fan || options.read_chip_facts) ++transfers;  // 0x47
  if (options.read_chip_facts) transfers += 8;
  if (options.read_status) transfers += 2;
  return transfers;
}

const Sample& Sampler::Take() {
  const std::uint8_t mode = read_(reg::kChannelMode);
  if (options_.read_configuration) sample_.configuration1 = read_(reg::kConfiguration1);
  sample_.channels_changed = mode != channel_mode_;
  if (sample_.channels_changed) {
    channel_mode_ = -1;  // until the whole sample is in: a failure half way starts afresh
    channels_ = ChannelsFor(mode);
    any_fan_ = false;
    for (const Channel* channel : channels_) any_fan_ = any_fan_ || channel->fan != 0;
  }
  sample_.channel_mode = mode;
  sample_.vid_fan_divisor = any_fan_ || options_.read_chip_facts ? read_(reg::kVidFanDivisor) : 0;

  // A fan limit is a count: the same byte means another speed when the divisor changes.
  const int divisors = sample_.vid_fan_divisor & 0xF0;
  bool limits_changed = sample_.channels_changed || divisors != divisors_;
  divisors_ = divisors;
  for (std::size_t i = 0; i < channels_.size(); ++i) {
    const Channel& channel = channels_[i];
    ChannelReading& r = readings_[i];
    const int divisor = FanDivisorOf(channel, sample_.vid_fan_divisor);
    // The limits stay from the previous sample, to tell whether they changed.
    const ChannelReading reading =
        ReadingOf(channel, read_(static_cast<std::uint8_t>(channel.value_register)), divisor);
    r.channel = reading.channel;
    r.raw = reading.raw;
    r.stalled = reading.stalled;
    r.value = reading.value;
    r.has_high = reading.has_high;
    if (!options_.read_limits) continue;
    const std::uint8_t low = read_(static_cast<std::uint8_t>(channel.low_register));
    const std::uint8_t high =
        r.has_high ? read_(static_cast<std::uint8_t>(channel.high_register)) : 0;
    limits_changed = limits_changed || low != r.low_raw || high != r.high_raw;
    r.low_raw = low;
    r.high_raw = high;
    r.low = ValueFromRegister(channel, low, divisor);
    r.high = r.has_high ? ValueFromRegister(channel, high, divisor) : 0.0;
  }
  sample_.limits_changed = limits_changed;

  if (options_.read_chip_facts) ReadFacts();
  if (options_.read_status) {
    read_(reg::kIntStatus1);
    read_(reg::kIntStatus2);
  }
  sample_.status = alarms_.Take();
  for (std::size_t i = 0; i < channels_.size(); ++i) {
    readings_[i].alarm = Latched(channels_[i], sample_.status);
  }
  sample_.channels = std::span<const ChannelReading>(readings_.data(), channels_.size());
  channel_mode_ = mode;
  return sample_;
}

void Sampler::ReadFacts() {
  ChipFacts& f = sample_.facts;
  f.company_id = read_(reg::kCompanyId);
  f.revision = read_(reg::kRevision);
  for (ChipFacts::TripPoint& trip : f.trip_points) {
    trip.raw = read_(trip.address);
    trip.celsius = CelsiusFromRegister(trip.raw);
  }
  constexpr std::uint8_t kVidPins = 0x0F;
  constexpr std::uint8_t kChassisBit = 0x10;
  f.vid = static_cast<std::uint8_t>((sample_.vid_fan_divisor & kVidPins) |
                                    ((read_(reg::kVid4) & 0x01) << 4));
  f.intrusion = (read_(reg::kIntStatusMirror2) & kChassisBit) != 0;
}

}  // namespace chip
