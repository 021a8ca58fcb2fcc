#pragma once

#include <cstdint>
#include <string>

namespace review {

class RecordingModel;

// The rows from time a to time b as CSV: the time as the recording wrote it (its zone), the
// seconds since a, and every channel's value ("" where it has none), '.' decimals.
std::string SpanCsv(const RecordingModel& model, std::int64_t a, std::int64_t b);

}  // namespace review
