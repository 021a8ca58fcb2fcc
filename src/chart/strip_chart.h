#pragma once

#include <QColor>
#include <QStaticText>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "chart/clock_offsets.h"
#include "chart/plot_view.h"
#include "chart/series_store.h"

class QTimer;

namespace chart {

// The live chart: a plot view over a store of its own, whose numbered traces (store series 0 ..
// kTraceCount-1) take points as they come, with numbered text items (a title, legends) on top. It
// shows the last TimeWindow() seconds up to the newest point (less TimeOffset()): when points
// stop arriving, the chart stands still.
//
// Adding points only stores them: a repaint timer asks for one paint per repaint interval however
// many points arrive. As time moves the chart along, only the rows its traces cross are painted
// again.
//
// Vertical ranges come in two pairs (index 0 and 1), each with a low and a high end that are
// set one at a time, in any order:
//   pair 0, the stops: a value outside it is drawn at its nearest end (PlotView::SetStops;
//           default -128 .. 125);
//   pair 1, the view: the values the plot shows from bottom edge to top edge, labelled on the
//           left axis (PlotView::SetValueView; default -128 .. 125).
// A pair whose low end is not below its high end draws nothing until it is put right.
//
// Trace and text item numbers out of range are ignored by setters and give defaults from getters.
class StripChart : public PlotView {
  Q_OBJECT

 public:
  static constexpr int kTraceCount = 16;          // traces 0 .. 15
  static constexpr int kMaxTextItems = 64;        // SetTextItemCount clamps to this
  static constexpr int kDefaultHistory = 100000;  // points kept per trace
  static constexpr double kDefaultWindowSeconds = 20.0;

  // The clock that time-stamps points; tests inject their own.
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // The wall clock, read beside it once a tick to note how far apart the two stand.
  using WallClock = std::function<std::chrono::system_clock::time_point()>;

  explicit StripChart(QWidget* parent = nullptr);
  ~StripChart() override;

  // --- Data (live) ---
  // Removes every point of every trace (text items, colours and ranges stay).
  void ClearChart();
  // Appends value to trace, time-stamped now by the chart's clock. Returns false (and stores
  // nothing) for a trace number outside 0 .. kTraceCount-1.
  bool AddPoint(int trace, double value);
  // The same with an explicit time stamp (must not go back in time; an older stamp is taken
  // as the newest one so far). Points of several traces with one time stamp share a row.
  bool AddPointAt(int trace, std::chrono::steady_clock::time_point when, double value);
  // Points currently kept for a trace (at most HistoryCapacity()).
  int PointCount(int trace) const;
  // The newest value of a trace, or 0 without points.
  double LastValue(int trace) const;
  // The live traces' points: series t is trace t, time in steady-clock nanoseconds.
  const DoubleSeriesStore& Store() const { return own_; }
  bool HasPoints() const { return !own_.Empty(); }

  void SetClock(Clock clock);
  void SetWallClock(WallClock clock);
  std::chrono::system_clock::time_point WallNow() const { return wall_clock_(); }
  // How far the wall clock stood ahead of the chart's clock as the rows kept were taken (the gap
  // grows by each suspend of the machine and moves with each step of the wall clock).
  const ClockOffsets& WallOffsets() const { return wall_offsets_; }
  // The time AddPoint would stamp a point with now.
  std::chrono::steady_clock::time_point Now() const { return clock_(); }
  // Rows of points kept. Clears every trace.
  void SetHistoryCapacity(int points);
  int HistoryCapacity() const;
  // Seconds shown across the plot (> 0; others ignored).
  void SetTimeWindow(double seconds);
  double TimeWindow() const { return window_seconds_; }
  // How far back from the newest point the right edge stands, in seconds; 0 follows the newest
  // data (this is the property the display always sets to 0).
  void SetTimeOffset(double seconds);
  double TimeOffset() const { return offset_seconds_; }

  // --- Traces ---
  void SetTraceColor(int trace, const QColor& color);
  QColor TraceColor(int trace) const;  // every trace has a distinct default colour
  static QColor DefaultTraceColor(int trace);
  // The name accessibility tools read in the chart's description ("trace 3" by default).
  void SetTraceName(int trace, const QString& name);
  QString TraceName(int trace) const;

  // --- Vertical ranges (pair 0: stops, pair 1: view; see above) ---
  void SetRangeLow(int pair, double value);
  void SetRangeHigh(int pair, double value);
  void SetRange(int pair, double low, double high);
  double RangeLow(int pair) const;
  double RangeHigh(int pair) const;

  // --- Text items ---
  // Items 0 .. count-1 exist; growing adds items with an empty caption, the default text colour
  // and position (0.01, 0.02); shrinking drops the last ones.
  void SetTextItemCount(int count);
  int TextItemCount() const { return static_cast<int>(texts_.size()); }
  // A selected item for callers that address items one at a time; the chart itself uses it
  // for nothing. It may name an item that does not exist (then its caption reads "").
  void SetCurrentTextItem(int item) { current_text_ = item; }
  int CurrentTextItem() const { return current_text_; }
  void SetTextCaption(int item, const QString& caption);
  QString TextCaption(int item) const;
  void SetTextColor(int item, const QColor& color);
  QColor TextColor(int item) const;
  // Position of the caption's top-left corner as fractions of the plot's width and height
  // (the area inside the axes), so captions never sit on the axis labels.
  // Items on the same line never overlap: a caption that would run into the one to its left
  // is pushed right.
  void SetTextPosition(int item, double horizontal, double vertical);
  double TextHorizontal(int item) const;
  double TextVertical(int item) const;

  // --- Repaint pacing ---
  // Shortest time between two repaints caused by new points; by default one screen refresh
  // (16 ms at 60 Hz).
  void SetRepaintInterval(int milliseconds);
  int RepaintInterval() const;
  // True while a repaint has been asked for and not yet done.
  bool RepaintPending() const;
  // What the repaint timer asks to be repainted now that points came: the rows of the plot the
  // traces cross, now or in the picture shown (the whole plot under review); nothing when no
  // point came since the last paint.
  QRegion RefreshPlot();

  // The accessible description: the traces that have points, each as "name value".
  QString TracesDescription() const override;
  QString AccessibleTitle() const override { return TextCaption(0); }

 signals:
  // The live traces went from no points to some, or back (ClearChart).
  void hasPointsChanged(bool has_points);

 protected:
  std::pair<std::int64_t, std::int64_t> Span() const override;
  TracePainter::Rows PaintTraces(QImage& image, const QRegion& clip,
                                 const TracePainter::Frame& frame) override;
  void PaintOver(QPainter& painter, const QRect& plot, const QRegion& region) override;
  void WholePlotPainted() override;
  void LayoutChanged() override { placed_valid_ = false; }
  bool FollowsTheClock() const override { return true; }

 private:
  struct TextItem {
    QString caption;
    QColor color;
    double horizontal = 0.01;
    double vertical = 0.02;
  };
  // The live traces: colours and names by trace number.
  struct Trace {
    QColor color;
    QString name;
  };

  bool ValidTrace(int trace) const { return trace >= 0 && trace < kTraceCount; }
  bool ValidItem(int item) const { return item >= 0 && item < TextItemCount(); }
  bool ValidPair(int pair) const { return pair == 0 || pair == 1; }
  void ScheduleRepaint();
  void ForgetWallOffsets();
  void PointsChanged();
  void RangesChanged();
  // Draws the captions that reach into region.
  void PaintTexts(QPainter& painter, const QRegion& region);
  // Lays the captions out for the plot: where each goes, kept until a caption, its colour or
  // position, the plot's size or the font changes.
  void PlaceTexts(const QFontMetrics& fm, const QRect& plot);
  void TextsChanged();

  DoubleSeriesStore own_{kTraceCount};
  std::array<Trace, kTraceCount> traces_;
  std::vector<TraceStyle> live_styles_;  // the live traces as TracePainter draws them
  std::vector<TextItem> texts_;
  int current_text_ = 0;
  std::array<double, 2> range_low_{-128.0, -128.0};
  std::array<double, 2> range_high_{125.0, 125.0};
  Clock clock_;
  WallClock wall_clock_;
  ClockOffsets wall_offsets_;
  std::int64_t offset_checked_at_ = std::numeric_limits<std::int64_t>::min();
  double window_seconds_ = kDefaultWindowSeconds;
  double offset_seconds_ = 0.0;
  QTimer* repaint_timer_;
  bool new_points_ = false;
  TracePainter painter_;

  // The captions as laid out for the last paint; a laid-out text draws without being shaped
  // again, and a paint draws those whose bounds (ink and advance) reach into what it paints.
  struct PlacedText {
    QStaticText text;
    QPoint top_left;
    QColor color;
    QRect bounds;
  };
  std::vector<PlacedText> placed_;
  QRect placed_plot_;
  bool placed_valid_ = false;
};

}  // namespace chart
