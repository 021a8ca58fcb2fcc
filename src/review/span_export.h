#pragma once

#include <cstdint>
#include <string>

namespace review {

class RecordingModel;
struct Compared;

// The rows from time a to time b as CSV, in the layout of a recording's values (which the review
// opens again): the time as the recording wrote it (its zone), the seconds since a, and every
// channel's value ("" where it has none), '.' decimals. With a compared recording, its shared
// channels follow as "<caption> · <name> [<unit>]", read at each row's time less its shift.
std::string SpanCsv(const RecordingModel& model, std::int64_t a, std::int64_t b,
                    const Compared* compared = nullptr);

}  // namespace review
