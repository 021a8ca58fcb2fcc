#pragma once

#include <QWidget>
#include <optional>
#include <utility>

#include "access/declarations.h"
#include "boxes/message_boxes.h"
#include "chip/reading_history.h"
#include "display/limit_key_steps.h"
#include "display/visual_display_view.h"

class QGroupBox;
class QLabel;

namespace display {

// The "Visual Display" tab: channel labels, strip chart, limits gauge, interrupt lamps, the
// analog output slider and EasySetup. The routines live in channel_labels, display_cycle,
// gauge_refresh, limits_gauge, indicators and easy_setup; this class lays the controls out and
// connects their events to them.
class VisualDisplayTab : public QWidget {
  Q_OBJECT

 public:
  VisualDisplayTab(devaccess::Declarations& d, boxes::MessageBoxes& boxes,
                   QWidget* parent = nullptr);

  // Entry steps up to the Voltage and +12V clicks (analog output, channel mode, labels); the
  // main window reads Configuration 1 for its start notice afterwards.
  void Enter();
  void StopTimer();  // stops visual_timer
  // After registers were written behind the tab's back while it is in front: the analog output,
  // the channel mode and the chart and gauge as the user chose them, read afresh. A chosen channel
  // that the new mode hides gives way to the tab's first choice, as on entry.
  void ShowChipNow();
  void EasySetup();  // the same routine as the "EasySetup" button

  // One tick of the display cycle, as visual_timer runs it.
  void visual_timer_Timer();

  chart::StripChart& chart() const { return *view_.Strip2; }
  // The raw readings behind the chart's points, as many rows as the chart keeps.
  const chip::ReadingHistory& chart_readings() const { return chart_readings_; }
  // visual_timer runs: each tick reads INT Status 1 and 2.
  bool Ticking() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QGroupBox* BuildGraphPanel();
  QGroupBox* BuildBargraphPanel();
  QWidget* BuildIntrusionPanel();

  devaccess::Declarations& d_;
  boxes::MessageBoxes& boxes_;
  chip::ReadingHistory chart_readings_;
  VisualDisplayView view_;
  VisualContext context_;
  LimitKeySteps key_steps_;
  QGroupBox* graph_panel_ = nullptr;     // SSPanel1
  QGroupBox* bargraph_panel_ = nullptr;  // SSPanel6
  QLabel* adapter_label_ = nullptr;      // vd_adapter_label
};

}  // namespace display
