#include "python/simulator.h"

#include <cmath>

#include "buslink/sim/scenario.h"
#include "python/errors.h"
#include "python/search.h"

namespace py = pybind11;

namespace pykelvran {

namespace {

using buslink::sim::AnalogInput;
using buslink::sim::ChipInputs;

struct AnalogField {
  std::string_view name;
  double ChipInputs::*number;
  AnalogInput shape;
};
constexpr AnalogField kAnalogFields[] = {
    {"v25", &ChipInputs::v25, AnalogInput::V25},
    {"vccp1", &ChipInputs::vccp1, AnalogInput::Vccp1},
    {"vcc", &ChipInputs::vcc, AnalogInput::Vcc},
    {"v5", &ChipInputs::v5, AnalogInput::V5},
    {"v12", &ChipInputs::v12, AnalogInput::V12},
    {"vccp2", &ChipInputs::vccp2, AnalogInput::Vccp2},
    {"ain1", &ChipInputs::ain1, AnalogInput::Ain1},
    {"ain2", &ChipInputs::ain2, AnalogInput::Ain2},
    {"temp_internal", &ChipInputs::temp_internal, AnalogInput::TempInternal},
    {"temp_ext1", &ChipInputs::temp_ext1, AnalogInput::TempExt1},
    {"temp_ext2", &ChipInputs::temp_ext2, AnalogInput::TempExt2},
    {"fan1_rpm", &ChipInputs::fan1_rpm, AnalogInput::Fan1Rpm},
    {"fan2_rpm", &ChipInputs::fan2_rpm, AnalogInput::Fan2Rpm},
};

// A piece of scenario, read by the scenario reader itself so it takes and refuses exactly what a
// file does; source names the call in its messages.
buslink::sim::Scenario ScenarioOf(const py::dict& document, const std::string& source) {
  const std::string text = py::module_::import("json").attr("dumps")(document).cast<std::string>();
  try {
    return buslink::sim::Scenario::FromJson(text, source);
  } catch (const buslink::sim::ScenarioError& e) {
    throw ArgumentError(e.what());
  }
}

}  // namespace

Simulator::Simulator(const std::optional<std::string>& scenario) {
  Filters filters{{scenario ? "--simulate=" + *scenario : "--simulate"}};
  bench_ = OpenBench(ArgumentsOf(filters));
}

buslink::sim::SimulatedHardware& Simulator::Hardware() {
  return static_cast<buslink::sim::SimulatedHardware&>(bench_->session.backend());
}

std::shared_ptr<Bench> Simulator::Narrowed(const Filters& filters) {
  Filters all = filters;
  all.options.emplace_back("--simulate");
  const cli::Arguments wanted = ArgumentsOf(all);
  const std::lock_guard lock(bench_->bus);
  // The session reads the narrowing from its arguments at each search; the scenario stays.
  bench_->args.medium = wanted.medium;
  bench_->args.port = wanted.port;
  bench_->args.address = wanted.address;
  bench_->args.bus = wanted.bus;
  Hardware().LimitSearchTo(buslink::BusChoice::Parse(wanted.bus));
  return bench_;
}

std::vector<std::shared_ptr<ChipHandle>> Simulator::Find(const Filters& filters) {
  return FindChips(Narrowed(filters));
}

std::shared_ptr<ChipHandle> Simulator::Open(const Filters& filters) {
  return OpenChip(Narrowed(filters));
}

double Simulator::time() {
  const std::lock_guard lock(bench_->bus);
  return Hardware().Clock().Seconds();
}

void Simulator::set_time(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) {
    throw ArgumentError("simulated time is 0 or more seconds, not " + std::to_string(seconds));
  }
  const std::lock_guard lock(bench_->bus);
  Hardware().Clock().Set(seconds);
}

void Simulator::Advance(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) {
    throw ArgumentError("simulated time only moves forward, not by " + std::to_string(seconds));
  }
  const std::lock_guard lock(bench_->bus);
  Hardware().Clock().Advance(seconds);
}

void Simulator::SetInput(const std::string& name, const py::object& value) {
  py::dict inputs, chip, smbus, document;
  inputs[py::str(name)] = value;
  chip["inputs"] = inputs;
  smbus["chips"] = py::make_tuple(py::dict());
  document["chip"] = chip;
  document["smbus"] = smbus;
  const ChipInputs given = ScenarioOf(document, "set_input").smbus.chips.at(0).chip.inputs;
  const std::lock_guard lock(bench_->bus);
  for (buslink::sim::Chip* c : Hardware().AllChips()) {
    ChipInputs& to = c->inputs();
    if (name == "vid") to.vid = given.vid;
    if (name == "chassis_intrusion") to.chassis_intrusion = given.chassis_intrusion;
    for (const AnalogField& f : kAnalogFields) {
      if (f.name != name) continue;
      to.*f.number = given.*f.number;
      const auto slot = static_cast<std::size_t>(f.shape);
      to.shapes[slot] = given.shapes[slot];
    }
  }
}

void Simulator::Unplug(int adapter) {
  const std::lock_guard lock(bench_->bus);
  Hardware().UnplugAdapter(adapter);
}

void Simulator::Plug(int adapter) {
  const std::lock_guard lock(bench_->bus);
  Hardware().PlugAdapter(adapter);
}

void Simulator::AddFault(const py::dict& fields) {
  py::dict document;
  document["faults"] = py::make_tuple(fields);
  const buslink::sim::Scenario parsed = ScenarioOf(document, "add_fault");
  const std::lock_guard lock(bench_->bus);
  Hardware().AddFault(parsed.faults.at(0));
}

void Simulator::ClearFaults() {
  const std::lock_guard lock(bench_->bus);
  Hardware().ClearFaults();
}

}  // namespace pykelvran
