#pragma once

#include <QColor>
#include <QLine>
#include <QRect>
#include <QString>
#include <cstdint>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "chart/series_store.h"

class QImage;
class QRegion;

namespace chart {

// One trace: a series of a store, the colour it is drawn in, and its name for screen readers.
struct TraceStyle {
  int series = 0;
  QColor color;
  QString name;
  bool dashed = false;  // drawn in dashes: a second run beside the first, in the same colour
};

// Draws traces of a store over a span of time, one device pixel column at a time: each column
// shows the minimum and maximum of the rows whose time falls into it (from the store's envelope,
// so a frame costs the width, not the rows), stretched to meet the column before. Points sparser
// than the pixels are joined by straight lines; a series never joins across a row where it
// breaks. Everything is drawn aliased in device pixels, so a trace is one device pixel wide at
// any pixel ratio; the columns are filled pixel by pixel, which costs far less than asking a
// painter for thousands of one-pixel rectangles.
//
// Where a column holds many rows (frame.band_from or more on average over the span), a trace is
// drawn as a translucent band from each column's minimum to its maximum with the column's mean
// as a line on top: the noise of a few counts stays a faint band, the trend a line through it,
// and traces over one another stay apart. Every band is drawn before any trace's line; a dashed
// trace draws no band.
//
// A live chart's columns sit on a grid of time that stays put while the traces move through it,
// so a column whose time has passed always shows the same: it is kept, and a frame reduces only
// the newest columns. Anything else that changes (the range, the size, the points other than by
// new ones) starts the kept columns afresh.
class TracePainter {
 public:
  struct Frame {
    QRect plot;  // in device pixels
    // The span shown, [left, right]. Column c covers [left + c * span / width, the next
    // column's start), the last one also right itself; on a fixed grid the columns are instead
    // those of the grid k * span / width of the clock, the last being the one right falls into.
    std::int64_t left = 0;
    std::int64_t right = 1;
    bool fixed_grid = false;
    double view_low = 0.0;  // the values at the bottom and top rows of the plot
    double view_high = 1.0;
    // A value outside the stops is drawn at the nearest one (when stop_low < stop_high).
    double stop_low = 0.0;
    double stop_high = 0.0;
    // Rows per column from which a trace is drawn as a band and its mean; 0: never.
    std::int64_t band_from = 0;
  };

  // Rows of the plot a frame's traces cross, as [top, bottom] runs in device pixels, top to
  // bottom; the other rows show only what lies behind the traces.
  using Rows = std::vector<std::pair<int, int>>;

  // Draws into an image of the plot in device pixels (Format_RGB32; frame.plot its rectangle),
  // only within clip (in the image's pixels), and returns the rows the traces cross. For
  // SeriesStore and DoubleSeriesStore.
  template <typename Store>
  Rows Paint(QImage& image, const QRegion& clip, const Store& store,
             std::span<const TraceStyle> traces, const Frame& frame);
  // The rows the traces cross in a frame, without drawing.
  template <typename Store>
  Rows RowsOf(const Store& store, std::span<const TraceStyle> traces, const Frame& frame);
  // The store's points changed other than by new rows arriving (cleared, replaced).
  void Forget() { kept_.clear(); }

 private:
  // What a grid column shows, and where the trace stands after it.
  struct Column {
    std::int64_t k = std::numeric_limits<std::int64_t>::min();  // the grid column held
    std::int64_t edge = 0;                                      // where its time begins
    bool final = false;  // its time has passed: nothing new can fall into it
    bool span = false;
    int top = 0;
    int bottom = 0;
    int mean_top = 0;  // the mean's line through the column, in band drawing
    int mean_bottom = 0;
    bool line = false;  // a line comes in from column line_from (sparse points)
    std::int64_t line_from = 0;
    int line_from_y = 0;
    int line_to_y = 0;
    // After the column: the last point so far, and whether the next one joins it.
    bool joined = false;
    std::int64_t last_k = 0;
    int last_y = 0;
    std::int64_t last_row = -1;
  };
  // The columns of one trace, as a ring by grid column, with what they were drawn for.
  struct Kept {
    std::vector<Column> ring;
    int series = -1;
    std::int64_t span = 0;
    int width = 0;
    int height = 0;
    double view_low = 0.0;
    double view_high = 0.0;
    double stop_low = 0.0;
    double stop_high = 0.0;
    bool band = false;
  };
  // What a trace draws once every band is down.
  struct Pending {
    QColor color;
    bool dashed = false;
    std::vector<QRect> spans;
    std::vector<QLine> lines;
  };

  // Brings the trace's columns up to date and collects its spans and lines.
  template <typename Store>
  void Reduce(const Store& store, int series, const Frame& frame, Kept& kept, bool dashed = false);
  // The row each column of a frame ends at (the first at or after its end), for every trace of
  // the store to share.
  template <typename Store>
  void FindEnds(const Store& store, const Frame& frame);
  // Adds the rows of the spans and lines collected last to rows.
  void AddRows(Rows& rows) const;
  static Rows Merged(Rows rows);

  std::vector<Kept> kept_;    // by trace, on a fixed grid
  std::vector<QRect> spans_;  // reused by every trace and every frame
  std::vector<QRect> bands_;
  std::vector<QLine> lines_;
  std::vector<Pending> pending_;
  std::vector<std::int64_t> ends_;  // by column, while ends_ready_
  std::int64_t ends_first_ = 0;     // the first row of the first column
  bool ends_ready_ = false;
};

}  // namespace chart
