#pragma once

#include <array>
#include <string_view>

namespace chip {

// INT Status 2 bits 4 to 7 belong to no measured channel: recordings, their review, notifications
// and the exporter name them so.
struct AlarmWithoutChannel {
  int bit;  // of INT Status 2
  std::string_view name;
  std::string_view summary;  // what a notification says
  bool critical;
};
inline constexpr std::array<AlarmWithoutChannel, 4> kAlarmsWithoutChannel{
    {{4, "Chassis", "Chassis intrusion", true},
     {5, "THERM", "THERM interrupt", true},
     {6, "D1 Fault", "External 1 diode fault", false},
     {7, "D2 Fault", "External 2 diode fault", false}}};

}  // namespace chip
