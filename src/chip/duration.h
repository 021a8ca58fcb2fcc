#pragma once

#include <string_view>

namespace chip {

// The longest interval or wait a user may give: far beyond any soak, and far inside what the
// steady clock's nanoseconds hold, so no deadline computed from it can overflow.
inline constexpr double kLongestDurationSeconds = 366.0 * 24 * 3600;

struct ParsedDuration {
  enum class Status { Ok, Malformed, TooLong };
  Status status = Status::Malformed;
  double seconds = 0.0;
  bool ok() const { return status == Status::Ok; }
};

// "500ms", "1s", "2m" (or "2min"), "1.5h", "7d" or plain seconds ("0.5"); never negative, at most
// kLongestDurationSeconds.
ParsedDuration ParseDuration(std::string_view text);

}  // namespace chip
