#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"
#include "buslink/sim/chip.h"
#include "buslink/sim/scenario.h"
#include "buslink/sim/sim_clock.h"

namespace buslink::sim {

// The simulated computer: printer ports with evaluation boards, an SMBus adapter with chips, an
// operating-system build number, transfer latency and injected faults. Every BusLink it creates
// talks to the same chips, so tests can look at the registers a window wrote.
class SimulatedHardware : public Backend {
 public:
  explicit SimulatedHardware(const Scenario& scenario, BusTrace* trace = nullptr);
  ~SimulatedHardware() override;

  std::unique_ptr<BusLink> CreateBusLink() override;
  std::unique_ptr<SystemInfo> CreateSystemInfo() override;
  std::string WhyUnavailable(Bus bus) const override;
  bool Simulated() const override { return true; }

  // nullptr when there is no such chip. port is the 0-based printer-port index; board_address the
  // 8-bit form; smbus_address the 7-bit form, on adapter_number or (-1) the first adapter that
  // has a chip there.
  Chip* BoardChip(int port, std::uint8_t board_address);
  Chip* SMBusChip(std::uint8_t smbus_address, int adapter_number = -1);
  // Every chip, printer-port boards first: for those who change the inputs of all of them.
  std::vector<Chip*> AllChips();

  // --bus: the SMBus search covers only the adapters choice names.
  void LimitSearchTo(std::optional<BusChoice> choice);
  // A USB bridge pulled out and put back: an unplugged adapter is missing from the next search,
  // and a transfer on it fails as gone.
  void UnplugAdapter(int number);
  void PlugAdapter(int number);

  // The clock every chip's shaped inputs follow; tests set it by hand.
  SimClock& Clock();

  void SetLatencyMicroseconds(int us);
  void AddFault(const Fault& fault);
  void ClearFaults();
  void SetTrace(BusTrace* trace);

  struct State;  // shared with the BusLink objects it hands out

 private:
  std::shared_ptr<State> state_;
};

}  // namespace buslink::sim
