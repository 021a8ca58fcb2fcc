#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Recordings made up for tests, benchmarks and screenshots, in the format the recorder writes:
// every channel the Channel Mode gives, wandering a little around the middle of its range, with
// `# limits:` lines and an alarms column when asked.
namespace recordings {

struct Spec {
  std::int64_t rows = 1000;
  std::int64_t interval_ms = 1000;
  std::int64_t start_ms = 1796515323456;  // 2026-12-06T01:02:03.456+01:00
  int utc_offset_minutes = 60;
  int channel_mode = 0x00;
  bool limits = true;         // a "# limits:" line before the first row
  bool alarms_column = true;  // false: the older format without it
  unsigned seed = 1;
  // Temperatures and fans follow a day's warm afternoon and cool night under their noise, as a
  // lab's do (for screenshots that should show a trend).
  bool daily = false;
  // Rows [first, last] where +12V stands above its high limit and alarms.
  std::vector<std::pair<std::int64_t, std::int64_t>> v12_alarms = {};
};

// Hands the text on in pieces of about a megabyte, so a file of gigabytes need not fit in memory.
void Write(const Spec& spec, const std::function<void(std::string_view)>& out);
std::string Text(const Spec& spec);
// Writes the recording to a file; false when it cannot.
bool WriteFile(const Spec& spec, const std::string& path);

// "2026-12-06T01:02:03.456+01:00" for milliseconds since the epoch, in a zone offset.
std::string IsoTime(std::int64_t ms, int utc_offset_minutes);

}  // namespace recordings
