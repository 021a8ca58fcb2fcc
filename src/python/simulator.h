#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "buslink/sim/simulated_hardware.h"
#include "python/bench.h"
#include "python/chip_handle.h"

// kelvran.Simulator: the simulated computer the programs' --simulate gives, held by a test, which
// moves its clock, sets its inputs, pulls its adapters and injects faults.
namespace pykelvran {

class Simulator {
 public:
  // scenario: a scenario file, or none for the built-in hardware.
  explicit Simulator(const std::optional<std::string>& scenario);

  std::vector<std::shared_ptr<ChipHandle>> Find(const Filters& filters);
  std::shared_ptr<ChipHandle> Open(const Filters& filters);

  double time();
  void set_time(double seconds);
  void Advance(double seconds);
  // name is a key of the scenario format's `inputs`, value what it takes there (a number, a
  // shape as a dict, true/false for chassis_intrusion); every chip gets it.
  void SetInput(const std::string& name, const pybind11::object& value);
  void Unplug(int adapter);
  void Plug(int adapter);
  // fields are one entry of the scenario format's `faults`.
  void AddFault(const pybind11::dict& fields);
  void ClearFaults();

 private:
  buslink::sim::SimulatedHardware& Hardware();
  // The search narrowed to the filters, on this computer.
  std::shared_ptr<Bench> Narrowed(const Filters& filters);

  std::shared_ptr<Bench> bench_;
};

}  // namespace pykelvran
