#pragma once

#include <chrono>
#include <cstdint>

namespace buslink::linux_hw {

// The three registers of a printer port as the bit-banged bus sees them. The real one goes
// through ppdev; tests put a simulated board behind it.
class PortPins {
 public:
  virtual ~PortPins() = default;
  virtual void WriteData(std::uint8_t value) = 0;     // pins 2-9
  virtual std::uint8_t ReadStatus() = 0;              // pins 15, 13, 12, 10, 11 (bit 7 inverted)
  virtual void WriteControl(std::uint8_t value) = 0;  // pins 1, 14, 16, 17
};

// Time for the bit-banged bus: the pace of the clock and the deadline of a stretched clock.
class Pacer {
 public:
  virtual ~Pacer() = default;
  virtual std::chrono::nanoseconds Now() = 0;
  virtual void Wait(std::chrono::nanoseconds duration) = 0;
};

// The steady clock. Waits of a bit period spin rather than sleep: a sleep lasts tens of
// microseconds at best, five times the half period we want.
class SteadyPacer : public Pacer {
 public:
  std::chrono::nanoseconds Now() override;
  void Wait(std::chrono::nanoseconds duration) override;
};

}  // namespace buslink::linux_hw
