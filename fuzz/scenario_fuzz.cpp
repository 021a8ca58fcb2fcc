// A scenario file is either hardware the simulator builds and reads from, or a ScenarioError with
// a message; nothing else may come out of the loader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  buslink::sim::Scenario scenario;
  try {
    scenario = buslink::sim::Scenario::FromJson(text, "fuzz.json");
  } catch (const buslink::sim::ScenarioError& e) {
    if (std::string(e.what()).empty()) std::abort();
    return 0;
  }
  // Whatever the file allowed, the hardware it describes must come up and answer (at once: a
  // slow bus is not what is being tried here).
  scenario.latency_us = 0;
  buslink::sim::SimulatedHardware hardware(scenario);
  auto link = hardware.CreateBusLink();
  try {
    link->SMBus().ReadByte(0x2D, 0x3E);
  } catch (const buslink::BusError&) {
    // no adapter, no chip there, or a fault the file injected
  }
  // Each adapter is listed once, in number order, and answers when selected.
  int previous = -1;
  for (const buslink::I2cAdapterInfo& adapter : link->SMBus().Adapters()) {
    if (adapter.number <= previous) std::abort();
    previous = adapter.number;
    link->SMBus().SelectAdapter(adapter.number);
    if (!link->SMBus().CurrentAdapter() ||
        link->SMBus().CurrentAdapter()->number != adapter.number) {
      std::abort();
    }
    try {
      link->SMBus().ReadByte(0x2D, 0x3E);
    } catch (const buslink::BusError&) {
    }
  }
  return 0;
}
