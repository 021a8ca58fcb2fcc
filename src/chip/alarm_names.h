#pragma once

#include <array>
#include <string_view>

namespace chip {

// INT Status 2 bits 4 to 7 belong to no measured channel: recordings, notifications and the
// exporter name them so.
struct AlarmWithoutChannel {
  int bit;  // of INT Status 2
  std::string_view name;
};
inline constexpr std::array<AlarmWithoutChannel, 4> kAlarmsWithoutChannel{
    {{4, "Chassis"}, {5, "THERM"}, {6, "D1 Fault"}, {7, "D2 Fault"}}};

}  // namespace chip
