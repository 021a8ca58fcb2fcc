#pragma once

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QStaticText>
#include <QString>
#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "widgets/trace_history.h"
#include "widgets/trace_rows.h"

class QTimer;

namespace widgets {

// A strip chart whose x axis is time: numbered traces scroll from right to left and the chart
// shows the last TimeWindow() seconds, however many points arrive per second. Numbered text
// items (a title, legends) are drawn over the plot.
//
// Each trace keeps a bounded history (a ring buffer of time-stamped points, see TraceHistory);
// drawing reduces every pixel column to its minimum and maximum, so its cost follows the width
// of the chart, not the number of points. The plot is kept drawn in an image whose columns form
// a ring: when time moves on, the ring turns by whole columns and only the new columns, and the
// few that hold a fixed vertical grid line, are drawn; everything is drawn again only after a
// resize or a change of range, time window, colour or points (ClearChart). A frame then costs
// the drawing of a few columns and a copy to the screen of the rows that a trace crosses: the
// others show the fixed background and grid whatever time does. AddPoint only stores the point;
// the plot is brought up to date when the repaint timer fires, at most once per repaint
// interval, so feeding a thousand points a second costs a thousand cheap stores and a few dozen
// small paints.
//
// The right edge of the plot is the time of the newest point (less TimeOffset()), not the wall
// clock: when points stop arriving, the chart stands still.
//
// Vertical ranges come in two pairs (index 0 and 1), each with a low and a high end that are
// set one at a time, in any order:
//   pair 0, the stops: a value outside it is drawn at its nearest end, like a pen held by the
//           stops of a recorder (default -128 .. 125);
//   pair 1, the view: the values the plot shows from bottom edge to top edge, labelled on the
//           left axis (default -128 .. 125).
// A pair whose low end is not below its high end draws nothing until it is put right.
//
// Trace and text item numbers out of range are ignored by setters and give defaults from getters.
class StripChart : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTraceCount = 16;          // traces 0 .. 15
  static constexpr int kMaxTextItems = 64;        // SetTextItemCount clamps to this
  static constexpr int kDefaultHistory = 100000;  // points kept per trace (rounded up)
  static constexpr double kDefaultWindowSeconds = 20.0;

  // The clock that time-stamps points; tests inject their own.
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit StripChart(QWidget* parent = nullptr);
  ~StripChart() override;

  // --- Data ---
  // Removes every point of every trace (text items, colours and ranges stay).
  void ClearChart();
  // Appends value to trace, time-stamped now by the chart's clock. Returns false (and stores
  // nothing) for a trace number outside 0 .. kTraceCount-1. No allocation after the trace's
  // first point.
  bool AddPoint(int trace, double value);
  // The same with an explicit time stamp (must not go back in time; an older stamp is taken
  // as the newest one so far).
  bool AddPointAt(int trace, std::chrono::steady_clock::time_point when, double value);
  // Points currently kept for a trace (at most HistoryCapacity()).
  int PointCount(int trace) const;
  // The newest value of a trace, or 0 without points.
  double LastValue(int trace) const;
  const TraceHistory& History(int trace) const;

  void SetClock(Clock clock);
  // The time AddPoint would stamp a point with now.
  std::chrono::steady_clock::time_point Now() const { return clock_(); }
  // Points kept per trace; rounded up to a whole number of blocks. Clears every trace.
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
  // Brings the plot up to the newest point and returns the part of the widget that changed:
  // what the repaint timer asks to be repainted. Time moving on changes only the rows that a
  // trace crosses, before or after; new points without a move, only the newest columns.
  QRegion RefreshPlot();

  // Where the traces are drawn, inside the axes.
  QRect PlotRect() const;
  // The accessible description: the traces that have points, each as "name value".
  QString TracesDescription() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void mouseMoved();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Trace {
    TraceHistory history;
    QColor color;
    QString name;
  };
  struct TextItem {
    QString caption;
    QColor color;
    double horizontal = 0.01;
    double vertical = 0.02;
  };

  bool ValidTrace(int trace) const { return trace >= 0 && trace < kTraceCount; }
  bool ValidItem(int item) const { return item >= 0 && item < TextItemCount(); }
  bool ValidPair(int pair) const { return pair == 0 || pair == 1; }
  void ScheduleRepaint();
  // Everything drawn again at the next paint: ranges, time window, colours or points changed.
  void InvalidatePlot();
  // Brings the plot images up to the newest point: turns the rings and draws the new columns,
  // or draws them all when they are out of date. Returns what changed, in widget coordinates.
  QRegion UpdatePlot(const QRect& plot);
  // Records the rows that the spans and lines of DrawColumns cover in columns [first, width).
  void MarkTraceRows(int first);
  // Brings the trace image up to the newest point; returns the first column drawn again (0:
  // all of them, the width: none) and sets shift to the columns the ring turned by.
  int UpdateTraceLayer(int& shift);
  // Draws columns [first, width) of every trace into the trace image, over cleared pixels, and
  // returns the first column drawn (earlier than first where a line joins an older point).
  int DrawColumns(int first);
  // Redraws columns [first, last) of the plot image: background and grid, then the traces.
  void ComposeColumns(const QRect& plot, int first, int last);
  // Keeps the backdrop's plot area column by column, for ComposeColumns.
  void KeepPlotBackdrop(const QRect& plot);
  // Calls draw(dx, begin, end) for each run of plot columns [first, last) that lies in one
  // piece of a ring image: columns begin .. end-1 are stored dx pixels to their right.
  template <typename Draw>
  void ForEachRingPiece(int first, int last, Draw draw) const;
  // Where grid column k begins; the grid divides time into windows of width() columns each.
  std::int64_t GridEdge(std::int64_t k) const;
  // The grid column that the right edge at time right falls into (closed on its right).
  std::int64_t GridColumnOf(std::int64_t right) const;
  // The time at which pixel column c of the image begins.
  std::int64_t ColumnEdge(int c) const { return GridEdge(right_column_ - layer_.width() + 1 + c); }
  // The pixel column of the image that shows time (clamped to the image).
  int ColumnOf(std::int64_t time) const;
  void PaintAxes(QPainter& painter, const QRect& plot);
  // Draws the captions that reach into region.
  void PaintTexts(QPainter& painter, const QRegion& region);
  // Lays the captions out for the plot: where each goes, kept until a caption, its colour or
  // position, the plot's size or the font changes.
  void PlaceTexts(const QFontMetrics& fm, const QRect& plot);
  void TextsChanged();

  std::array<Trace, kTraceCount> traces_;
  std::vector<TextItem> texts_;
  int current_text_ = 0;
  std::array<double, 2> range_low_{-128.0, -128.0};
  std::array<double, 2> range_high_{125.0, 125.0};
  Clock clock_;
  int capacity_ = kDefaultHistory;
  double window_seconds_ = kDefaultWindowSeconds;
  double offset_seconds_ = 0.0;
  std::int64_t newest_ns_ = 0;
  bool has_points_ = false;
  QTimer* repaint_timer_;
  // Reused by every paint, for all traces one after another: one column of a trace each, and
  // lines across empty columns; runs_ tells each trace's share.
  std::vector<QRect> spans_;
  std::vector<QLine> lines_;
  struct TraceRun {
    QColor color;
    std::size_t spans_end;
    std::size_t lines_end;
  };
  std::vector<TraceRun> runs_;

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

  // The traces as last drawn, transparent where no trace is, one pixel per plot pixel. Columns
  // sit on a fixed grid of time, column k covering [GridEdge(k), GridEdge(k + 1)), and the
  // rightmost takes the points up to the right edge: so a column moved along shows exactly
  // what drawing it afresh would. Plot column c is stored at image column (c + origin_) modulo
  // the width, so moving every column along is a change of origin_.
  QImage layer_;
  // The plot as it is shown: the backdrop's plot area with the traces over it, stored as a ring
  // like layer_. Its columns move along with the traces' except those of the vertical grid
  // lines and the plot's frame (grid_columns_), which stay where they are and are drawn again.
  QImage plot_;
  int origin_ = 0;
  TraceRows trace_rows_;                   // rows of each layer_ column that hold trace pixels
  std::vector<std::uint64_t> shown_rows_;  // rows that held trace pixels at the last update
  std::vector<QRect> bands_;               // the changed rows of an update, reused by the next
  std::vector<int> grid_columns_;          // plot columns of the backdrop's vertical lines
  std::vector<QRgb> plot_backdrop_;        // the backdrop's plot area, one column after another
  QImage backdrop_;                        // background, grid and axis labels of the whole widget
  bool layer_valid_ = false;               // false: draw every column at the next paint
  bool plot_valid_ = false;                // false: compose every column at the next paint
  bool layer_clear_ = false;               // the trace image is all transparent
  bool new_points_ = false;                // points arrived since the image was drawn
  bool backdrop_valid_ = false;
  std::int64_t window_ns_ = 1;       // the time window the image was drawn for
  std::int64_t right_column_ = 0;    // grid column of the image's rightmost column
  std::int64_t drawn_right_ns_ = 0;  // the newest time the image shows
};

}  // namespace widgets
