#pragma once

#include <memory>
#include <string>

#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"
#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"

namespace buslink::sim {

// A simulated computer from a scenario, one bus link on it, and the trace of its transfers.
struct SimRig {
  explicit SimRig(const std::string& json)
      : hardware(Scenario::FromJson(json, "rig.json"), &trace), link(hardware.CreateBusLink()) {
    trace.KeepLines(true);
  }
  ParallelPorts& ports() { return link->GetParallelPorts(); }
  ParallelDevice& device() { return link->GetParallelPorts().Device(); }
  SMBusDevice& smbus() { return link->SMBus(); }

  BusTrace trace;
  SimulatedHardware hardware;
  std::unique_ptr<BusLink> link;
};

}  // namespace buslink::sim
