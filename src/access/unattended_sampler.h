#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "access/declarations.h"
#include "buslink/bus_error.h"
#include "buslink/i2c_adapter.h"
#include "chip/sample_gaps.h"
#include "chip/sampler.h"

namespace devaccess {

// What a chip followed over time is known by: where it sits stably (its adapter's by-path place
// and name, not the adapter's number, which a re-plug changes), its address, and what it says it
// is.
struct ChipIdentity {
  buslink::BusMedium medium = buslink::BusMedium::SMBus;
  std::optional<buslink::I2cAdapterInfo> adapter;  // SMBus: where it is now
  int port = 0;                                    // printer port index
  int address7 = 0;
  bool known = false;  // Company ID and Revision below have been read
  std::uint8_t company_id = 0;
  std::uint8_t revision = 0;
};

// "smbus/usb-1-2/0x2D", "smbus/pci-0000:00:1f.4/0x2D", "printer/port0/0x2E": the place a lab's
// series and a recording's header keep across re-plugs. An adapter without a path goes by its
// name, one the backend names not at all by its number.
std::string StablePlace(const ChipIdentity& identity);

// Reads Company ID and Revision into identity, which is then known. A BusError passes through.
void ReadIdentity(Declarations& d, ChipIdentity& identity);

// The sampler of everything that runs unattended (`record`, `watch`, `serve`, the window's
// recorder): a failed sample is skipped and counted in gaps(), the next Take tries again. Before
// the first sample after a failure it looks for the chip where it sat, on its adapter under
// whatever number that has now, and samples it only when it identifies as the same chip; one that
// does not is left alone and the gap goes on. With SamplerOptions::read_chip_facts every sample
// is checked too, and an identity not yet known is taken from the first (a KELVRAN's Company ID).
class UnattendedSampler {
 public:
  using Steady = std::chrono::steady_clock::time_point;
  // Puts the chip's place on the link before each attempt, where other chips share the link.
  using Place = std::function<void(Declarations&, const ChipIdentity&)>;

  struct Attempt {
    const chip::Sample* sample = nullptr;  // nullptr when the chip did not answer as itself
    chip::SampleGaps::Change change = chip::SampleGaps::Change::None;
    bool bus_error = false;  // it failed on the bus, not by identifying as another chip
  };

  // d already points at the chip.
  UnattendedSampler(Declarations& d, ChipIdentity identity, chip::SamplerOptions options = {},
                    Place place = {});

  // One sample, valid until the next call. Never throws a BusError.
  Attempt Take(Steady now);

  const chip::SampleGaps& gaps() const { return gaps_; }
  const ChipIdentity& identity() const { return identity_; }
  chip::Sampler& sampler() { return sampler_; }

 private:
  void FindAgain();
  std::string Describe(const buslink::BusError& e) const;
  void CheckFacts(const chip::ChipFacts& facts);

  Declarations& d_;
  ChipIdentity identity_;
  bool check_facts_;
  Place place_;
  chip::Sampler sampler_;
  chip::SampleGaps gaps_;
};

}  // namespace devaccess
