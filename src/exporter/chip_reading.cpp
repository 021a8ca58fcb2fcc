#include "exporter/chip_reading.h"

#include <algorithm>
#include <vector>

#include "chip/alarm_names.h"
#include "chip/channels.h"

namespace exporter {

namespace {

std::vector<std::string_view> MakeAlarmNames() {
  std::vector<std::string_view> names;
  for (const chip::Channel* channel : chip::AllChannels()) {
    if (std::find(names.begin(), names.end(), channel->caption) == names.end()) {
      names.push_back(channel->caption);
    }
  }
  for (const chip::AlarmWithoutChannel& other : chip::kAlarmsWithoutChannel) {
    names.push_back(other.name);
  }
  return names;
}

}  // namespace

std::span<const std::string_view> AlarmNames() {
  static const std::vector<std::string_view> names = MakeAlarmNames();
  return names;
}

int AlarmIndex(std::string_view name) {
  const std::span<const std::string_view> names = AlarmNames();
  const auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

}  // namespace exporter
