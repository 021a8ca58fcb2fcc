#pragma once

#include <chrono>
#include <string>

namespace chip {

// "2026-12-06T01:02:03.456+01:00": local time with milliseconds and the offset from UTC.
std::string IsoLocalTime(std::chrono::system_clock::time_point when);

}  // namespace chip
