#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>

#include "buslink/sim/scenario.h"
#include "buslink/sim/sim_clock.h"

namespace buslink::sim {

// Register-level model of the monitor chip. While START (bit 0 of Configuration 1, 0x40) is clear
// nothing converts, so measured and status registers keep what was put there. Once START is set,
// each read of a measured register converts its input afresh and compares it with the limits,
// latching INT status bits; a read of a status register first runs a whole conversion round, so
// it reports the inputs as they are now. Inputs with a shape take its value at the clock's time of
// the read. docs/simulator.md tells the full behaviour.
class Chip {
 public:
  // Chips of one simulated computer share its clock; without one the chip has a clock of its own.
  explicit Chip(const ChipSetup& setup, std::uint32_t seed = 1,
                std::shared_ptr<SimClock> clock = nullptr);

  std::uint8_t Read(std::uint8_t reg);               // as a bus read: may convert, clear, latch
  void Write(std::uint8_t reg, std::uint8_t value);  // as a bus write: read-only registers ignore
  // What a read would return now, without converting, clearing or latching anything.
  std::uint8_t Peek(std::uint8_t reg) const;
  void Poke(std::uint8_t reg, std::uint8_t value) { regs_[reg] = value; }  // raw, for tests

  ChipInputs& inputs() { return inputs_; }
  const ChipInputs& inputs() const { return inputs_; }
  void SetNoise(double counts) { noise_ = counts; }
  SimClock& clock() { return *clock_; }

  // START set and INT Clear not set: the chip measures and latches.
  bool Monitoring() const;

  // Every register to its power-on value; the measured values and the intrusion latch survive.
  void PowerOnReset();
  static std::uint8_t PowerOnValue(std::uint8_t reg);
  static bool IsReadOnly(std::uint8_t reg);

 private:
  void Convert();  // refreshes every measurement and status bit from the inputs
  void ConvertChannel(std::uint8_t reg);
  void ObserveIntrusion();
  void Latch(std::uint8_t status_reg, std::uint8_t bit);
  double NoiseSample();                            // uniform in +-noise counts
  double Level(AnalogInput input, double number);  // the input's shape now, or its number

  std::array<std::uint8_t, 256> regs_{};
  ChipInputs inputs_;
  double noise_ = 0.0;
  bool intrusion_seen_ = false;  // level of the intrusion input at the last look
  std::mt19937 rng_;
  std::uint32_t seed_;
  std::shared_ptr<SimClock> clock_;
  std::optional<double> now_;  // the clock's time, read once per transfer when a shape needs it
};

}  // namespace buslink::sim
