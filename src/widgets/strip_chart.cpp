#include "widgets/strip_chart.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "widgets/widget_accessibility.h"

namespace widgets {

namespace {

constexpr double kNanosPerSecond = 1e9;
constexpr int kLeftMargin = 44;  // room for the value labels
constexpr int kRightMargin = 8;
constexpr int kTopMargin = 6;
constexpr int kBottomMargin = 18;  // room for the time labels
constexpr int kTextGap = 12;       // between two captions on one line
constexpr int kNarrowRun = 16;     // columns composed one at a time up to this many

std::int64_t Nanos(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Bright and distinct on the black plot.
const QColor kDefaultTraceColors[StripChart::kTraceCount] = {
    QColor(255, 64, 64),   QColor(64, 255, 64),   QColor(255, 255, 0),   QColor(0, 255, 255),
    QColor(255, 0, 255),   QColor(255, 160, 0),   QColor(120, 160, 255), QColor(255, 255, 255),
    QColor(160, 255, 160), QColor(255, 160, 160), QColor(160, 160, 255), QColor(200, 200, 0),
    QColor(0, 200, 200),   QColor(200, 0, 200),   QColor(180, 120, 60),  QColor(160, 160, 160)};

// A premultiplied pixel drawn over an opaque one (source-over).
QRgb Over(QRgb top, QRgb under) {
  const auto alpha = static_cast<std::uint32_t>(qAlpha(top));
  if (alpha == 255) return top;
  if (alpha == 0) return under;
  const std::uint32_t keep = 255 - alpha;
  auto scale = [keep](std::uint32_t pair) {  // two 8-bit channels, 16 bits apart
    std::uint32_t t = pair * keep;
    t = (t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8;
    return t & 0xff00ffu;
  };
  return top + (scale(under & 0xff00ffu) | (scale((under >> 8) & 0xff00ffu) << 8));
}

// A step for grid lines that gives about `lines` lines over span: 1, 2 or 5 times a power of ten.
double NiceStep(double span, int lines) {
  const double raw = span / lines;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (raw <= m * power) return m * power;
  }
  return 10.0 * power;
}

}  // namespace

StripChart::StripChart(QWidget* parent) : QWidget(parent), repaint_timer_(new QTimer(this)) {
  InstallWidgetAccessibility();
  clock_ = [] { return std::chrono::steady_clock::now(); };
  for (int t = 0; t < kTraceCount; ++t) {
    traces_[static_cast<std::size_t>(t)].history.SetCapacity(capacity_);
    traces_[static_cast<std::size_t>(t)].color = kDefaultTraceColors[t];
  }
  texts_.reserve(kMaxTextItems);
  repaint_timer_->setSingleShot(true);
  int interval = 16;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const double rate = screen->refreshRate();
    if (rate >= 1.0) interval = std::max(1, static_cast<int>(std::lround(1000.0 / rate)));
  }
  repaint_timer_->setInterval(interval);
  // New points change the plot only: the axes and their labels stay as they are.
  connect(repaint_timer_, &QTimer::timeout, this, [this] {
    const QRegion changed = RefreshPlot();
    if (!changed.isEmpty()) update(changed);
  });
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

StripChart::~StripChart() = default;

void StripChart::ClearChart() {
  for (Trace& t : traces_) t.history.Clear();
  has_points_ = false;
  newest_ns_ = 0;
  InvalidatePlot();
}

bool StripChart::AddPoint(int trace, double value) {
  return AddPointAt(trace, clock_(), value);
}

bool StripChart::AddPointAt(int trace, std::chrono::steady_clock::time_point when, double value) {
  if (!ValidTrace(trace) || !std::isfinite(value)) return false;
  std::int64_t ns = Nanos(when);
  if (has_points_) ns = std::max(ns, newest_ns_);
  traces_[static_cast<std::size_t>(trace)].history.Append(ns, value);
  newest_ns_ = ns;
  has_points_ = true;
  new_points_ = true;
  ScheduleRepaint();
  return true;
}

int StripChart::PointCount(int trace) const {
  return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].history.Size() : 0;
}

double StripChart::LastValue(int trace) const {
  if (!ValidTrace(trace)) return 0.0;
  const TraceHistory& h = traces_[static_cast<std::size_t>(trace)].history;
  return h.Empty() ? 0.0 : h.ValueAt(h.Size() - 1);
}

const TraceHistory& StripChart::History(int trace) const {
  return traces_[static_cast<std::size_t>(std::clamp(trace, 0, kTraceCount - 1))].history;
}

void StripChart::SetClock(Clock clock) {
  if (clock) clock_ = std::move(clock);
}

void StripChart::SetHistoryCapacity(int points) {
  for (Trace& t : traces_) t.history.SetCapacity(points);
  capacity_ = traces_[0].history.Capacity();
  has_points_ = false;
  newest_ns_ = 0;
  InvalidatePlot();
}

int StripChart::HistoryCapacity() const {
  return capacity_;
}

void StripChart::SetTimeWindow(double seconds) {
  if (!(seconds > 0.0) || !std::isfinite(seconds)) return;
  window_seconds_ = seconds;
  backdrop_valid_ = false;
  InvalidatePlot();
}

void StripChart::SetTimeOffset(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0.0) return;
  offset_seconds_ = seconds;
  InvalidatePlot();
}

void StripChart::SetTraceColor(int trace, const QColor& color) {
  if (!ValidTrace(trace)) return;
  traces_[static_cast<std::size_t>(trace)].color = color;
  InvalidatePlot();
}

QColor StripChart::TraceColor(int trace) const {
  return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].color : QColor();
}

void StripChart::SetTraceName(int trace, const QString& name) {
  if (ValidTrace(trace)) traces_[static_cast<std::size_t>(trace)].name = name;
}

QString StripChart::TraceName(int trace) const {
  if (!ValidTrace(trace)) return QString();
  const QString& name = traces_[static_cast<std::size_t>(trace)].name;
  return name.isEmpty() ? QStringLiteral("trace %1").arg(trace) : name;
}

void StripChart::SetRangeLow(int pair, double value) {
  if (!ValidPair(pair) || !std::isfinite(value)) return;
  range_low_[static_cast<std::size_t>(pair)] = value;
  backdrop_valid_ = false;
  InvalidatePlot();
}

void StripChart::SetRangeHigh(int pair, double value) {
  if (!ValidPair(pair) || !std::isfinite(value)) return;
  range_high_[static_cast<std::size_t>(pair)] = value;
  backdrop_valid_ = false;
  InvalidatePlot();
}

void StripChart::SetRange(int pair, double low, double high) {
  SetRangeLow(pair, low);
  SetRangeHigh(pair, high);
}

double StripChart::RangeLow(int pair) const {
  return ValidPair(pair) ? range_low_[static_cast<std::size_t>(pair)] : 0.0;
}

double StripChart::RangeHigh(int pair) const {
  return ValidPair(pair) ? range_high_[static_cast<std::size_t>(pair)] : 0.0;
}

void StripChart::SetTextItemCount(int count) {
  const int n = std::clamp(count, 0, kMaxTextItems);
  TextItem fresh;
  fresh.color = Qt::white;
  texts_.resize(static_cast<std::size_t>(n), fresh);
  TextsChanged();
}

void StripChart::SetTextCaption(int item, const QString& caption) {
  if (!ValidItem(item)) return;
  QString& c = texts_[static_cast<std::size_t>(item)].caption;
  if (c == caption) return;
  c = caption;
  TextsChanged();
}

QString StripChart::TextCaption(int item) const {
  return ValidItem(item) ? texts_[static_cast<std::size_t>(item)].caption : QString();
}

void StripChart::SetTextColor(int item, const QColor& color) {
  if (!ValidItem(item)) return;
  texts_[static_cast<std::size_t>(item)].color = color;
  TextsChanged();
}

QColor StripChart::TextColor(int item) const {
  return ValidItem(item) ? texts_[static_cast<std::size_t>(item)].color : QColor();
}

void StripChart::SetTextPosition(int item, double horizontal, double vertical) {
  if (!ValidItem(item) || !std::isfinite(horizontal) || !std::isfinite(vertical)) return;
  TextItem& t = texts_[static_cast<std::size_t>(item)];
  t.horizontal = horizontal;
  t.vertical = vertical;
  TextsChanged();
}

void StripChart::TextsChanged() {
  placed_valid_ = false;
  update();
}

double StripChart::TextHorizontal(int item) const {
  return ValidItem(item) ? texts_[static_cast<std::size_t>(item)].horizontal : 0.0;
}

double StripChart::TextVertical(int item) const {
  return ValidItem(item) ? texts_[static_cast<std::size_t>(item)].vertical : 0.0;
}

void StripChart::SetRepaintInterval(int milliseconds) {
  repaint_timer_->setInterval(std::max(1, milliseconds));
}

int StripChart::RepaintInterval() const {
  return repaint_timer_->interval();
}

bool StripChart::RepaintPending() const {
  return repaint_timer_->isActive();
}

void StripChart::ScheduleRepaint() {
  // However fast points arrive, the chart repaints once per interval: the first point after a
  // paint starts the timer and the ones that follow ride on it.
  if (!repaint_timer_->isActive()) repaint_timer_->start();
}

QRegion StripChart::RefreshPlot() {
  const QRect plot = PlotRect();
  if (!isVisible() || plot.isEmpty()) return {};  // the paint that shows it draws it
  if (!backdrop_valid_ || backdrop_.size() != size()) return rect();  // a paint draws it all
  return UpdatePlot(plot);
}

QRect StripChart::PlotRect() const {
  return QRect(kLeftMargin, kTopMargin, std::max(0, width() - kLeftMargin - kRightMargin),
               std::max(0, height() - kTopMargin - kBottomMargin));
}

QString StripChart::TracesDescription() const {
  QStringList parts;
  for (int t = 0; t < kTraceCount; ++t) {
    const TraceHistory& h = traces_[static_cast<std::size_t>(t)].history;
    if (h.Empty()) continue;
    parts << QStringLiteral("%1 %2").arg(TraceName(t)).arg(h.ValueAt(h.Size() - 1), 0, 'g', 6);
  }
  if (parts.isEmpty()) return QStringLiteral("no traces");
  return QStringLiteral("traces: ") + parts.join(QStringLiteral(", "));
}

QSize StripChart::sizeHint() const {
  return QSize(480, 240);
}

QSize StripChart::minimumSizeHint() const {
  return QSize(kLeftMargin + 60, 60);
}

void StripChart::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved();
  QWidget::mouseMoveEvent(event);
}

void StripChart::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    backdrop_valid_ = false;  // the axis labels
    placed_valid_ = false;
    update();
  }
  QWidget::changeEvent(event);
}

void StripChart::paintEvent(QPaintEvent* event) {
  const QRect plot = PlotRect();
  const bool has_plot = plot.width() > 0 && plot.height() > 0;
  if (!backdrop_valid_ || backdrop_.size() != size()) {
    backdrop_ = QImage(size(), QImage::Format_RGB32);
    QPainter backdrop(&backdrop_);
    backdrop.setFont(font());
    backdrop.fillRect(rect(), QColor(0, 0, 0));
    grid_columns_.clear();
    if (has_plot) PaintAxes(backdrop, plot);
    KeepPlotBackdrop(plot);
    backdrop_valid_ = true;
    plot_valid_ = false;
  }
  QPainter painter(this);
  const QRegion& region = event->region();
  // The plot image covers the plot: the backdrop is copied only around it.
  for (const QRect& r : has_plot ? region - plot : region) painter.drawImage(r, backdrop_, r);
  if (has_plot) {
    // A paint of the whole plot shows every point so far. A paint of a part shows the plot as
    // the repaint timer last brought it up to date, as the rest of the screen does.
    if (!plot_valid_ || plot_.size() != plot.size() || (QRegion(plot) - region).isEmpty()) {
      repaint_timer_->stop();
      const QRegion missed = UpdatePlot(plot) - region;
      if (!missed.isEmpty()) update(missed);
    }
    // Plot column c is stored at image column (c + origin_) modulo the width.
    for (const QRect& r : region.intersected(plot)) {
      ForEachRingPiece(
          r.left() - plot.left(), r.right() + 1 - plot.left(), [&](int dx, int begin, int end) {
            painter.drawImage(QPoint(plot.left() + begin, r.top()), plot_,
                              QRect(begin + dx, r.top() - plot.top(), end - begin, r.height()));
          });
    }
  }
  PaintTexts(painter, region);
}

void StripChart::InvalidatePlot() {
  layer_valid_ = false;
  update();
}

std::int64_t StripChart::GridEdge(std::int64_t k) const {
  const std::int64_t w = layer_.width();
  const std::int64_t windows = k >= 0 ? k / w : -((-k + w - 1) / w);
  return windows * window_ns_ + window_ns_ * (k - windows * w) / w;
}

std::int64_t StripChart::GridColumnOf(std::int64_t right) const {
  const std::int64_t w = layer_.width();
  const std::int64_t windows =
      right >= 0 ? right / window_ns_ : -((-right + window_ns_ - 1) / window_ns_);
  std::int64_t k = windows * w + (right - windows * window_ns_) * w / window_ns_;
  while (GridEdge(k + 1) < right) ++k;
  while (GridEdge(k) >= right) --k;
  return k;
}

int StripChart::ColumnOf(std::int64_t time) const {
  const int w = layer_.width();
  std::int64_t k = GridColumnOf(time);
  if (GridEdge(k + 1) <= time) ++k;  // a time on an edge begins the column after it
  // Left of the image stays left of it (a line from there comes in at the right slope), as far
  // as pixel coordinates reach.
  constexpr std::int64_t kFarLeft = -(1 << 24);
  return static_cast<int>(std::clamp<std::int64_t>(k - (right_column_ - w + 1), kFarLeft, w - 1));
}

void StripChart::KeepPlotBackdrop(const QRect& plot) {
  plot_backdrop_.resize(static_cast<std::size_t>(plot.width()) *
                        static_cast<std::size_t>(plot.height()));
  const auto h = static_cast<std::size_t>(plot.height());
  for (int y = 0; y < plot.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(backdrop_.constScanLine(plot.top() + y));
    for (int c = 0; c < plot.width(); ++c) {
      plot_backdrop_[static_cast<std::size_t>(c) * h + static_cast<std::size_t>(y)] =
          row[plot.left() + c];
    }
  }
  std::sort(grid_columns_.begin(), grid_columns_.end());
  grid_columns_.erase(std::unique(grid_columns_.begin(), grid_columns_.end()), grid_columns_.end());
}

template <typename Draw>
void StripChart::ForEachRingPiece(int first, int last, Draw draw) const {
  const int w = layer_.width();
  const int wrap = w - origin_;  // plot columns from here on are stored from image column 0
  if (first < wrap) draw(origin_, first, std::min(last, wrap));
  if (last > wrap) draw(origin_ - w, std::max(first, wrap), last);
}

QRegion StripChart::UpdatePlot(const QRect& plot) {
  if (plot_.size() != plot.size()) {
    layer_ = QImage(plot.size(), QImage::Format_ARGB32_Premultiplied);
    layer_.fill(Qt::transparent);  // columns are cleared only where a trace was drawn
    plot_ = QImage(plot.size(), QImage::Format_RGB32);
    trace_rows_.Reset(plot.width(), plot.height());
    layer_valid_ = false;
    layer_clear_ = false;
    plot_valid_ = false;
  }
  const int w = plot.width();
  int shift = 0;
  int first = UpdateTraceLayer(shift);
  const bool whole = !plot_valid_;
  if (whole) first = 0;
  if (first >= w) return {};
  // Turning the ring moved the vertical grid lines along with the traces: the columns they
  // left and the ones they belong in are composed again.
  if (shift > 0) {
    for (const int c : grid_columns_) {
      for (const int x : {c, c - shift}) {
        if (x >= 0 && x < first) ComposeColumns(plot, x, x + 1);
      }
    }
  }
  ComposeColumns(plot, first, w);
  plot_valid_ = true;

  // Off the rows a trace crosses, before or after, the plot shows its fixed backdrop. Bands
  // over most of the plot are repainted as one rectangle: a paint clipped to many bands
  // blends span by span, where a rectangle is copied row by row.
  const std::vector<std::uint64_t>& rows = trace_rows_.Occupied();
  if (shown_rows_.size() != rows.size()) shown_rows_.assign(rows.size(), 0);
  const int left = plot.left() + (whole || shift > 0 ? 0 : first);
  const QRect columns(left, plot.top(), plot.right() + 1 - left, plot.height());
  bands_.clear();
  int band_rows = 0;
  ForEachBand(rows, shown_rows_, plot.height(), [&](int top, int bottom) {
    bands_.emplace_back(left, plot.top() + top, columns.width(), bottom - top + 1);
    band_rows += bottom - top + 1;
  });
  shown_rows_ = rows;
  if (whole || 2 * band_rows > plot.height()) return columns;
  QRegion changed;
  changed.setRects(bands_.data(), static_cast<int>(bands_.size()));
  return changed;
}

void StripChart::ComposeColumns(const QRect& plot, int first, int last) {
  const int h = plot.height();
  const qsizetype layer_stride = layer_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  const qsizetype plot_stride = plot_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  ForEachRingPiece(first, last, [&](int dx, int begin, int end) {
    if (end - begin > kNarrowRun) {
      // A wide run, as after a full redraw: QPainter's blending is the fastest way over it.
      const QRect stored(begin + dx, 0, end - begin, h);
      QPainter painter(&plot_);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(stored.topLeft(), backdrop_,
                        QRect(plot.left() + begin, plot.top(), end - begin, h));
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
      painter.drawImage(stored.topLeft(), layer_, stored);
      return;
    }
    // A frame's few scattered columns are walked down each column, with the backdrop's plot
    // area kept column by column for it: a QPainter call per column cost far more.
    const auto* traces = reinterpret_cast<const QRgb*>(layer_.constBits());
    auto* out = reinterpret_cast<QRgb*>(plot_.bits());
    for (int c = begin; c < end; ++c) {
      const QRgb* back = plot_backdrop_.data() + static_cast<qsizetype>(c) * h;
      const QRgb* top = traces + c + dx;
      QRgb* pixel = out + c + dx;
      for (int y = 0; y < h; ++y, top += layer_stride, pixel += plot_stride) {
        *pixel = Over(*top, back[y]);
      }
    }
  });
}

int StripChart::UpdateTraceLayer(int& shift) {
  shift = 0;
  const int w = layer_.width();
  const auto window_ns = static_cast<std::int64_t>(window_seconds_ * kNanosPerSecond);
  const std::int64_t right_ns =
      newest_ns_ - static_cast<std::int64_t>(offset_seconds_ * kNanosPerSecond);
  if (!has_points_ || !(range_high_[1] > range_low_[1]) || window_ns <= 0) {
    // Nothing to draw: cleared once, and left alone by the paints that follow.
    if (layer_valid_ || !layer_clear_) {
      layer_.fill(Qt::transparent);
      trace_rows_.Reset(w, layer_.height());
      layer_valid_ = false;
      layer_clear_ = true;
      origin_ = 0;
      return 0;
    }
    return w;
  }
  layer_clear_ = false;
  if (layer_valid_ && window_ns == window_ns_) {
    if (!new_points_) return w;
    new_points_ = false;
    const std::int64_t right_column = GridColumnOf(right_ns);
    const std::int64_t turn = right_column - right_column_;
    if (turn >= 0 && turn < w) {
      shift = static_cast<int>(turn);
      origin_ = (origin_ + shift) % w;
      right_column_ = right_column;
      drawn_right_ns_ = right_ns;
      return DrawColumns(w - 1 - shift);  // the old rightmost column took points after it was drawn
    }
  }
  window_ns_ = window_ns;
  right_column_ = GridColumnOf(right_ns);
  drawn_right_ns_ = right_ns;
  new_points_ = false;
  layer_valid_ = true;
  origin_ = 0;
  return DrawColumns(0);
}

int StripChart::DrawColumns(int first) {
  const int width_px = layer_.width();
  const int height_px = layer_.height();
  const std::int64_t right_ns = drawn_right_ns_;
  // Pixel column c shows the points with time in [edge(c), edge(c + 1)); the last column also
  // takes the points up to the right edge itself.
  auto edge = [&](int c) { return c >= width_px ? right_ns + 1 : ColumnEdge(c); };

  // A trace whose point before these columns lies further left joins it with a line across the
  // empty columns between: those columns are drawn again too.
  for (const Trace& trace : traces_) {
    const TraceHistory& h = trace.history;
    const int i = h.LowerBound(edge(first));
    if (i > 0 && i <= h.Size()) first = std::max(0, std::min(first, ColumnOf(h.TimeAt(i - 1))));
  }

  const double lo = range_low_[1];
  const double hi = range_high_[1];
  const bool stops = range_high_[0] > range_low_[0];
  const double stop_lo = range_low_[0];
  const double stop_hi = range_high_[0];
  const double y_scale = (height_px - 1) / (hi - lo);
  const double y_min = -2;
  const double y_max = height_px + 1;
  auto y_of = [&](double v) {
    if (stops) v = std::clamp(v, stop_lo, stop_hi);
    // Rounds half up like lround without a library call: y + 8.5 is positive, so the cast
    // truncates as floor would.
    const double y = std::clamp((hi - v) * y_scale, y_min, y_max);
    return static_cast<int>(y + 8.5) - 8;
  };

  spans_.clear();
  lines_.clear();
  runs_.clear();
  for (const Trace& trace : traces_) {
    const TraceHistory& h = trace.history;
    const int n = h.Size();
    int i = h.LowerBound(edge(first));
    if (i >= n) continue;
    int prev_x = -1;
    int prev_y = 0;
    // The point before comes in from its column, even one that has left the plot.
    bool joined = i > 0;
    if (joined) {
      prev_x = ColumnOf(h.TimeAt(i - 1));
      prev_y = y_of(h.ValueAt(i - 1));
    }
    int per_column = std::max(1, (n - i) / std::max(1, width_px - first));  // a first guess
    while (i < n) {
      const std::int64_t t = h.TimeAt(i);
      if (t > right_ns) break;
      // Jump straight to the column of the next point: empty columns cost nothing.
      const int c = ColumnOf(t);
      const int j = std::max(i + 1, h.LowerBound(edge(c + 1), i, i + per_column));
      per_column = j - i;
      h.Prefetch(j + per_column);
      const TraceHistory::Extremes e = h.Range(i, j);
      int top = y_of(e.max);
      int bottom = y_of(e.min);
      if (joined && c - prev_x > 1) {
        // Points sparser than the pixels: a straight line bridges the empty columns.
        lines_.emplace_back(prev_x, prev_y, c, y_of(h.ValueAt(i)));
      } else if (joined) {
        // Neighbouring columns: the line from the previous column's last point to this
        // column's first lies within this column's span once that span includes prev_y.
        top = std::min(top, prev_y);
        bottom = std::max(bottom, prev_y);
      }
      spans_.emplace_back(c, top, 1, bottom - top + 1);
      joined = true;
      prev_x = c;
      prev_y = y_of(h.ValueAt(j - 1));
      i = j;
    }
    runs_.push_back({trace.color, spans_.size(), lines_.size()});
  }

  // Cleared by hand: a clipped QPainter fill of a few columns cost more than the drawing. A
  // frame's few columns are cleared only in the rows a trace crossed; a wide run row by row.
  auto* pixels = reinterpret_cast<QRgb*>(layer_.bits());
  const qsizetype stride = layer_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  ForEachRingPiece(first, width_px, [&](int dx, int begin, int end) {
    const bool wide = end - begin > kNarrowRun;
    for (int y = 0; wide && y < height_px; ++y) {
      std::fill(pixels + y * stride + begin + dx, pixels + y * stride + end + dx, QRgb{0});
    }
    for (int c = begin + dx; c < end + dx; ++c) {
      if (!wide) trace_rows_.ForEachMarked(c, [&](int y) { pixels[y * stride + c] = 0; });
      trace_rows_.ClearColumn(c);
    }
  });
  MarkTraceRows(first);
  if (runs_.empty()) return first;
  QPainter painter(&layer_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  ForEachRingPiece(first, width_px, [&](int dx, int begin, int end) {
    painter.setTransform(QTransform::fromTranslate(dx, 0));
    painter.setClipRect(begin, 0, end - begin, height_px);
    std::size_t span = 0;
    std::size_t line = 0;
    for (const TraceRun& run : runs_) {
      // One-pixel columns filled as rectangles: far cheaper than stroking them as lines.
      painter.setPen(Qt::NoPen);
      painter.setBrush(run.color);
      painter.drawRects(spans_.data() + span, static_cast<int>(run.spans_end - span));
      if (run.lines_end > line) {
        painter.setPen(QPen(run.color, 1));
        painter.drawLines(lines_.data() + line, static_cast<int>(run.lines_end - line));
      }
      span = run.spans_end;
      line = run.lines_end;
    }
  });
  return first;
}

void StripChart::MarkTraceRows(int first) {
  const int w = layer_.width();
  auto stored = [&](int c) { return (c + origin_) % w; };
  for (const QRect& span : spans_) trace_rows_.Mark(stored(span.left()), span.top(), span.bottom());
  for (const QLine& line : lines_) {
    // In each column a line crosses the rows between where it comes in and where it leaves;
    // the rasteriser rounds to whole pixels, so a column takes the rows of its neighbours' middles.
    const double slope = static_cast<double>(line.dy()) / line.dx();
    const int low = std::min(line.y1(), line.y2());
    const int high = std::max(line.y1(), line.y2());
    // The pen's caps may reach a column past either end.
    for (int c = std::max(first, line.x1() - 1); c <= std::min(line.x2() + 1, w - 1); ++c) {
      const double in = line.y1() + slope * (c - 1 - line.x1());
      const double out = line.y1() + slope * (c + 1 - line.x1());
      const int top = static_cast<int>(std::floor(std::max<double>(std::min(in, out), low)));
      const int bottom = static_cast<int>(std::ceil(std::min<double>(std::max(in, out), high)));
      trace_rows_.Mark(stored(c), top - 1, bottom + 1);
    }
  }
}

void StripChart::PaintAxes(QPainter& painter, const QRect& plot) {
  const QColor grid(48, 48, 48);
  const QColor label(170, 170, 170);
  painter.setPen(grid);
  painter.drawRect(plot.adjusted(0, 0, -1, -1));
  grid_columns_ = {0, plot.width() - 1};
  const QFontMetrics fm = painter.fontMetrics();

  // Value grid and labels from the view pair.
  const double lo = range_low_[1];
  const double hi = range_high_[1];
  if (hi > lo) {
    const double step = NiceStep(hi - lo, 5);
    const double scale = (plot.height() - 1) / (hi - lo);
    for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
      const int y = plot.top() + static_cast<int>(std::lround((hi - v) * scale));
      painter.setPen(grid);
      painter.drawLine(plot.left(), y, plot.right(), y);
      painter.setPen(label);
      const QString text = QString::number(std::abs(v) < step * 1e-9 ? 0.0 : v, 'g', 6);
      painter.drawText(QRect(0, y - fm.height() / 2, kLeftMargin - 4, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, text);
    }
  }

  // Time grid: seconds before the right edge.
  const double step = NiceStep(window_seconds_, 4);
  for (double s = 0.0; s <= window_seconds_ + step * 1e-9; s += step) {
    const int x =
        plot.right() - static_cast<int>(std::lround(s / window_seconds_ * (plot.width() - 1)));
    painter.setPen(grid);
    painter.drawLine(x, plot.top(), x, plot.bottom());
    grid_columns_.push_back(x - plot.left());
    painter.setPen(label);
    const QString text = s == 0.0 ? QStringLiteral("0 s") : QStringLiteral("-%1 s").arg(s);
    const int w = fm.horizontalAdvance(text);
    const int left = std::clamp(x - w / 2, 0, std::max(0, width() - w));
    painter.drawText(left, plot.bottom() + fm.ascent() + 3, text);
  }
}

void StripChart::PaintTexts(QPainter& painter, const QRegion& region) {
  const QRect plot = PlotRect();
  if (!placed_valid_ || placed_plot_ != plot) PlaceTexts(painter.fontMetrics(), plot);
  for (const PlacedText& t : placed_) {
    if (!region.intersects(t.bounds)) continue;
    painter.setPen(t.color);
    painter.drawStaticText(t.top_left, t.text);
  }
}

void StripChart::PlaceTexts(const QFontMetrics& fm, const QRect& plot) {
  placed_valid_ = true;
  placed_plot_ = plot;
  placed_.clear();
  // Captions on one line keep their order and never run into each other: legends placed a few
  // hundredths apart stay readable whatever the chart's width.
  std::array<int, kMaxTextItems> order{};
  const int n = TextItemCount();
  for (int k = 0; k < n; ++k) order[static_cast<std::size_t>(k)] = k;
  auto item = [&](int k) -> const TextItem& { return texts_[static_cast<std::size_t>(k)]; };
  std::stable_sort(order.begin(), order.begin() + n, [&](int a, int b) {
    if (item(a).vertical != item(b).vertical) return item(a).vertical < item(b).vertical;
    return item(a).horizontal < item(b).horizontal;
  });
  double line = 0.0;
  int line_right = std::numeric_limits<int>::min();
  for (int k = 0; k < n; ++k) {
    const TextItem& t = item(order[static_cast<std::size_t>(k)]);
    if (t.caption.isEmpty()) continue;
    if (t.vertical != line) {
      line = t.vertical;
      line_right = std::numeric_limits<int>::min();
    }
    int x = plot.left() + static_cast<int>(std::lround(t.horizontal * plot.width()));
    if (line_right != std::numeric_limits<int>::min()) x = std::max(x, line_right + kTextGap);
    const int y = plot.top() + static_cast<int>(std::lround(t.vertical * plot.height()));
    QStaticText text(t.caption);
    text.setTextFormat(Qt::PlainText);
    const int advance = fm.horizontalAdvance(t.caption);
    const QRect ink = fm.boundingRect(t.caption).translated(x, y + fm.ascent());
    const QRect bounds = QRect(x, y, advance, fm.height()).united(ink).adjusted(-1, -1, 1, 1);
    placed_.push_back({std::move(text), QPoint(x, y), t.color, bounds});
    line_right = x + advance;
  }
}

}  // namespace widgets
