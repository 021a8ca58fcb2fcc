#include "exporter/chip_reader.h"

#include <algorithm>

#include "chip/alarm_names.h"
#include "chip/register_catalogue.h"

namespace exporter {

namespace {

bool Latched(const chip::StatusSample& status, int reg, int bit) {
  const std::uint8_t bits = reg == chip::reg::kIntStatus1 ? status.status1 : status.status2;
  return ((bits >> bit) & 1) != 0;
}

void CountAlarms(ChipReading& r) {
  const auto count = [&r](std::string_view name) {
    const int index = AlarmIndex(name);
    if (index >= 0) ++r.alarm_readings[static_cast<std::size_t>(index)];
  };
  for (const chip::ChannelReading& channel : r.Channels()) {
    if (channel.alarm) count(channel.channel->caption);
  }
  for (const chip::AlarmWithoutChannel& other : chip::kAlarmsWithoutChannel) {
    if (Latched(r.alarms, chip::reg::kIntStatus2, other.bit)) count(other.name);
  }
}

}  // namespace

ChipReader::ChipReader(ChipLabels labels, std::unique_ptr<devaccess::Declarations> d,
                       devaccess::ChipIdentity identity,
                       devaccess::UnattendedSampler::Place place_chip, std::mutex& bus,
                       Options options)
    : labels_(std::move(labels)),
      d_(std::move(d)),
      bus_(bus),
      options_(std::move(options)),
      sampler_(*d_, std::move(identity), kSamplerOptions, std::move(place_chip)) {
  reading_.adapter = labels_.adapter;
}

void ChipReader::Read(ChipReading& out) {
  const std::scoped_lock lock(mutex_);
  const Clock::time_point now = options_.now ? options_.now() : Clock::now();
  if (!read_at_ || now - *read_at_ >= options_.min_interval) {
    ReadChip();
    // A failed reading is kept as long as a good one: a bus that keeps failing is not hammered
    // by every scraper in turn.
    read_at_ = now;
  }
  out = reading_;
}

ChipReader::State ChipReader::LastState() const {
  const std::scoped_lock lock(mutex_);
  return {readings_, reading_.up, last_error_, reading_.adapter};
}

void ChipReader::ReadChip() {
  ++readings_;
  devaccess::UnattendedSampler::Attempt attempt;
  {
    const std::scoped_lock bus(bus_);
    attempt = sampler_.Take(options_.now ? options_.now() : Clock::now());
  }
  if (const auto& adapter = sampler_.identity().adapter) {
    reading_.adapter = "i2c-" + std::to_string(adapter->number);
  }
  if (attempt.sample == nullptr) {
    reading_.up = false;
    if (attempt.bus_error) ++reading_.bus_errors;
    last_error_ = sampler_.gaps().error();
    return;
  }
  const chip::Sample& s = *attempt.sample;
  reading_.up = true;
  reading_.channel_mode = s.channel_mode;
  reading_.converting = s.converting();
  reading_.channel_count = std::min(s.channels.size(), reading_.channels.size());
  std::copy_n(s.channels.begin(), reading_.channel_count, reading_.channels.begin());
  reading_.alarms = s.status;
  reading_.facts = s.facts;
  CountAlarms(reading_);
  last_error_.clear();
}

}  // namespace exporter
