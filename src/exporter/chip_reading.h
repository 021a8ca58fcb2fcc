#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "chip/sampler.h"

namespace exporter {

// What names a chip in every series it has, and what its info series tells about its place.
struct ChipLabels {
  // "smbus/pci-0000:00:1f.4/0x2D", "smbus/usb-1-2/0x2D", "printer/port1/0x2E": where the chip
  // sits, the same after a re-plug or a restart (devaccess::StablePlace).
  std::string chip;
  std::string medium;   // "SMBus" or "printer port"
  std::string adapter;  // the I2C adapter ("i2c-0") or the printer port, in words, when found
  std::string address;  // "0x2D", 7-bit
};

inline constexpr std::size_t kMaxAlarmNames = 20;

// Every name kelvran_alarm and kelvran_alarms_total carry: each channel caption once (the two
// +Vcc scales share one), then the INT Status 2 bits that belong to no channel.
std::span<const std::string_view> AlarmNames();
// Its place in AlarmNames, or -1.
int AlarmIndex(std::string_view name);

// One chip as its last reading found it: what a scrape shows of it.
struct ChipReading {
  bool up = false;
  std::string adapter;  // where the chip is now: "i2c-9" after a re-plug renumbered its adapter
  std::uint8_t channel_mode = 0;
  bool converting = false;  // START set: the readings follow the inputs
  std::array<chip::ChannelReading, 14> channels{};
  std::size_t channel_count = 0;
  chip::StatusSample alarms;  // every status bit that latched since the reading before
  chip::ChipFacts facts;
  std::uint64_t bus_errors = 0;
  // Readings that found each alarm of AlarmNames latched, since the exporter started.
  std::array<std::uint64_t, kMaxAlarmNames> alarm_readings{};

  std::span<const chip::ChannelReading> Channels() const {
    return {channels.data(), channel_count};
  }
};

}  // namespace exporter
