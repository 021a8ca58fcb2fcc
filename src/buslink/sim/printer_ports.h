#pragma once

// The printer ports of the simulated computer, as the program's printer-port objects see them.

#include <cstddef>
#include <cstdint>

#include "buslink/sim/hardware_state.h"

namespace buslink::sim {

class SimParallelDevice : public ParallelDevice {
 public:
  using State = SimulatedHardware::State;
  explicit SimParallelDevice(State& state)
      : state_(state), base_(state.ports.empty() ? 0 : state.ports.front().base) {}

  void SetLoadReset(int value) override { load_reset_ = value; }
  void SetBaseAddress(int base) override { base_ = base; }
  int BaseAddress() const override { return base_; }
  void SetDeviceAddress(std::uint8_t address) override { device_address_ = address; }
  void SetModeFlag(bool flag) override { mode_flag_ = flag; }
  bool ModeFlag() const override { return mode_flag_; }

  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override {
    return state_.ParallelTransfer(base_, mode_flag_, 'R', device, reg, 0);
  }
  void WriteByte(std::uint8_t device, std::uint8_t& reg, std::uint8_t& value) override {
    state_.ParallelTransfer(base_, mode_flag_, 'W', device, reg, value);
  }

 private:
  State& state_;
  int base_;
  int load_reset_ = 0;
  std::uint8_t device_address_ = 0;
  bool mode_flag_ = false;
};

class SimParallelPorts : public ParallelPorts {
 public:
  using State = SimulatedHardware::State;
  explicit SimParallelPorts(State& state) : state_(state), device_(state) {}

  int BaseAddress() const override;
  ParallelDevice& Device() override { return device_; }
  std::uint8_t PortCount() const override;
  void SetSelectedPort(std::uint8_t index) override;

 private:
  State& state_;
  SimParallelDevice device_;
  std::size_t selected_ = 0;
};

}  // namespace buslink::sim
