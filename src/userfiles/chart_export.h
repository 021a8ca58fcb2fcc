#pragma once

#include <string>

#include "boxes/feature_context.h"

namespace chart {
class StripChart;
}
namespace chip {
class ReadingHistory;
}

namespace userfiles {

// The chart's history as CSV, laid out and converted as a recording is: one row per tick of the
// readings behind the chart's points (the chart's own offsets are for drawing), from its oldest
// point kept, each channel with its value and raw columns, empty where it has no reading.
// The time column is each row's wall time as the chart noted it beside its own clock.
std::string ChartHistoryCsv(const chart::StripChart& strip, const chip::ReadingHistory& readings);

// "Export Chart…": the chart as drawn (with its title and legends, and a margin) to a PNG file
// and, if the user wants it, its history to a CSV file of the same name beside it; the status bar
// says where they went.
void ExportChart(boxes::FeatureContext& c, chart::StripChart& strip,
                 const chip::ReadingHistory& readings);

}  // namespace userfiles
