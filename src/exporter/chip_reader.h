#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "access/declarations.h"
#include "access/unattended_sampler.h"
#include "chip/sampler.h"
#include "exporter/chip_reading.h"

namespace exporter {

// Reads one chip for the exporter, at most once per min_interval however many scrapes come.
//
// Scrapes of one chip wait for each other; every reader of the same bus holds `bus` while it
// transfers, so chips on one backend are read one after the other (the simulated hardware and
// the printer-port and i2c-dev links are not made for several threads). A failed reading sets up
// to 0 and counts the error; the next reading starts afresh, and an alarm latched before the
// failure still reaches it. A chip whose adapter came back under another number is read there
// once it identifies as itself (devaccess::UnattendedSampler); its labels stay as they are.
class ChipReader {
 public:
  using Clock = std::chrono::steady_clock;

  struct Options {
    Clock::duration min_interval = std::chrono::seconds(1);
    std::function<Clock::time_point()> now;  // the steady clock when empty
  };

  // d is this chip's own shared state; place_chip puts the chip's place (medium, port, ModeFlag,
  // the adapter where it is now) back on the bus link before each reading, since other chips
  // share the link.
  ChipReader(ChipLabels labels, std::unique_ptr<devaccess::Declarations> d,
             devaccess::ChipIdentity identity, devaccess::UnattendedSampler::Place place_chip,
             std::mutex& bus, Options options);

  // The chip as it was at most min_interval ago: read now when the last reading is older.
  void Read(ChipReading& out);
  const ChipLabels& labels() const { return labels_; }
  // What the last reading found, without reading: for the landing page.
  struct State {
    std::uint64_t readings = 0;  // that reached the bus, failed or not
    bool up = false;
    std::string error;    // why the last reading failed; empty after a good one
    std::string adapter;  // where the chip is now: "i2c-9"
  };
  State LastState() const;

  static constexpr chip::SamplerOptions kSamplerOptions{.read_status = true,
                                                        .read_limits = true,
                                                        .read_configuration = true,
                                                        .read_chip_facts = true};

 private:
  void ReadChip();

  ChipLabels labels_;
  std::unique_ptr<devaccess::Declarations> d_;
  std::mutex& bus_;
  Options options_;
  mutable std::mutex mutex_;  // everything below
  devaccess::UnattendedSampler sampler_;
  ChipReading reading_;
  std::optional<Clock::time_point> read_at_;
  std::uint64_t readings_ = 0;
  std::string last_error_;
};

}  // namespace exporter
