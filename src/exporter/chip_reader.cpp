#include "exporter/chip_reader.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "access/link_new_com_port.h"
#include "buslink/bus_error.h"
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
                       std::function<void(devaccess::Declarations&)> place_chip, std::mutex& bus,
                       Options options)
    : labels_(std::move(labels)),
      d_(std::move(d)),
      place_chip_(std::move(place_chip)),
      bus_(bus),
      options_(std::move(options)),
      sampler_(
          [this](std::uint8_t address) {
            return static_cast<std::uint8_t>(devaccess::ReadAt(*d_, address));
          },
          d_->alarm_store, kSamplerOptions) {}

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
  return {readings_, reading_.up, last_error_};
}

void ChipReader::ReadChip() {
  ++readings_;
  try {
    const std::scoped_lock bus(bus_);
    place_chip_(*d_);
    const chip::Sample& s = sampler_.Take();
    if (s.facts.company_id != chip::kCompanyIdValue) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "the chip no longer identifies: Company ID reads 0x%02X, not 0x%02X",
                    s.facts.company_id, chip::kCompanyIdValue);
      reading_.up = false;
      last_error_ = text;
      return;
    }
    reading_.up = true;
    reading_.channel_mode = s.channel_mode;
    reading_.converting = s.converting();
    reading_.channel_count = std::min(s.channels.size(), reading_.channels.size());
    std::copy_n(s.channels.begin(), reading_.channel_count, reading_.channels.begin());
    reading_.alarms = s.status;
    reading_.facts = s.facts;
    CountAlarms(reading_);
    last_error_.clear();
  } catch (const buslink::BusError& e) {
    reading_.up = false;
    ++reading_.bus_errors;
    last_error_ = e.what();
    if (const auto& c = e.context()) {
      char text[48];
      std::snprintf(
          text, sizeof text, "%s register 0x%02X: ",
          c->operation == buslink::TransferContext::Operation::Read ? "reading" : "writing",
          c->reg & 0xFF);
      last_error_.insert(0, text);
    }
  } catch (const std::exception& e) {
    // Whatever else went wrong, the server goes on and reads again next time.
    reading_.up = false;
    ++reading_.bus_errors;
    last_error_ = e.what();
  }
}

}  // namespace exporter
