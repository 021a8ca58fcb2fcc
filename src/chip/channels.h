#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "chip/conversions.h"

// The one channel table: what each measured input of the chip is, where its reading and limits
// sit, how a raw byte becomes volts, degrees or RPM, and which Channel Mode bit switches it in.
// The window's display cycle, gauge and EasySetup and the terminal program all read it.
namespace chip {

enum class Quantity { Volts, Celsius, Rpm };

// How the window's limits gauge shows a channel. The gap rule keeps the two limits trigger_gap
// hundredths of the scale maximum apart, and moves one reset_gap hundredths away when they close.
struct GaugeData {
  double scale_min;
  double scale_max;
  int decimals;
  int trigger_gap_hundredths;
  int reset_gap_hundredths;
};

struct Channel {
  std::string_view caption;  // "+12V", "Fan 1", "External 1": as the window labels the channel
  std::string_view unit;     // "V", "RPM" or "°C"
  Quantity quantity;
  int value_register;
  int low_register;    // a fan's only limit: the count of its slowest allowed speed
  int high_register;   // -1 for a fan
  VoltageScale scale;  // volts channels only
  int fan;             // 1 or 2 for a fan, whose divisor sits in register 0x47; 0 otherwise
  // The Channel Mode bit that decides whether this channel is measured, and the value it has then;
  // mode_bit -1 for a channel that is always there.
  int mode_bit;
  bool mode_bit_set;
  int label;  // the window's channel label (visualdisplaytext index) that shows it
  GaugeData gauge;
  // The INT Status register (0x41 or 0x42) and bit that latch when the reading leaves its limits.
  int alarm_register;
  int alarm_bit;

  bool MeasuredUnder(int channel_mode) const {
    return mode_bit < 0 || (((channel_mode >> mode_bit) & 1) != 0) == mode_bit_set;
  }
};

namespace channel {
using Q = Quantity;
inline constexpr int kNone = -1;
inline constexpr GaugeData kTemperatureGauge{-128, 127, 0, 12, 16};
inline constexpr GaugeData kFanGauge{2657, 10000, 0, 4, 8};
inline constexpr GaugeData kAinGauge{0, 2.49, 3, 4, 8};

inline constexpr Channel kV25{.caption = "+2.5V",
                              .unit = "V",
                              .quantity = Q::Volts,
                              .value_register = 0x20,
                              .low_register = 0x2C,
                              .high_register = 0x2B,
                              .scale = kScale25V,
                              .fan = 0,
                              .mode_bit = 2,
                              .mode_bit_set = false,
                              .label = 9,
                              .gauge = {0, 3.32, 3, 6, 8},
                              .alarm_register = 0x41,
                              .alarm_bit = 0};
// The 2.5V and Vccp2 pins double as the second remote diode, read in 2.5V's registers.
inline constexpr Channel kExternal2{.caption = "External 2",
                                    .unit = "°C",
                                    .quantity = Q::Celsius,
                                    .value_register = 0x20,
                                    .low_register = 0x2C,
                                    .high_register = 0x2B,
                                    .scale = {},
                                    .fan = 0,
                                    .mode_bit = 2,
                                    .mode_bit_set = true,
                                    .label = 14,
                                    .gauge = kTemperatureGauge,
                                    .alarm_register = 0x41,
                                    .alarm_bit = 0};
inline constexpr Channel kVccp1{.caption = "+Vccp1",
                                .unit = "V",
                                .quantity = Q::Volts,
                                .value_register = 0x21,
                                .low_register = 0x2E,
                                .high_register = 0x2D,
                                .scale = kScaleVccp,
                                .fan = 0,
                                .mode_bit = kNone,
                                .mode_bit_set = false,
                                .label = 8,
                                .gauge = {0, 3.586, 3, 6, 8},
                                .alarm_register = 0x41,
                                .alarm_bit = 1};
inline constexpr Channel kVcc33{.caption = "+Vcc",
                                .unit = "V",
                                .quantity = Q::Volts,
                                .value_register = 0x22,
                                .low_register = 0x30,
                                .high_register = 0x2F,
                                .scale = kScaleVcc33,
                                .fan = 0,
                                .mode_bit = 3,
                                .mode_bit_set = false,
                                .label = 10,
                                .gauge = {0, 4.383, 3, 6, 8},
                                .alarm_register = 0x41,
                                .alarm_bit = 2};
inline constexpr Channel kVcc5{.caption = "+Vcc",
                               .unit = "V",
                               .quantity = Q::Volts,
                               .value_register = 0x22,
                               .low_register = 0x30,
                               .high_register = 0x2F,
                               .scale = kScaleVcc5,
                               .fan = 0,
                               .mode_bit = 3,
                               .mode_bit_set = true,
                               .label = 10,
                               .gauge = {0, 6.64, 3, 6, 8},
                               .alarm_register = 0x41,
                               .alarm_bit = 2};
inline constexpr Channel kV5{.caption = "+5V",
                             .unit = "V",
                             .quantity = Q::Volts,
                             .value_register = 0x23,
                             .low_register = 0x32,
                             .high_register = 0x31,
                             .scale = kScale5V,
                             .fan = 0,
                             .mode_bit = kNone,
                             .mode_bit_set = false,
                             .label = 11,
                             .gauge = {0, 6.64, 3, 6, 8},
                             .alarm_register = 0x41,
                             .alarm_bit = 3};
inline constexpr Channel kV12{.caption = "+12V",
                              .unit = "V",
                              .quantity = Q::Volts,
                              .value_register = 0x24,
                              .low_register = 0x34,
                              .high_register = 0x33,
                              .scale = kScale12V,
                              .fan = 0,
                              .mode_bit = kNone,
                              .mode_bit_set = false,
                              .label = 12,
                              .gauge = {0, 15.938, 3, 6, 8},
                              .alarm_register = 0x42,
                              .alarm_bit = 0};
inline constexpr Channel kVccp2{.caption = "+Vccp2",
                                .unit = "V",
                                .quantity = Q::Volts,
                                .value_register = 0x25,
                                .low_register = 0x36,
                                .high_register = 0x35,
                                .scale = kScaleVccp,
                                .fan = 0,
                                .mode_bit = 2,
                                .mode_bit_set = false,
                                .label = 7,
                                .gauge = {0, 3.586, 3, 6, 8},
                                .alarm_register = 0x42,
                                .alarm_bit = 1};
inline constexpr Channel kExternal1{.caption = "External 1",
                                    .unit = "°C",
                                    .quantity = Q::Celsius,
                                    .value_register = 0x26,
                                    .low_register = 0x38,
                                    .high_register = 0x37,
                                    .scale = {},
                                    .fan = 0,
                                    .mode_bit = kNone,
                                    .mode_bit_set = false,
                                    .label = 5,
                                    .gauge = kTemperatureGauge,
                                    .alarm_register = 0x41,
                                    .alarm_bit = 5};
inline constexpr Channel kInternal{.caption = "Internal",
                                   .unit = "°C",
                                   .quantity = Q::Celsius,
                                   .value_register = 0x27,
                                   .low_register = 0x3A,
                                   .high_register = 0x39,
                                   .scale = {},
                                   .fan = 0,
                                   .mode_bit = kNone,
                                   .mode_bit_set = false,
                                   .label = 6,
                                   .gauge = kTemperatureGauge,
                                   .alarm_register = 0x41,
                                   .alarm_bit = 4};
inline constexpr Channel kFan1{.caption = "Fan 1",
                               .unit = "RPM",
                               .quantity = Q::Rpm,
                               .value_register = 0x28,
                               .low_register = 0x3B,
                               .high_register = -1,
                               .scale = {},
                               .fan = 1,
                               .mode_bit = 0,
                               .mode_bit_set = false,
                               .label = 3,
                               .gauge = kFanGauge,
                               .alarm_register = 0x41,
                               .alarm_bit = 6};
// As an analog input the pin's fan limit register becomes its high limit.
inline constexpr Channel kAin1{.caption = "AIN 1",
                               .unit = "V",
                               .quantity = Q::Volts,
                               .value_register = 0x28,
                               .low_register = 0x1A,
                               .high_register = 0x3B,
                               .scale = kScaleAin,
                               .fan = 0,
                               .mode_bit = 0,
                               .mode_bit_set = true,
                               .label = 3,
                               .gauge = kAinGauge,
                               .alarm_register = 0x41,
                               .alarm_bit = 6};
inline constexpr Channel kFan2{.caption = "Fan 2",
                               .unit = "RPM",
                               .quantity = Q::Rpm,
                               .value_register = 0x29,
                               .low_register = 0x3C,
                               .high_register = -1,
                               .scale = {},
                               .fan = 2,
                               .mode_bit = 1,
                               .mode_bit_set = false,
                               .label = 4,
                               .gauge = kFanGauge,
                               .alarm_register = 0x41,
                               .alarm_bit = 7};
inline constexpr Channel kAin2{.caption = "AIN 2",
                               .unit = "V",
                               .quantity = Q::Volts,
                               .value_register = 0x29,
                               .low_register = 0x1B,
                               .high_register = 0x3C,
                               .scale = kScaleAin,
                               .fan = 0,
                               .mode_bit = 1,
                               .mode_bit_set = true,
                               .label = 4,
                               .gauge = kAinGauge,
                               .alarm_register = 0x41,
                               .alarm_bit = 7};
}  // namespace channel

// Every entry, by value register (the two readings of a shared pin side by side).
std::span<const Channel* const> AllChannels();

// The channels measured under a Channel Mode register value, in the order of AllChannels: at most
// ten, one per value register, with no allocation.
class ChannelSet {
 public:
  const Channel* const* begin() const { return items_.data(); }
  const Channel* const* end() const { return items_.data() + size_; }
  std::size_t size() const { return size_; }
  const Channel& operator[](std::size_t i) const { return *items_[i]; }

 private:
  friend ChannelSet ChannelsFor(int channel_mode);
  std::array<const Channel*, 14> items_{};
  std::size_t size_ = 0;
};
ChannelSet ChannelsFor(int channel_mode);

// The channel a window label shows, or nullptr for a label without one. Bits 0, 1 and 3 pick
// between fan and analog input and the +Vcc scale; bit 2 only hides rows, so +2.5V, +Vccp2 and
// External 2 answer whatever it is.
const Channel* ChannelForLabel(int label, int channel_mode);

// A fan's divisor from the value of register 0x47 (1 for channels that are not fans).
int FanDivisorOf(const Channel& channel, int vid_fan_divisor);

// Places after the decimal point wherever a reading is written (captions, files, the terminal):
// millivolts, whole degrees, whole RPM. By unit for a reader that has only a file's "V", "°C"
// or "RPM".
int DecimalsOf(Quantity quantity);
int DecimalsOf(std::string_view unit);

// A raw reading or limit as the window's gauge shows it: volts, whole degrees, or RPM (with the
// over-speed rule; a fan limit is the slowest allowed speed).
double ValueFromRegister(const Channel& channel, int raw, int divisor);

}  // namespace chip
