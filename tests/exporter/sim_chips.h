#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "access/declarations.h"
#include "buslink/sim/simulated_hardware.h"
#include "exporter/chip_reader.h"
#include "exporter/shared_link.h"

namespace exporter {

// Simulated SMBus chips read as `kelvran serve` reads them: one link, one bus lock, a reader per
// chip with its own shared state, and a clock the test moves by hand.
class SimChips {
 public:
  explicit SimChips(const std::string& scenario_json, std::vector<int> addresses = {0x2D},
                    std::chrono::milliseconds min_interval = std::chrono::seconds(1))
      : hardware_(buslink::sim::Scenario::FromJson(scenario_json, "test.json"), &trace_),
        finder_(&hardware_),
        shared_(finder_.EnsureBusLink(), hardware_) {
    trace_.KeepLines(true);
    ChipReader::Options options;
    options.min_interval = min_interval;
    options.now = [this] { return now_; };
    for (const int address : addresses) {
      const auto a7 = static_cast<std::uint8_t>(address);
      char text[8];
      std::snprintf(text, sizeof text, "0x%02X", address);
      devaccess::ChipIdentity identity;
      identity.adapter = finder_.EnsureBusLink().SMBus().Adapters().front();
      identity.address7 = a7;
      ChipLabels labels{devaccess::StablePlace(identity), "SMBus", "i2c-0", text};
      readers_.push_back(std::make_unique<ChipReader>(
          labels, std::make_unique<devaccess::Declarations>(&shared_), identity,
          [a7](devaccess::Declarations& d, const devaccess::ChipIdentity& now) {
            buslink::BusLink& link = d.EnsureBusLink();
            link.SMBus().SelectAdapter(now.adapter->number);
            link.SMBus().SetDeviceAddress(a7);
            link.SetMedium(buslink::BusMedium::SMBus);
            d.device_address = a7;
            d.comms_medium = devaccess::CommsMediumOf(buslink::BusMedium::SMBus);
          },
          bus_, options));
    }
  }

  buslink::sim::Chip& Chip(int address = 0x2D) {
    return *hardware_.SMBusChip(static_cast<std::uint8_t>(address));
  }
  ChipReader& Reader(std::size_t i = 0) { return *readers_[i]; }
  ChipReading Read(std::size_t i = 0) {
    ChipReading r;
    readers_[i]->Read(r);
    return r;
  }
  // Hands the readers over, for an Exporter.
  std::vector<std::unique_ptr<ChipReader>> TakeReaders() { return std::move(readers_); }
  void Advance(std::chrono::milliseconds by) { now_ += by; }

  buslink::BusTrace& trace() { return trace_; }
  buslink::sim::SimulatedHardware& hardware() { return hardware_; }

 private:
  buslink::BusTrace trace_;
  buslink::sim::SimulatedHardware hardware_;
  devaccess::Declarations finder_;  // as the session that found the chips
  SharedLinkBackend shared_;
  std::mutex bus_;
  std::chrono::steady_clock::time_point now_{};
  std::vector<std::unique_ptr<ChipReader>> readers_;
};

// A converting chip with limits that the test's inputs can cross: +12V between 11.4 and 12.6 V
// (0xB6..0xC9), External 1 at most 60 degrees.
inline constexpr const char* kConvertingChip = R"({
  "smbus": {"chips": [{"address": "0x2D"}, {"address": "0x2E"}]},
  "chip": {"noise": 0,
           "registers": {"0x40": "0x01", "0x34": "0xB6", "0x33": "0xC9", "0x37": "0x3C"},
           "inputs": {"v12": 12.0, "temp_ext1": 40, "fan1_rpm": 4500, "fan2_rpm": 3000}}})";

}  // namespace exporter
