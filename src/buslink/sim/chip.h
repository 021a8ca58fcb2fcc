#pragma once

#include <array>
#include <cstdint>
#include <random>

#include "buslink/sim/scenario.h"

namespace buslink::sim {

// Register-level model of the monitor chip. While START (bit 0 of Configuration 1, 0x40) is clear
// nothing converts, so measured and status registers keep what was put there. Once START is set,
// each read of a measured register converts its input afresh and compares it with the limits,
// latching INT status bits.
class Chip {
 public:
  explicit Chip(const ChipSetup& setup, std::uint32_t seed = 1);

  std::uint8_t Read(std::uint8_t reg);               // as a bus read: may convert, clear, latch
  void Write(std::uint8_t reg, std::uint8_t value);  // as a bus write: read-only registers ignore
  std::uint8_t Peek(std::uint8_t reg) const { return regs_[reg]; }         // no side effects
  void Poke(std::uint8_t reg, std::uint8_t value) { regs_[reg] = value; }  // raw, for tests

  ChipInputs& inputs() { return inputs_; }
  const ChipInputs& inputs() const { return inputs_; }
  void SetNoise(double counts) { noise_ = counts; }

  void PowerOnReset();

 private:
  void Convert();  // refreshes every measurement and status bit from the inputs
  void ApplyPins();

  std::array<std::uint8_t, 256> regs_{};
  ChipInputs inputs_;
  double noise_ = 0.0;
  std::mt19937 rng_;
};

}  // namespace buslink::sim
