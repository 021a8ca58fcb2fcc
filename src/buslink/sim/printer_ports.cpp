#include "buslink/sim/printer_ports.h"

#include <algorithm>
#include <string>

#include "notation/hex.h"

namespace buslink::sim {

using State = SimulatedHardware::State;

void State::AddPorts(const Scenario& scenario, std::uint32_t& seed) {
  for (const PrinterPortSetup& port : scenario.printer_ports) {
    Port p{port.base, {}};
    for (const BoardSetup& board : port.boards) {
      p.boards.push_back({board.address, board.answers_when_false, board.answers_when_true,
                          std::make_unique<Chip>(board.chip, seed++, clock)});
    }
    ports.push_back(std::move(p));
  }
}

const State::Port* State::PortAt(int base) const {
  for (const Port& port : ports) {
    if (port.base == base) return &port;
  }
  return nullptr;
}

std::uint8_t State::ParallelTransfer(int base, bool mode_flag, char op, std::uint8_t device,
                                     std::uint8_t reg, std::uint8_t value) {
  return Transfer(TraceMedium::PP, op, device, reg, value, [&]() -> Chip* {
    const Port* port = PortAt(base);
    if (port == nullptr) {
      Fail(TraceMedium::PP, device, op, reg, ErrorCode::BadPort,
           "there is no printer port at base address " + notation::Hex(base, 3) +
               " in the simulated computer");
    }
    for (const Board& board : port->boards) {
      const bool answers = mode_flag ? board.answers_when_true : board.answers_when_false;
      if (board.address == device && answers) return board.chip.get();
    }
    return nullptr;
  });
}

int SimParallelPorts::BaseAddress() const {
  return selected_ < state_.ports.size() ? state_.ports[selected_].base : 0;
}

std::uint8_t SimParallelPorts::PortCount() const {
  return static_cast<std::uint8_t>(std::min<std::size_t>(state_.ports.size(), 255));
}

void SimParallelPorts::SetSelectedPort(std::uint8_t index) {
  if (index >= state_.ports.size()) {
    const std::size_t n = state_.ports.size();
    throw BusError(
        ErrorCode::BadPort,
        "printer port " + std::to_string(index) + " does not exist: " +
            (n == 0 ? std::string("the simulated computer has no printer ports")
                    : "the simulated computer has " + std::to_string(n) +
                          (n == 1 ? " printer port (index 0)"
                                  : " printer ports (indices 0.." + std::to_string(n - 1) + ")")));
  }
  selected_ = index;
  device_.SetBaseAddress(state_.ports[index].base);
}

}  // namespace buslink::sim
