#pragma once

#include "display/visual_display_view.h"

// The display update cycle: the tick of visual_timer that plots the chosen group on the strip
// chart, refreshes the gauge's channel and sets the interrupt lamps, and the set-up that runs
// when a label is clicked.
namespace display {

// One tick. Reads only the registers the chosen group, the gauge's channel and the interrupt
// lamps need, and allocates nothing once the chart's traces have their storage.
void visual_timer_Timer(VisualContext& c);

// For the label in vd_selected_index: a heading sets up the strip chart for its group, a channel
// sets up the gauge. The very first call also gives the chart its start values.
void setup_strip_chart_and_gauge(VisualContext& c);

// Clears the strip chart and gives it the group's ranges, title and legends (0 temperatures,
// 1 voltages, 2 fan speeds); the fan group then refreshes the fan divisors from register 0x47.
void SetUpStripChartGroup(VisualContext& c, int group);

}  // namespace display
