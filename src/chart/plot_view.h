#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <utility>

#include "chart/time_axis.h"
#include "chart/trace_painter.h"

namespace chart {

// A plot of traces over time: a grid with labelled axes around the traces of a series store.
// What the traces are and which span of time they cover is the subclass's (the live chart feeds
// its own store and follows the newest point; a review pane draws a recording over a span it is
// given); this class keeps the axes, the vertical ranges and the pictures.
//
// A paint draws the plot from the store, a min/max pair per device pixel column (see
// TracePainter), so traces are sharp at any device pixel ratio. What does not move (background,
// grid, axis labels) is kept drawn and copied under the traces, and a paint of some rows of the
// plot draws only those.
class PlotView : public QWidget {
  Q_OBJECT

 public:
  // Rows per device pixel column from which a trace is drawn as a band and its mean: a live
  // chart's 20 s at a thousand points a second stays a line.
  static constexpr std::int64_t kDenseRows = 128;

  explicit PlotView(QWidget* parent = nullptr);
  ~PlotView() override;

  // The values at the plot's bottom and top edges, labelled on the value axis. A view whose low
  // end is not below its high end draws no traces until it is put right.
  void SetValueView(double low, double high);
  double ViewLow() const { return view_low_; }
  double ViewHigh() const { return view_high_; }
  // A value outside [low, high] is drawn at the nearer end, like a pen held by the stops of a
  // recorder. Stops whose low end is not below their high end hold nothing (the default).
  void SetStops(double low, double high);
  double StopLow() const { return stop_low_; }
  double StopHigh() const { return stop_high_; }

  void SetTimeAxis(const TimeAxis& axis);
  // Without time labels the plot reaches down to the bottom edge (for stacked charts that share
  // the labels of the lowest).
  void SetTimeLabelsShown(bool shown);
  // A title in a strip of its own above the plot, so it never covers a trace ("" for none).
  void SetTitle(const QString& title);
  QString Title() const { return title_; }
  // Rows per device pixel column from which a trace is drawn as a band and its mean (0: never).
  void SetBandFrom(std::int64_t rows);

  // The time span shown now, [left, right], and the time at a widget x coordinate and back.
  std::pair<std::int64_t, std::int64_t> ShownSpan() const { return Span(); }
  std::int64_t TimeAtX(double x) const;
  double XOfTime(std::int64_t time) const;
  // Where the traces are drawn, inside the axes.
  QRect PlotRect() const;
  // What accessibility tools read as the chart's name (without an accessible name set).
  virtual QString AccessibleTitle() const { return title_; }
  // What accessibility tools read as the chart's description.
  virtual QString TracesDescription() const = 0;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void mouseMoved();

 protected:
  virtual std::pair<std::int64_t, std::int64_t> Span() const = 0;
  // Draws the traces into the plot's image (device pixels, frame.plot its rectangle), only
  // within clip; returns the rows they cross.
  virtual TracePainter::Rows PaintTraces(QImage& image, const QRegion& clip,
                                         const TracePainter::Frame& frame) = 0;
  // Under the traces, in the widget's logical coordinates: limits, alarm spans.
  virtual bool HasUnderTraces() const { return false; }
  virtual void PaintUnderTraces(QPainter& /*painter*/, const QRect& /*plot*/, std::int64_t /*left*/,
                                std::int64_t /*right*/) {}
  // On top of everything, where region asks: cursors, captions.
  virtual void PaintOver(QPainter& /*painter*/, const QRect& /*plot*/, const QRegion& /*region*/) {}
  // A paint showed every point so far.
  virtual void WholePlotPainted() {}
  // The font or the plot's place changed: what is laid out for them goes.
  virtual void LayoutChanged() {}
  // A live chart's columns stay on a grid of the clock, and it keeps five value lines.
  virtual bool FollowsTheClock() const { return false; }

  void BackdropChanged();
  // The traces changed: the plot is drawn again.
  void PlotChanged();
  bool BackdropValid() const { return backdrop_valid_; }
  TracePainter::Frame PlotFrame(qreal ratio) const;
  // Device rows of the plot as the widget's rows that hold them, across the plot.
  QRegion RowsRegion(const TracePainter::Rows& rows, qreal ratio) const;
  // Rows the traces cross in the picture on screen.
  TracePainter::Rows& ShownRows() { return shown_rows_; }

  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PaintBackdrop(QPainter& painter, const QRect& plot);
  void PaintValueAxis(QPainter& painter, const QRect& plot);
  void PaintTimeAxis(QPainter& painter, const QRect& plot, std::int64_t left, std::int64_t right);
  void PaintPlot(qreal ratio, const QRegion& region);
  int TopMargin() const;

  double view_low_ = 0.0;
  double view_high_ = 1.0;
  double stop_low_ = 0.0;
  double stop_high_ = 0.0;
  TimeAxis axis_;
  bool time_labels_ = true;
  QString title_;
  std::int64_t band_from_ = 0;

  QImage backdrop_;  // background, grid, title and axis labels of the whole widget
  bool backdrop_valid_ = false;
  QImage plot_;                    // the plot as last drawn, in device pixels
  TracePainter::Rows shown_rows_;  // rows the traces cross in the picture on screen
};

}  // namespace chart
