#pragma once

#include <chrono>
#include <string>

#include "capture/capture_context.h"

namespace widgets {
class StripChart;
}

namespace capture {

// The chart's history as CSV: one row per point of the longest trace, the traces that hold points
// as columns, aligned on their newest points (every trace of a group is fed on the same tick).
// The time column maps the chart's clock to the wall clock by the two "now"s given.
std::string ChartHistoryCsv(const widgets::StripChart& chart,
                            std::chrono::system_clock::time_point wall_now,
                            std::chrono::steady_clock::time_point chart_now);

// "Export Chart…": the chart as drawn (with its title and legends) to a PNG file and, if the user
// wants it, its history to a CSV file of the same name beside it.
void ExportChart(CaptureContext& c, widgets::StripChart& chart);

}  // namespace capture
