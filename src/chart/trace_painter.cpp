#include "chart/trace_painter.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace chart {

namespace {

__extension__ using Wide = __int128;  // time x pixels overflows 64 bits for months of data
constexpr std::int64_t kFar = std::int64_t{1} << 24;  // as far off the plot as a line may start
// Columns of more rows than this have their edges' memory asked for this many columns ahead.
constexpr std::int64_t kPrefetchFrom = 64;
constexpr std::int64_t kPrefetchAhead = 4;
constexpr std::uint32_t kBandAlpha = 80;  // of 256: a band lets what lies under it show
constexpr int kDash = 6;                  // pixels drawn, then as many left out
constexpr int kDashGap = 3;

// colour over what is there, by alpha of 256, two channels at a time.
void Blend(QRgb* begin, QRgb* end, QRgb colour) {
  const std::uint32_t rb = (colour & 0xff00ffU) * kBandAlpha;
  const std::uint32_t g = (colour & 0x00ff00U) * kBandAlpha;
  for (QRgb* p = begin; p != end; ++p) {
    const QRgb d = *p;
    *p = 0xff000000U | ((((d & 0xff00ffU) * (256 - kBandAlpha) + rb) >> 8) & 0xff00ffU) |
         ((((d & 0x00ff00U) * (256 - kBandAlpha) + g) >> 8) & 0x00ff00U);
  }
}

// Whether plot column x is drawn in a dashed trace.
bool InDash(int x) {
  return x % (kDash + kDashGap) < kDash;
}

Wide FloorDiv(Wide a, Wide b) {
  Wide q = a / b;
  if (a % b != 0 && (a < 0) != (b < 0)) --q;
  return q;
}

// The columns of a frame, numbered k: column k covers [Edge(k), Edge(k + 1)). The plot shows
// columns First() to Last(); the last also takes the right edge itself, and nothing after it.
class Grid {
 public:
  explicit Grid(const TracePainter::Frame& f)
      : span_(std::max<std::int64_t>(1, f.right - f.left)),
        width_(std::max(1, f.plot.width())),
        right_(f.right),
        anchor_(f.fixed_grid ? 0 : f.left) {
    last_ = width_ - 1;
    if (f.fixed_grid) {
      // The column the right edge falls into, closed on its right.
      last_ = Of(right_ - 1);
    }
    first_ = last_ - width_ + 1;
  }

  std::int64_t First() const { return first_; }
  std::int64_t Last() const { return last_; }
  std::int64_t Edge(std::int64_t k) const {
    return anchor_ + static_cast<std::int64_t>(FloorDiv(Wide{k} * span_, width_));
  }
  std::int64_t End(std::int64_t k) const { return k >= last_ ? right_ + 1 : Edge(k + 1); }
  // The column a time falls into.
  std::int64_t Of(std::int64_t t) const {
    auto k = static_cast<std::int64_t>(FloorDiv((Wide{t} - anchor_) * width_, span_));
    while (Edge(k + 1) <= t) ++k;  // the edges are rounded down: step to the right one
    while (Edge(k) > t) --k;
    return k;
  }
  // A column as a plot x: as far off the plot as pixel coordinates reach.
  int X(std::int64_t k) const {
    return static_cast<int>(std::clamp(k - first_, -kFar, std::int64_t{width_} + kFar));
  }

 private:
  std::int64_t span_;
  int width_;
  std::int64_t right_;
  std::int64_t anchor_;
  std::int64_t first_ = 0;
  std::int64_t last_ = 0;
};

}  // namespace

template <typename Store>
TracePainter::Rows TracePainter::Paint(QImage& image, const QRegion& clip, const Store& store,
                                       std::span<const TraceStyle> traces, const Frame& frame) {
  Rows rows;
  if (frame.plot.isEmpty() || !(frame.view_high > frame.view_low) || frame.right <= frame.left)
    return rows;
  const QRegion bounds = clip.intersected(frame.plot.intersected(image.rect()));
  if (kept_.size() < traces.size()) kept_.resize(traces.size());
  if (pending_.size() < traces.size()) pending_.resize(traces.size());
  auto fill = [&](const std::vector<QRect>& rects, QRgb colour, bool dashed, bool band) {
    for (const QRect& part : bounds) {
      for (const QRect& span : rects) {
        const QRect r = span.translated(frame.plot.topLeft()).intersected(part);
        if (!dashed && !band) {
          // The common case, as tight as it goes: most spans are a column wide.
          for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(row + r.left(), row + r.right() + 1, colour);
          }
          continue;
        }
        for (int y = r.top(); y <= r.bottom(); ++y) {
          auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
          for (int x = r.left(); x <= r.right();) {
            // A run of columns drawn alike: all of it, or up to the next dash's edge.
            int to = r.right();
            if (dashed) {
              const int plot_x = x - frame.plot.left();
              const int phase = plot_x % (kDash + kDashGap);
              if (!InDash(plot_x)) {
                x += kDash + kDashGap - phase;
                continue;
              }
              to = std::min(to, x + kDash - phase - 1);
            }
            if (band) {
              Blend(row + x, row + to + 1, colour);
            } else {
              std::fill(row + x, row + to + 1, colour);
            }
            x = to + 1;
          }
        }
      }
    }
  };
  if (!frame.fixed_grid) FindEnds(store, frame);
  std::size_t drawn = 0;
  for (std::size_t t = 0; t < traces.size(); ++t) {
    const TraceStyle& trace = traces[t];
    if (store.PointCount(trace.series) == 0) continue;
    Reduce(store, trace.series, frame, kept_[t], trace.dashed);
    AddRows(rows);
    // A dashed trace (a second run over the first) draws its mean's line alone: two bands over
    // one another would hide both.
    if (!bands_.empty() && !trace.dashed) fill(bands_, trace.color.rgb(), false, true);
    Pending& p = pending_[drawn++];
    p.color = trace.color;
    p.dashed = trace.dashed;
    // Swapped, not copied: each keeps its capacity for the next frame.
    std::swap(p.spans, spans_);
    std::swap(p.lines, lines_);
  }
  ends_ready_ = false;
  for (std::size_t t = 0; t < drawn; ++t) {
    const Pending& p = pending_[t];
    fill(p.spans, p.color.rgb(), p.dashed, false);
    if (!p.lines.empty()) {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing, false);
      painter.setClipRegion(bounds);
      painter.translate(frame.plot.topLeft());
      QPen pen(p.color, 1);
      if (!p.dashed) {
        painter.setPen(pen);
        painter.drawLines(p.lines.data(), static_cast<int>(p.lines.size()));
        continue;
      }
      // Dashes on the same columns as the spans': each line takes up the pattern where it is.
      pen.setDashPattern({kDash, kDashGap});
      for (const QLine& line : p.lines) {
        pen.setDashOffset(((line.x1() % (kDash + kDashGap)) + kDash + kDashGap) %
                          (kDash + kDashGap));
        painter.setPen(pen);
        painter.drawLine(line);
      }
    }
  }
  return Merged(std::move(rows));
}

template <typename Store>
void TracePainter::FindEnds(const Store& store, const Frame& frame) {
  const Grid grid(frame);
  const std::int64_t n = store.Size();
  ends_.resize(static_cast<std::size_t>(grid.Last() - grid.First() + 1));
  std::int64_t i = store.LowerBound(grid.Edge(grid.First()));
  ends_first_ = i;
  std::int64_t per_column =
      std::max<std::int64_t>(1, (n - i) / static_cast<std::int64_t>(ends_.size()));
  for (std::size_t c = 0; c < ends_.size(); ++c) {
    if (per_column >= kPrefetchFrom) store.Prefetch(-1, i + kPrefetchAhead * per_column);
    const std::int64_t j =
        store.LowerBound(grid.End(grid.First() + static_cast<std::int64_t>(c)), i, i + per_column);
    per_column = std::max<std::int64_t>(1, j - i);
    ends_[c] = j;
    i = j;
  }
  ends_ready_ = true;
}

template <typename Store>
TracePainter::Rows TracePainter::RowsOf(const Store& store, std::span<const TraceStyle> traces,
                                        const Frame& frame) {
  Rows rows;
  if (frame.plot.isEmpty() || !(frame.view_high > frame.view_low) || frame.right <= frame.left)
    return rows;
  if (kept_.size() < traces.size()) kept_.resize(traces.size());
  for (std::size_t t = 0; t < traces.size(); ++t) {
    if (store.PointCount(traces[t].series) == 0) continue;
    Reduce(store, traces[t].series, frame, kept_[t]);
    AddRows(rows);
  }
  return Merged(std::move(rows));
}

TracePainter::Rows TracePainter::Merged(Rows rows) {
  // In order, and runs that touch as one.
  std::sort(rows.begin(), rows.end());
  Rows merged;
  for (const auto& r : rows) {
    if (!merged.empty() && r.first <= merged.back().second + 1) {
      merged.back().second = std::max(merged.back().second, r.second);
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

void TracePainter::AddRows(Rows& rows) const {
  // A trace that stays within a few rows crosses those; one that wanders, all between its ends.
  int top = std::numeric_limits<int>::max();
  int bottom = std::numeric_limits<int>::min();
  for (const auto* rects : {&spans_, &bands_}) {
    for (const QRect& span : *rects) {
      top = std::min(top, span.top());
      bottom = std::max(bottom, span.bottom());
    }
  }
  for (const QLine& line : lines_) {
    top = std::min({top, line.y1(), line.y2()});
    bottom = std::max({bottom, line.y1(), line.y2()});
  }
  if (top <= bottom) rows.emplace_back(top, bottom);
}

template <typename Store>
void TracePainter::Reduce(const Store& store, int series, const Frame& frame, Kept& kept,
                          bool dashed) {
  spans_.clear();
  bands_.clear();
  lines_.clear();
  const Grid grid(frame);
  const int width = frame.plot.width();
  const int height = frame.plot.height();
  const double lo = frame.view_low;
  const double hi = frame.view_high;
  const bool stops = frame.stop_high > frame.stop_low;
  const double y_scale = (height - 1) / (hi - lo);
  auto y_of = [&](double v) {
    if (stops) v = std::clamp(v, frame.stop_low, frame.stop_high);
    // Rounds half up like lround without a library call: y + 8.5 is positive, so the cast
    // truncates as floor would.
    const double y = std::clamp((hi - v) * y_scale, -2.0, height + 1.0);
    return static_cast<int>(y + 8.5) - 8;
  };

  const std::int64_t n = store.Size();
  // Dense enough for a band: the rows the span holds over the columns, as the store's mean
  // density has it (two searches through millions of rows would cost more than the rest).
  bool band = false;
  if (frame.band_from > 0 && n >= frame.band_from * width) {  // else too few rows in all
    const auto stored = static_cast<double>(store.TimeAt(n - 1) - store.TimeAt(0));
    const double rows = stored > 0.0 ? static_cast<double>(n - 1) / stored *
                                           static_cast<double>(frame.right - frame.left)
                                     : static_cast<double>(n);
    band = rows >= static_cast<double>(frame.band_from * width);
  }
  // Columns kept from earlier frames count only when drawn for the same series, size and range.
  const std::int64_t span = frame.right - frame.left;
  const bool same = frame.fixed_grid && kept.series == series && kept.span == span &&
                    kept.width == width && kept.height == height && kept.view_low == lo &&
                    kept.view_high == hi && kept.stop_low == frame.stop_low &&
                    kept.stop_high == frame.stop_high && kept.band == band;
  if (!same) {
    kept = Kept{std::vector<Column>(static_cast<std::size_t>(width) + 2),
                series,
                span,
                width,
                height,
                lo,
                hi,
                frame.stop_low,
                frame.stop_high,
                band};
  }
  const auto ring = static_cast<std::int64_t>(kept.ring.size());
  auto slot = [&](std::int64_t k) -> Column& {
    return kept.ring[static_cast<std::size_t>((k % ring + ring) % ring)];
  };

  const std::int64_t newest =
      n > 0 ? store.TimeAt(n - 1) : std::numeric_limits<std::int64_t>::min();
  // A column is kept once the newest point has passed it (nothing more can fall into it), as
  // long as none of its points has been dropped.
  const std::int64_t dropped = store.DroppedUpTo();
  std::int64_t k = grid.First();
  for (Column* col = &slot(k); k <= grid.Last() && col->k == k && col->final && col->edge > dropped;
       col = &slot(++k)) {
  }
  // Where the trace stands before it: after the column kept, or at the point before the plot
  // (even one far to the left), unless the series breaks between.
  Column state;
  // Under review every trace of the store ends its columns at the same rows, found once a frame.
  const bool known = ends_ready_ && !frame.fixed_grid;
  std::int64_t i = known ? ends_first_ : store.LowerBound(grid.Edge(k));
  if (k > grid.First()) {
    state = slot(k - 1);
  } else if (i > 0) {
    const std::int64_t prev = store.LastValueRow(series, 0, i);
    if (prev >= 0 && !store.BreaksWithin(series, prev + 1, i)) {
      state.joined = true;
      state.last_k = grid.Of(store.TimeAt(prev));
      state.last_y = y_of(store.ValueAt(series, prev));
      state.last_row = prev;
    }
  }
  // A dashed trace under review draws no band: its mean is all it needs.
  const bool mean_only = dashed && band && !frame.fixed_grid;
  const bool breaks = store.HasBreaks(series);
  std::int64_t per_column =
      std::max<std::int64_t>(1, (n - i) / std::max<std::int64_t>(1, grid.Last() - k + 1));
  for (; k <= grid.Last(); ++k) {
    Column col;
    col.k = k;
    col.edge = grid.Edge(k);
    col.joined = state.joined;
    col.last_k = state.last_k;
    col.last_y = state.last_y;
    col.last_row = state.last_row;
    const std::int64_t end = grid.End(k);
    // Many rows to a column: the edge a few columns on is asked for now (see Prefetch).
    const std::int64_t known_end = known ? ends_[static_cast<std::size_t>(k - grid.First())] : 0;
    if (per_column >= kPrefetchFrom) {
      // The row a few columns on: known exactly, or guessed from the last column's rows.
      std::int64_t ahead = i + kPrefetchAhead * per_column;
      if (known) {
        const std::int64_t c = k + kPrefetchAhead - 1 - grid.First();
        ahead =
            c < static_cast<std::int64_t>(ends_.size()) ? ends_[static_cast<std::size_t>(c)] : n;
      }
      // A column between dashes is passed over: only its edge's time is read.
      const bool passed =
          dashed && band && !frame.fixed_grid && !InDash(grid.X(k + kPrefetchAhead));
      if (mean_only && !passed && per_column >= Store::kWideRows) {
        store.PrefetchMean(series, ahead);
      } else {
        store.Prefetch(passed ? -1 : series, ahead, band && per_column < Store::kWideRows, !known);
      }
    }
    if (dashed && band && !frame.fixed_grid && !InDash(grid.X(k)) && i < n) {
      // Between two dashes nothing is drawn: the rows are passed over unread, and the next dash
      // starts afresh.
      const std::int64_t j = known ? known_end : store.LowerBound(end, i, i + per_column);
      per_column = std::max<std::int64_t>(1, j - i);
      i = j;
      col.joined = false;
    } else if (i < n && (known ? known_end > i : store.TimeAt(i) < end)) {
      // Rows [i, j) fall into this column; the guess from the last column makes the search short.
      const std::int64_t j =
          known ? known_end : std::max(i + 1, store.LowerBound(end, i, i + per_column));
      per_column = j - i;
      Extremes e;
      double mean = 0.0;
      bool mean_alone = false;
      if (mean_only) {
        // No band to draw: the sums alone, unless they hold no value.
        const Envelope sums = store.MeanOf(series, i, j);
        mean_alone = sums.count > 0;
        if (mean_alone) {
          mean = sums.Mean();
          e.min = e.max = mean;
        }
      }
      if (mean_alone) {
      } else if (band) {
        const Envelope envelope = store.EnvelopeOf(series, i, j);
        e = envelope.extremes;
        mean = envelope.Mean();
        // Values only in the rows the mean leaves out: their middle.
        if (std::isnan(mean)) mean = (e.min + e.max) / 2.0;
      } else {
        e = store.Range(series, i, j);
      }
      if (e.Empty()) {
        if (store.BreaksWithin(series, i, j)) col.joined = false;
      } else {
        // In a band only a break between columns needs the first and last rows with a value.
        const bool ends = !band || breaks;
        const std::int64_t first =
            ends && std::isnan(store.ValueAt(series, i)) ? store.FirstValueRow(series, i, j) : i;
        const std::int64_t last = ends && std::isnan(store.ValueAt(series, j - 1))
                                      ? store.LastValueRow(series, i, j)
                                      : j - 1;
        if (col.joined && store.BreaksWithin(series, col.last_row + 1, first)) col.joined = false;
        int top = y_of(e.max);
        int bottom = y_of(e.min);
        if (band) {
          // The band is the column's own; its mean's line joins the mean before it.
          const int mean_y = y_of(mean);
          col.mean_top = mean_y;
          col.mean_bottom = mean_y;
          if (col.joined && k - col.last_k == 1) {
            col.mean_top = std::min(mean_y, col.last_y);
            col.mean_bottom = std::max(mean_y, col.last_y);
          } else if (col.joined) {
            col.line = true;
            col.line_from = col.last_k;
            col.line_from_y = col.last_y;
            col.line_to_y = mean_y;
          }
          col.span = true;
          col.top = top;
          col.bottom = bottom;
          col.joined = true;
          col.last_k = k;
          col.last_y = mean_y;
          col.last_row = last;
          i = j;
          col.final = k < grid.Last() && newest >= end;
          slot(k) = col;
          state = col;
          continue;
        }
        if (col.joined && k - col.last_k > 1) {
          // Points sparser than the pixels: a straight line bridges the empty columns.
          col.line = true;
          col.line_from = col.last_k;
          col.line_from_y = col.last_y;
          col.line_to_y = y_of(store.ValueAt(series, first));
        } else if (col.joined) {
          // Neighbouring columns: the line from the previous column's last point to this
          // column's first lies within this column's span once that span includes it.
          top = std::min(top, col.last_y);
          bottom = std::max(bottom, col.last_y);
        }
        col.span = true;
        col.top = top;
        col.bottom = bottom;
        col.joined = true;
        col.last_k = k;
        col.last_y = y_of(store.ValueAt(series, last));
        col.last_row = last;
      }
      i = j;
    }
    col.final = k < grid.Last() && newest >= end;
    slot(k) = col;
    state = col;
  }

  // The ring from the first column on, without a division per column.
  auto at = static_cast<std::size_t>(&slot(grid.First()) - kept.ring.data());
  for (k = grid.First(); k <= grid.Last(); ++k, at = at + 1 == kept.ring.size() ? 0 : at + 1) {
    const Column& col = kept.ring[at];
    const int x = grid.X(k);
    if (col.line) lines_.emplace_back(grid.X(col.line_from), col.line_from_y, x, col.line_to_y);
    if (!col.span) continue;
    // Neighbouring columns alike make one rectangle.
    auto add = [x](std::vector<QRect>& rects, int top, int bottom) {
      QRect* previous = rects.empty() ? nullptr : &rects.back();
      if (previous != nullptr && previous->right() == x - 1 && previous->top() == top &&
          previous->bottom() == bottom) {
        previous->setRight(x);
      } else {
        rects.emplace_back(x, top, 1, bottom - top + 1);
      }
    };
    if (band) {
      if (!dashed) add(bands_, col.top, col.bottom);
      add(spans_, col.mean_top, col.mean_bottom);
    } else {
      add(spans_, col.top, col.bottom);
    }
  }
  // Under review the line goes on past the right edge towards the next point.
  const Column& last = slot(grid.Last());
  if (!frame.fixed_grid && last.joined) {
    const std::int64_t after = store.LowerBound(frame.right + 1);
    const std::int64_t next = store.FirstValueRow(series, after, std::min(n, after + 4096));
    if (next >= 0 && !store.BreaksWithin(series, last.last_row + 1, next)) {
      lines_.emplace_back(grid.X(last.last_k), last.last_y, grid.X(grid.Of(store.TimeAt(next))),
                          y_of(store.ValueAt(series, next)));
    }
  }
}

template TracePainter::Rows TracePainter::Paint(QImage&, const QRegion&, const SeriesStore&,
                                                std::span<const TraceStyle>, const Frame&);
template TracePainter::Rows TracePainter::Paint(QImage&, const QRegion&, const DoubleSeriesStore&,
                                                std::span<const TraceStyle>, const Frame&);
template TracePainter::Rows TracePainter::RowsOf(const DoubleSeriesStore&,
                                                 std::span<const TraceStyle>, const Frame&);

}  // namespace chart
