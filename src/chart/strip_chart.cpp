#include "chart/strip_chart.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

namespace chart {

namespace {

constexpr double kNanosPerSecond = 1e9;
constexpr int kTextGap = 12;  // between two captions on one line

template <typename TimePoint>
std::int64_t Nanos(TimePoint t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Bright and distinct on the black plot.
const QColor kDefaultTraceColors[StripChart::kTraceCount] = {
    QColor(255, 64, 64),   QColor(64, 255, 64),   QColor(255, 255, 0),   QColor(0, 255, 255),
    QColor(255, 0, 255),   QColor(255, 160, 0),   QColor(120, 160, 255), QColor(255, 255, 255),
    QColor(160, 255, 160), QColor(255, 160, 160), QColor(160, 160, 255), QColor(200, 200, 0),
    QColor(0, 200, 200),   QColor(200, 0, 200),   QColor(180, 120, 60),  QColor(160, 160, 160)};

}  // namespace

StripChart::StripChart(QWidget* parent) : PlotView(parent), repaint_timer_(new QTimer(this)) {
  clock_ = [] { return std::chrono::steady_clock::now(); };
  wall_clock_ = [] { return std::chrono::system_clock::now(); };
  own_.SetCapacity(kDefaultHistory);
  for (int t = 0; t < kTraceCount; ++t) {
    traces_[static_cast<std::size_t>(t)].color = kDefaultTraceColors[t];
    live_styles_.push_back({t, kDefaultTraceColors[t], QString()});
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
  RangesChanged();
  SetBandFrom(kDenseRows);
}

StripChart::~StripChart() = default;

void StripChart::ClearChart() {
  const bool had = HasPoints();
  own_.Clear();
  ForgetWallOffsets();
  painter_.Forget();
  PointsChanged();
  if (had) emit hasPointsChanged(false);
}

bool StripChart::AddPoint(int trace, double value) {
  return AddPointAt(trace, clock_(), value);
}

bool StripChart::AddPointAt(int trace, std::chrono::steady_clock::time_point when, double value) {
  if (!ValidTrace(trace) || !std::isfinite(value)) return false;
  const bool had = HasPoints();
  const std::int64_t ns = Nanos(when);
  own_.Add(trace, ns, value);
  if (ns > offset_checked_at_) {  // once a tick: the points of a tick share their time
    offset_checked_at_ = ns;
    wall_offsets_.Note(ns, Nanos(wall_clock_()) - Nanos(clock_()));
  }
  new_points_ = true;
  ScheduleRepaint();
  if (!had) emit hasPointsChanged(true);
  return true;
}

int StripChart::PointCount(int trace) const {
  return ValidTrace(trace) ? static_cast<int>(own_.PointCount(trace)) : 0;
}

double StripChart::LastValue(int trace) const {
  return ValidTrace(trace) ? own_.LastValue(trace) : 0.0;
}

void StripChart::SetClock(Clock clock) {
  if (clock) clock_ = std::move(clock);
}

void StripChart::SetWallClock(WallClock clock) {
  if (clock) wall_clock_ = std::move(clock);
}

void StripChart::ForgetWallOffsets() {
  wall_offsets_.Clear();
  offset_checked_at_ = std::numeric_limits<std::int64_t>::min();
}

void StripChart::SetHistoryCapacity(int points) {
  const bool had = HasPoints();
  own_.SetCapacity(std::max(points, 1));
  ForgetWallOffsets();
  painter_.Forget();
  PointsChanged();
  if (had) emit hasPointsChanged(false);
}

int StripChart::HistoryCapacity() const {
  return static_cast<int>(own_.Capacity());
}

void StripChart::SetTimeWindow(double seconds) {
  if (!(seconds > 0.0) || !std::isfinite(seconds)) return;
  window_seconds_ = seconds;
  BackdropChanged();
}

void StripChart::SetTimeOffset(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0.0) return;
  offset_seconds_ = seconds;
  painter_.Forget();  // every column drawn afresh
  PointsChanged();
}

void StripChart::SetTraceColor(int trace, const QColor& color) {
  if (!ValidTrace(trace)) return;
  traces_[static_cast<std::size_t>(trace)].color = color;
  live_styles_[static_cast<std::size_t>(trace)].color = color;
  PointsChanged();
}

QColor StripChart::TraceColor(int trace) const {
  return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].color : QColor();
}

QColor StripChart::DefaultTraceColor(int trace) {
  return trace >= 0 && trace < kTraceCount ? kDefaultTraceColors[trace] : QColor();
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
  RangesChanged();
}

void StripChart::SetRangeHigh(int pair, double value) {
  if (!ValidPair(pair) || !std::isfinite(value)) return;
  range_high_[static_cast<std::size_t>(pair)] = value;
  RangesChanged();
}

void StripChart::RangesChanged() {
  SetStops(range_low_[0], range_high_[0]);
  SetValueView(range_low_[1], range_high_[1]);
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

double StripChart::TextHorizontal(int item) const {
  return ValidItem(item) ? texts_[static_cast<std::size_t>(item)].horizontal : 0.0;
}

double StripChart::TextVertical(int item) const {
  return ValidItem(item) ? texts_[static_cast<std::size_t>(item)].vertical : 0.0;
}

void StripChart::TextsChanged() {
  placed_valid_ = false;
  update();
}

std::pair<std::int64_t, std::int64_t> StripChart::Span() const {
  const auto window = static_cast<std::int64_t>(window_seconds_ * kNanosPerSecond);
  const std::int64_t newest = own_.Empty() ? 0 : own_.TimeAt(own_.Size() - 1);
  const std::int64_t right = newest - static_cast<std::int64_t>(offset_seconds_ * kNanosPerSecond);
  return {right - window, right};
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

void StripChart::PointsChanged() {
  new_points_ = false;
  PlotChanged();
}

QRegion StripChart::RefreshPlot() {
  if (!new_points_) return {};
  new_points_ = false;
  const QRect plot = PlotRect();
  if (!BackdropValid() || plot.isEmpty()) return plot;
  // Off the rows the traces cross, now or in the picture shown, the plot shows its backdrop
  // whatever time does: only those rows are painted again. Rows over most of the plot are
  // painted as one rectangle.
  const qreal ratio = devicePixelRatioF();
  const TracePainter::Rows rows = painter_.RowsOf(own_, live_styles_, PlotFrame(ratio));
  const QRegion changed = RowsRegion(rows, ratio) + RowsRegion(ShownRows(), ratio);
  ShownRows() = rows;
  qint64 area = 0;
  for (const QRect& r : changed) area += qint64{r.width()} * r.height();
  if (2 * area > qint64{plot.width()} * plot.height()) return plot;
  return changed;
}

QString StripChart::TracesDescription() const {
  QStringList parts;
  for (int t = 0; t < kTraceCount; ++t) {
    if (own_.PointCount(t) == 0) continue;
    parts << QStringLiteral("%1 %2").arg(TraceName(t)).arg(own_.LastValue(t), 0, 'g', 6);
  }
  if (parts.isEmpty()) return QStringLiteral("no traces");
  return QStringLiteral("traces: ") + parts.join(QStringLiteral(", "));
}

void StripChart::WholePlotPainted() {
  // A paint of the whole plot shows every point so far.
  repaint_timer_->stop();
  new_points_ = false;
}

TracePainter::Rows StripChart::PaintTraces(QImage& image, const QRegion& clip,
                                           const TracePainter::Frame& frame) {
  if (own_.Empty()) return {};
  return painter_.Paint(image, clip, own_, live_styles_, frame);
}

void StripChart::PaintOver(QPainter& painter, const QRect&, const QRegion& region) {
  PaintTexts(painter, region);
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

}  // namespace chart
