#include "notation/duration.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace notation {

namespace {

// Longest suffix first, so "ms" and "min" are not read as "s" and "m".
constexpr std::pair<std::string_view, double> kUnits[] = {
    {"min", 60000}, {"ms", 1}, {"s", 1000}, {"m", 60000}, {"h", 3600000}, {"d", 86400000}};

std::nullopt_t Refuse(std::string* why, std::string text) {
  if (why != nullptr) *why = std::move(text);
  return std::nullopt;
}

}  // namespace

std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text, std::string* why) {
  double per_unit = 1000;
  std::string_view number = text;
  for (const auto& [suffix, ms] : kUnits) {
    if (number.size() > suffix.size() && number.substr(number.size() - suffix.size()) == suffix) {
      number.remove_suffix(suffix.size());
      per_unit = ms;
      break;
    }
  }
  // Digits and at most one point: no sign, exponent, "inf" or blank that from_chars would take.
  int points = 0;
  for (const char c : number) {
    if (c == '.') ++points;
    if ((c < '0' || c > '9') && c != '.') number = {};
  }
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (number.empty() || points > 1 || error != std::errc() ||
      end != number.data() + number.size()) {
    return Refuse(why, "not a duration");
  }
  const double ms = std::round(value * per_unit);
  if (ms > static_cast<double>(kLongestDuration.count())) return Refuse(why, "longer than 366d");
  if (ms < 1 && value != 0) return Refuse(why, "shorter than 1ms");
  return std::chrono::milliseconds(static_cast<std::int64_t>(ms));
}

}  // namespace notation
