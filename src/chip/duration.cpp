#include "chip/duration.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace chip {

ParsedDuration ParseDuration(std::string_view text) {
  struct Unit {
    std::string_view suffix;
    double seconds;
  };
  // "min" and "ms" before "m" and "s", so 500ms is not read as 500m with an "s" left over.
  static constexpr Unit kUnits[] = {{"min", 60}, {"ms", 0.001}, {"s", 1},
                                    {"m", 60},   {"h", 3600},   {"d", 86400}};
  double scale = 1.0;
  std::string_view number = text;
  for (const Unit& unit : kUnits) {
    if (number.size() > unit.suffix.size() && number.ends_with(unit.suffix)) {
      scale = unit.seconds;
      number.remove_suffix(unit.suffix.size());
      break;
    }
  }
  ParsedDuration parsed;
  if (number.empty() || number.size() > 16) return parsed;
  for (const char c : number) {
    if ((c < '0' || c > '9') && c != '.') return parsed;
  }
  const std::string copy(number);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return parsed;
  parsed.seconds = value * scale;
  parsed.status = parsed.seconds <= kLongestDurationSeconds ? ParsedDuration::Status::Ok
                                                            : ParsedDuration::Status::TooLong;
  return parsed;
}

}  // namespace chip
