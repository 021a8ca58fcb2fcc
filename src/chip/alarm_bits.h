#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "chip/alarm_store.h"
#include "chip/channels.h"
#include "chip/sampler.h"

// What each INT Status bit means to the person it reaches: the desktop notifications, `kelvran
// alarms` and `kelvran watch --until-alarm` all say the same about the same bit.
namespace chip {

// INT Status 1 bits 0 to 7 are slots 0 to 7, INT Status 2 bits 0 to 7 slots 8 to 15.
inline constexpr int kAlarmSlots = 16;

bool IsLatched(const StatusSample& status, int slot);

struct AlarmBit {
  int slot = 0;
  // The channel the bit belongs to under the Channel Mode; nullptr for the bits of no channel.
  const Channel* channel = nullptr;
  // The channel's caption, or "Chassis", "THERM", "D1 Fault", "D2 Fault"; empty for a reserved bit.
  std::string_view name;
  // A temperature beyond its limit, THERM or the chassis opened: worth interrupting for.
  bool critical = false;
};

AlarmBit AlarmBitOf(int slot, int channel_mode);

// Where a reading stands against its limits now. A fan below its limit turns too slowly.
enum class LimitSide { Within, Above, Below };
LimitSide SideOf(const ChannelReading& reading);

// "+12V above its limit", "Fan 1 below its limit" (a reading back within its limits when read
// is told by the limit it is nearer to), "Chassis intrusion", "THERM interrupt", "External 1
// diode fault". reading is the bit's channel's, or nullptr ("+5V left its limits").
std::string AlarmSummary(const AlarmBit& bit, const ChannelReading* reading);
// "+12V back within its limits", "Chassis intrusion cleared".
std::string ClearedSummary(const AlarmBit& bit);

// "12.652 V (limits 11.400 to 12.600 V)", "91 °C (limits 0 to 90 °C)",
// "2100 RPM (low limit 2657 RPM)", "stalled (low limit 2657 RPM)".
std::string ReadingText(const ChannelReading& reading);

// One line per bit the sample's status carries, channels first in the order of the sample:
// "+12V above its limit: 12.652 V (limits 11.400 to 12.600 V)", "Chassis intrusion".
std::vector<std::string> AlarmLines(const Sample& sample);

// Reads one channel as a Sampler does (the fan divisors first for a fan, then the value and the
// limits), for those who need one channel and not the rest.
ChannelReading ReadChannel(const Channel& channel, const Sampler::Read& read);

}  // namespace chip
