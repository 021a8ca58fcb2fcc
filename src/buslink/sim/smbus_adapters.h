#pragma once

// The SMBus side of the simulated computer, as the program's SMBus object sees it.

#include <cstdint>
#include <optional>
#include <vector>

#include "buslink/sim/hardware_state.h"

namespace buslink::sim {

class SimSMBus : public SMBusDevice {
 public:
  explicit SimSMBus(SimulatedHardware::State& state) : state_(state) {}

  void WriteByte(std::uint8_t device, std::uint8_t reg, std::uint8_t value) override {
    state_.SMBusTransfer(number_, base_, in_use_, 'W', device, reg, value);
  }
  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override {
    return state_.SMBusTransfer(number_, base_, in_use_, 'R', device, reg, 0);
  }
  long BaseAddress() const override;
  void SetDeviceAddress(std::uint8_t address) override { device_address_ = address; }
  void SetBaseAddress(long base) override { base_ = base; }
  std::vector<I2cAdapterInfo> Adapters() const override;
  void SelectAdapter(int number) override { number_ = number; }
  std::optional<I2cAdapterInfo> CurrentAdapter() const override;

 private:
  SimulatedHardware::State& state_;
  std::uint8_t device_address_ = 0;
  long base_ = 0;    // the controller base asked for; 0: any
  int number_ = -1;  // the adapter asked for; -1: by base, --bus or name
  int in_use_ = -1;  // the adapter the last transfer reached
};

}  // namespace buslink::sim
