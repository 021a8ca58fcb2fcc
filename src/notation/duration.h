#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace notation {

// The longest duration either program takes; anything longer is refused rather than overflowed.
inline constexpr std::chrono::milliseconds kLongestDuration = std::chrono::hours(366 * 24);

// A duration as both programs take it: a number with an optional unit, "250ms", "1.5s", "2min"
// (or "2m"), "1h", "2d"; a bare number is seconds. 0 and 1 ms .. kLongestDuration; a value is
// rounded to the millisecond. Otherwise nullopt, with why (when given) saying what is wrong.
std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text, std::string* why);

// The same grammar in a sentence, for usage texts and messages.
inline constexpr std::string_view kDurationGrammar = "such as 500ms, 1s, 1.5s, 2min, 1h or 2d";

}  // namespace notation
