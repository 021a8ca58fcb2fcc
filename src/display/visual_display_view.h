#pragma once

#include <array>
#include <cstdint>

#include "access/declarations.h"
#include "boxes/message_boxes.h"

class QLabel;
class QTimer;
class QWidget;

namespace widgets {
class LinearGauge;
class StatusLamp;
}  // namespace widgets
namespace chart {
class StripChart;
}
namespace channels {
class AoutSlider;
}
namespace chip {
class ReadingHistory;
}

namespace display {

// The Visual Display tab's controls that its routines work on. The tab creates them and fills
// this in; the routines in channel_labels, display_cycle, gauge_refresh, limits_gauge,
// indicators and easy_setup take it together with the shared state, as the tab's procedures
// would take the form's controls.
struct VisualDisplayView {
  static constexpr int kLabelCount = 15;  // indices 0..14; there is no label 13
  std::array<QLabel*, kLabelCount> visualdisplaytext{};
  std::array<widgets::StatusLamp*, 12> SSPanel11{};
  widgets::LinearGauge* limits_gauge = nullptr;
  chart::StripChart* Strip2 = nullptr;
  channels::AoutSlider* aout_slider = nullptr;
  QTimer* visual_timer = nullptr;
  QWidget* box_parent = nullptr;  // parent of the "Warning" box
  // What Strip2 plots, as read: the chart's export converts it as a recording does.
  chip::ReadingHistory* chart_readings = nullptr;
};

struct VisualContext {
  devaccess::Declarations& d;
  VisualDisplayView& v;
  boxes::MessageBoxes& boxes;
};

}  // namespace display
