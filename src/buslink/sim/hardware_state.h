#pragma once

// What the simulated computer holds, shared by the BusLink objects it hands out: the printer
// ports and their boards, the I2C adapters and their chips, the faults and the latency.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buslink/sim/simulated_hardware.h"

namespace buslink::sim {

struct SimulatedHardware::State {
  struct Board {
    std::uint8_t address;
    bool answers_when_false;
    bool answers_when_true;
    std::unique_ptr<Chip> chip;
  };
  struct Port {
    int base;
    std::vector<Board> boards;
  };
  struct BusChip {
    std::uint8_t address;
    std::unique_ptr<Chip> chip;
  };
  struct Adapter {
    I2cAdapterInfo info;
    long base = 0;
    std::vector<BusChip> chips;
    bool plugged = true;  // UnplugAdapter, PlugAdapter
    std::optional<AdapterUnplug> unplug;
    int first_number = 0;
    bool out = false;  // away by its unplug schedule, as the clock last said
    bool Present() const { return plugged && !out; }
  };
  struct ArmedFault {
    Fault fault;
    int matched = 0;  // matching transfers seen so far
  };

  std::vector<Port> ports;
  std::vector<Adapter> adapters;  // by number
  std::optional<BusChoice> choice;
  std::vector<ArmedFault> faults;
  int os_build = 1998;
  int latency_us = 0;
  BusTrace* trace = nullptr;
  std::shared_ptr<SimClock> clock = std::make_shared<SimClock>();
  bool scheduled = false;  // an adapter has an unplug schedule

  // printer_ports.cpp: the boards on each port, and a transfer to one of them.
  void AddPorts(const Scenario& scenario, std::uint32_t& seed);
  const Port* PortAt(int base) const;
  std::uint8_t ParallelTransfer(int base, bool mode_flag, char op, std::uint8_t device,
                                std::uint8_t reg, std::uint8_t value);

  // adapter_timeline.cpp: the adapters, and where their unplug schedules have put them.
  void AddAdapters(const Scenario& scenario, std::uint32_t& seed);
  // Puts every adapter with an unplug schedule where the clock says it is now; spares the clock
  // on every transfer of a scenario without one.
  void FollowClock() {
    if (scheduled) FollowSchedules();
  }
  void FollowSchedules();
  Adapter* AdapterNumbered(int number);

  // smbus_adapters.cpp: which adapter a transfer goes to, and the transfer.
  Adapter* ChooseAdapter(int number, long base, std::string* why);
  std::string NoAdapterAtBase(long base, int plugged) const;
  std::uint8_t SMBusTransfer(int number, long base, int& in_use, char op, std::uint8_t device,
                             std::uint8_t reg, std::uint8_t value);

  // simulated_hardware.cpp: latency and faults, common to both buses.
  void Wait() const;
  std::optional<ErrorCode> FaultFor(TraceMedium medium, char op, std::uint8_t device,
                                    std::uint8_t reg);
  [[noreturn]] void Fail(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
                         ErrorCode code, const std::string& message) const;

  // One register transfer. `find` gives the chip that answers (nullptr: nobody acknowledges) or
  // fails itself when the bus is not there at all.
  template <typename Find>
  std::uint8_t Transfer(TraceMedium medium, char op, std::uint8_t device, std::uint8_t reg,
                        std::uint8_t value, Find find) {
    Wait();
    Chip* chip = find();
    if (!faults.empty()) {
      if (const auto error = FaultFor(medium, op, device, reg))
        FailOnPurpose(medium, op, device, reg, *error);
    }
    if (chip == nullptr) NoAcknowledge(medium, op, device, reg);
    if (op == 'R') {
      value = chip->Read(reg);
    } else {
      chip->Write(reg, value);
    }
    if (trace != nullptr) trace->Record(medium, device, op, reg, value);
    return value;
  }

 private:
  [[noreturn]] void FailOnPurpose(TraceMedium medium, char op, std::uint8_t device,
                                  std::uint8_t reg, ErrorCode error) const;
  [[noreturn]] void NoAcknowledge(TraceMedium medium, char op, std::uint8_t device,
                                  std::uint8_t reg) const;
};

}  // namespace buslink::sim
