#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "buslink/sim/input_shape.h"

namespace buslink::sim {

// A time profile for an input, written as CSV: one "time,value" line per point, the time in
// seconds (or with a unit: "90s", "1.5min"), times increasing. Blank lines and lines starting
// with '#' are skipped, and so is a header line such as "time,volts" before the first point.
class ProfileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws ProfileError naming `name` and the line at fault.
InputShape::Points ProfileFromCsv(std::string_view text, const std::string& name);
// The same from a file: a regular file of at most kMaxProfileBytes.
InputShape::Points ProfileFromFile(const std::string& path);

constexpr std::size_t kMaxProfileBytes = 16U << 20U;

}  // namespace buslink::sim
