#include "buslink/sim/simulated_hardware.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "buslink/sim/hardware_state.h"
#include "buslink/sim/printer_ports.h"
#include "buslink/sim/smbus_adapters.h"
#include "notation/hex.h"

namespace buslink::sim {

namespace {

using State = SimulatedHardware::State;

const char* MediumName(TraceMedium medium) {
  return medium == TraceMedium::PP ? "PP" : "SMB";
}

class SimBusLink : public BusLink {
 public:
  explicit SimBusLink(std::shared_ptr<State> state)
      : state_(std::move(state)), ports_(*state_), smbus_(*state_) {}

  ParallelPorts& GetParallelPorts() override { return ports_; }
  SMBusDevice& SMBus() override { return smbus_; }
  void SetMedium(BusMedium medium) override { medium_ = medium; }
  BusMedium Medium() const override { return medium_; }

 private:
  std::shared_ptr<State> state_;  // keeps the chips alive as long as this link
  SimParallelPorts ports_;
  SimSMBus smbus_;
  BusMedium medium_ = BusMedium::PrinterPort;
};

class SimSystemInfo : public SystemInfo {
 public:
  explicit SimSystemInfo(int build) : build_(std::to_string(build)) {}
  std::string OSBuild() const override { return build_; }

 private:
  std::string build_;
};

}  // namespace

// Busy-waits rather than sleeps: a sleep overshoots by far more than a bus byte takes.
void State::Wait() const {
  if (latency_us <= 0) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(latency_us);
  while (std::chrono::steady_clock::now() < until) {
  }
}

// Every fault that matches counts the transfer; the first one due to fire decides the error.
std::optional<ErrorCode> State::FaultFor(TraceMedium medium, char op, std::uint8_t device,
                                         std::uint8_t reg) {
  std::optional<ErrorCode> result;
  for (ArmedFault& armed : faults) {
    const Fault& f = armed.fault;
    if (f.medium == FaultMedium::PP && medium != TraceMedium::PP) continue;
    if (f.medium == FaultMedium::SMB && medium != TraceMedium::SMB) continue;
    if (f.op && *f.op != op) continue;
    if (f.device && *f.device != device) continue;
    if (f.reg && *f.reg != reg) continue;
    ++armed.matched;
    const int failed_before = armed.matched - 1 - f.skip;
    const bool due = failed_before >= 0 && (!f.times || failed_before < *f.times);
    if (due && !result) result = f.error;
  }
  return result;
}

void State::Fail(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg, ErrorCode code,
                 const std::string& message) const {
  if (trace != nullptr) trace->RecordError(medium, device, op, reg, code);
  throw BusError(code, message);
}

void State::FailOnPurpose(TraceMedium medium, char op, std::uint8_t device, std::uint8_t reg,
                          ErrorCode error) const {
  Fail(medium, device, op, reg, error,
       std::string("the simulated bus failed a transfer on purpose (a scenario fault): ") +
           std::string(ErrorCodeName(error)) + " on " + MediumName(medium) + " device " +
           notation::Hex(device) + " register " + notation::Hex(reg));
}

void State::NoAcknowledge(TraceMedium medium, char op, std::uint8_t device,
                          std::uint8_t reg) const {
  Fail(medium, device, op, reg, ErrorCode::Nack,
       std::string("no chip acknowledged ") + MediumName(medium) + " address " +
           notation::Hex(device) +
           ": check the address and, on the printer port, the board's ModeFlag setting");
}

SimulatedHardware::SimulatedHardware(const Scenario& scenario, BusTrace* trace)
    : state_(std::make_shared<State>()) {
  // Each chip gets its own stream of noise, so transfers to one chip do not change another's
  // readings.
  std::uint32_t seed = scenario.seed;
  state_->AddPorts(scenario, seed);
  state_->AddAdapters(scenario, seed);
  for (const Fault& fault : scenario.faults) state_->faults.push_back({fault});
  state_->os_build = scenario.os_build;
  state_->latency_us = scenario.latency_us;
  state_->trace = trace;
}
SimulatedHardware::~SimulatedHardware() = default;

std::unique_ptr<BusLink> SimulatedHardware::CreateBusLink() {
  return std::make_unique<SimBusLink>(state_);
}

std::unique_ptr<SystemInfo> SimulatedHardware::CreateSystemInfo() {
  return std::make_unique<SimSystemInfo>(state_->os_build);
}

std::string SimulatedHardware::WhyUnavailable(Bus bus) const {
  if (bus == Bus::PrinterPort) {
    return state_->ports.empty() ? "the simulated computer has no printer port (its scenario "
                                   "lists none under \"printer_ports\")"
                                 : std::string();
  }
  state_->FollowClock();
  const bool any = std::any_of(state_->adapters.begin(), state_->adapters.end(),
                               [](const State::Adapter& adapter) { return adapter.Present(); });
  return any ? std::string()
             : "the simulated computer has no SMBus adapter (its scenario has no \"smbus\")";
}

Chip* SimulatedHardware::BoardChip(int port, std::uint8_t board_address) {
  if (port < 0 || static_cast<std::size_t>(port) >= state_->ports.size()) return nullptr;
  for (State::Board& board : state_->ports[static_cast<std::size_t>(port)].boards) {
    if (board.address == board_address) return board.chip.get();
  }
  return nullptr;
}

Chip* SimulatedHardware::SMBusChip(std::uint8_t smbus_address, int adapter_number) {
  for (State::Adapter& adapter : state_->adapters) {
    if (adapter_number >= 0 && adapter.info.number != adapter_number) continue;
    for (State::BusChip& chip : adapter.chips) {
      if (chip.address == smbus_address) return chip.chip.get();
    }
  }
  return nullptr;
}

std::vector<Chip*> SimulatedHardware::AllChips() {
  std::vector<Chip*> chips;
  for (State::Port& port : state_->ports) {
    for (State::Board& board : port.boards) chips.push_back(board.chip.get());
  }
  for (State::Adapter& adapter : state_->adapters) {
    for (State::BusChip& chip : adapter.chips) chips.push_back(chip.chip.get());
  }
  return chips;
}

SimClock& SimulatedHardware::Clock() {
  return *state_->clock;
}

void SimulatedHardware::LimitSearchTo(std::optional<BusChoice> choice) {
  state_->choice = std::move(choice);
}

void SimulatedHardware::UnplugAdapter(int number) {
  if (State::Adapter* adapter = state_->AdapterNumbered(number)) adapter->plugged = false;
}

void SimulatedHardware::PlugAdapter(int number) {
  if (State::Adapter* adapter = state_->AdapterNumbered(number)) adapter->plugged = true;
}

void SimulatedHardware::SetLatencyMicroseconds(int us) {
  state_->latency_us = us;
}

void SimulatedHardware::AddFault(const Fault& fault) {
  state_->faults.push_back({fault});
}

void SimulatedHardware::ClearFaults() {
  state_->faults.clear();
}

void SimulatedHardware::SetTrace(BusTrace* trace) {
  state_->trace = trace;
}

}  // namespace buslink::sim
