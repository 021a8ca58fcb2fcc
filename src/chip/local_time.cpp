#include "chip/local_time.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace chip {

std::string IsoLocalTime(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto since_epoch = duration_cast<milliseconds>(when.time_since_epoch());
  auto seconds = duration_cast<std::chrono::seconds>(since_epoch);
  auto millis = (since_epoch - seconds).count();
  if (millis < 0) {
    millis += 1000;
    seconds -= std::chrono::seconds(1);
  }
  const std::time_t t = static_cast<std::time_t>(seconds.count());
  std::tm local{};
  localtime_r(&t, &local);
  const long offset_minutes = local.tm_gmtoff / 60;
  const int offset = static_cast<int>(std::labs(offset_minutes) % (24 * 60));
  std::array<char, 128> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(millis), offset_minutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return text.data();
}

}  // namespace chip
