#pragma once

#include <string>

#include "boxes/feature_context.h"

namespace chart {
class StripChart;
}

namespace userfiles {

// The chart's history as CSV: one row per tick (the traces of a group share their rows), the
// traces that hold points as columns, empty where a trace has no point.
// The time column is each row's wall time as the chart noted it beside its own clock.
std::string ChartHistoryCsv(const chart::StripChart& strip);

// "Export Chart…": the chart as drawn (with its title and legends, and a margin) to a PNG file
// and, if the user wants it, its history to a CSV file of the same name beside it; the status bar
// says where they went.
void ExportChart(boxes::FeatureContext& c, chart::StripChart& strip);

}  // namespace userfiles
