#pragma once

#include "chip/channels.h"

// The keyboard moves a limit pointer of the gauge in steps of the register the limit is written
// to: every key press reaches the chip as a new value, and the pointer shows a value that is
// written as that register. Plain arithmetic; the gauge's key stepper calls it.
namespace display {

// A register value as a position that grows with the limit: the register itself for volts, whole
// degrees for temperatures, minus the count for a fan (a faster fan has a smaller count).
int LimitPosition(const chip::Channel& channel, int divisor, double value);
// The value in the middle of the range written as `position`, rounded to the channel's decimals.
double LimitValueAt(const chip::Channel& channel, int divisor, int position);

class LimitKeySteps {
 public:
  // Where `steps` key presses (negative: down the scale) take the pointer of `slot` now at
  // `value`. At the end of the channel's registers or of the gauge's scale the value stays.
  double Next(const chip::Channel& channel, int divisor, int slot, double value, int steps);

 private:
  // The position a value on the gauge stands for: the one the last key step chose while the
  // pointer still shows its value; the register it was read from while it shows a limit as
  // loaded from the chip; otherwise the register it is written as.
  int HeldPosition(const chip::Channel& channel, int divisor, int slot, double value) const;

  struct Last {
    const chip::Channel* channel = nullptr;
    int slot = -1;
    double value = 0.0;
    int position = 0;
  };
  Last last_;
};

}  // namespace display
