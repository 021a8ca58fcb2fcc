#include "display/limit_key_steps.h"

#include <algorithm>
#include <cmath>

#include "chip/conversions.h"

namespace display {

namespace {

using chip::Quantity;

constexpr int kLowestCount = 1;
constexpr int kHighestCount = 255;

double RoundTo(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

void PositionRange(const chip::Channel& channel, int& lowest, int& highest) {
  switch (channel.quantity) {
    case Quantity::Volts:
      lowest = 0;
      highest = 255;
      break;
    case Quantity::Celsius:
      lowest = -128;
      highest = 127;
      break;
    case Quantity::Rpm:
      lowest = -kHighestCount;
      highest = -kLowestCount;
      break;
  }
}

}  // namespace

int LimitPosition(const chip::Channel& channel, int divisor, double value) {
  switch (channel.quantity) {
    case Quantity::Volts:
      return chip::RegisterFromVolts(value, channel.scale.k_inverse);
    case Quantity::Celsius:
      return static_cast<int>(std::clamp(std::nearbyint(value), -128.0, 127.0));
    case Quantity::Rpm:
      return -chip::CountFromRpm(value, divisor);
  }
  return 0;
}

double LimitValueAt(const chip::Channel& channel, int divisor, int position) {
  switch (channel.quantity) {
    case Quantity::Volts:
      return RoundTo((position + 0.5) * channel.scale.k_inverse / 255.0, channel.gauge.decimals);
    case Quantity::Celsius:
      return position;
    case Quantity::Rpm: {
      // Count c covers the speeds from 1350000 / ((c + 1) x divisor) up to 1350000 / (c x divisor).
      const double count = -position;
      const double slow = chip::kFanConstant / ((count + 1.0) * divisor);
      const double fast = chip::kFanConstant / (count * divisor);
      return RoundTo((slow + fast) / 2.0, channel.gauge.decimals);
    }
  }
  return 0.0;
}

int LimitKeySteps::HeldPosition(const chip::Channel& channel, int divisor, int slot,
                                double value) const {
  if (last_.channel == &channel && last_.slot == slot && last_.value == value) {
    return last_.position;
  }
  // A volts limit is loaded through a conversion that is not the exact inverse of the one it is
  // written with: a value that is exactly a loaded one stands for the register it was read from.
  if (channel.quantity == Quantity::Volts) {
    const chip::VoltageScale& scale = channel.scale;
    const double raw = std::round((value - scale.gauge_offset) * 255.0 / scale.k);
    if (raw >= 0.0 && raw <= 255.0 &&
        std::fabs(chip::VoltsFromRegister(static_cast<int>(raw), scale.k, scale.gauge_offset) -
                  value) < 1e-9) {
      return static_cast<int>(raw);
    }
  }
  return LimitPosition(channel, divisor, value);
}

double LimitKeySteps::Next(const chip::Channel& channel, int divisor, int slot, double value,
                           int steps) {
  const int held = HeldPosition(channel, divisor, slot, value);
  int lowest = 0;
  int highest = 0;
  PositionRange(channel, lowest, highest);
  const int target = std::clamp(held + steps, lowest, highest);
  if (target == held) return value;
  const double next = std::clamp(LimitValueAt(channel, divisor, target), channel.gauge.scale_min,
                                 channel.gauge.scale_max);
  const int reached = LimitPosition(channel, divisor, next);
  // Past the end of the scale the pointer stops where it is.
  if (reached == held || (steps > 0) != (reached > held)) return value;
  last_ = {&channel, slot, next, reached};
  return next;
}

}  // namespace display
