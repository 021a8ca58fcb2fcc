#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace chart {

// From a time of the axis on (until the next step), the clock read shift nanoseconds later, in
// the zone utc_offset_seconds east of UTC: a recording's axis follows its monotonic seconds,
// while its rows keep the clock and zone they were written in.
struct ClockStep {
  std::int64_t from = 0;
  std::int64_t shift = 0;
  int utc_offset_seconds = 0;
};

// How a chart labels its time axis. Times are nanoseconds: on a live chart those of the steady
// clock, under review those since the Unix epoch (UTC).
struct TimeAxis {
  enum class Style {
    BeforeNewest,  // seconds before the right edge: "0 s", "-5 s" (the live display)
    Clock,         // the clock time where the data were taken, with the date once a view
                   // passes midnight
    Elapsed,       // time since origin: "0:15:00", "2d 03:00:00"
  };
  Style style = Style::BeforeNewest;
  int utc_offset_seconds = 0;  // Clock: the zone the data were taken in
  std::int64_t origin = 0;     // Elapsed: time zero
  // Clock: the clock's steps along the axis, in order; without them every time is shown as it
  // is, in utc_offset_seconds.
  const std::vector<ClockStep>* clock = nullptr;
};

// The step of the clock in force at time.
ClockStep ClockAt(const TimeAxis& axis, std::int64_t time);

struct TimeTick {
  std::int64_t time = 0;
  QString label;
};

// Ticks on round times (1, 2, 5, 10, 15 or 30 of a unit, whole hours and days of the clock)
// between start and end, about `wanted` of them, each with its label.
std::vector<TimeTick> TimeTicks(const TimeAxis& axis, std::int64_t start, std::int64_t end,
                                int wanted);

// "2026-12-06 01:02:03.456" (Clock) or "2d 03:00:00.000" (Elapsed): a time written out in full.
QString FullTime(const TimeAxis& axis, std::int64_t time);
// "3 h 20 min", "45.2 s", "12 ms": a span of time as a person says it.
QString SpanText(std::int64_t nanoseconds);

}  // namespace chart
