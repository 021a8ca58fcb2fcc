#pragma once

namespace chart {

// Registers the chart's accessibility interface with Qt (once per process; every chart's
// constructor calls it): the chart role, the title as its name, and the traces with their newest
// values as its description.
void InstallStripChartAccessibility();

}  // namespace chart
