#pragma once

#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/recording_plot.h"
#include "review/readout.h"

class QRubberBand;
class QSplitter;

namespace review {

class RecordingModel;

// The review's charts: one pane per unit (volts, degrees, RPM), or one per voltage, stacked on one
// time axis whose labels the lowest pane shows; a compared recording's traces dashed over the
// first's. It turns the mouse into requests the window carries out: the wheel zooms around the
// pointer, a drag pans, a drag with Shift or the right button zooms to the band it spans, a drag
// with Alt moves the compared recording, a click places cursor A (right click or Ctrl+click: B).
class ChartArea : public QWidget {
  Q_OBJECT

 public:
  ChartArea(const RecordingModel& model, QWidget* parent = nullptr);

  // Shows the series whose shown flag is set (by series index).
  void SetShown(const std::vector<bool>& shown);
  // The span, time labels, cursors and the data they show have changed.
  void SetView(std::int64_t start, std::int64_t end, const chart::TimeAxis& axis,
               std::optional<std::int64_t> a, std::optional<std::int64_t> b);
  // Rows were added: limits, alarms and the value ranges may have changed.
  void DataChanged();
  // The recording drawn over the first (nullptr: none); it must outlive the next call.
  void SetCompared(const Compared* compared);
  // A pane per voltage channel instead of one for all of them.
  void SetPanePerVoltage(bool on);

  const std::vector<chart::RecordingPlot*>& panes() const { return panes_; }
  // The unit each pane shows, in order.
  const std::vector<QString>& units() const { return units_; }
  // The time under the pointer while it is over a pane.
  std::optional<std::int64_t> PointerTime() const { return pointer_time_; }
  // The plot's width in pixels (the same in every pane).
  int PlotWidth() const;

 signals:
  void zoomAround(std::int64_t time, double factor);
  void panBy(std::int64_t nanoseconds);
  void showSpan(std::int64_t a, std::int64_t b);
  void nudgeBy(std::int64_t nanoseconds);
  void cursorPlaced(bool b, std::int64_t time);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Rebuild();
  void FitValues();
  void Decorate();
  // The panes' keys: a unit, or a voltage channel's caption.
  QString KeyOf(int series) const;
  std::vector<int> ShownIn(const QString& key) const;

  const RecordingModel& model_;
  QSplitter* splitter_;
  std::vector<chart::RecordingPlot*> panes_;
  std::vector<QString> units_;
  std::vector<bool> shown_;
  std::optional<Compared> compared_;
  bool pane_per_voltage_ = false;
  std::int64_t start_ = 0;
  std::int64_t end_ = 1;
  std::optional<std::int64_t> pointer_time_;

  // A press in progress: where, and the view then.
  enum class Drag { None, Click, Pan, Band, Nudge };
  Drag drag_ = Drag::None;
  QPoint press_;
  bool press_b_ = false;
  chart::RecordingPlot* press_pane_ = nullptr;
  std::int64_t panned_ = 0;
  QRubberBand* band_;
};

}  // namespace review
