#include "chart/strip_chart.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "chart/strip_chart_accessible.h"

namespace chart {

namespace {

constexpr double kNanosPerSecond = 1e9;
constexpr int kLeftMargin = 44;  // room for the value labels
constexpr int kRightMargin = 8;
constexpr int kTopMargin = 6;
constexpr int kBottomMargin = 18;  // room for the time labels
constexpr int kTextGap = 12;       // between two captions on one line

const QColor kGrid(48, 48, 48);
const QColor kLabel(170, 170, 170);
const QColor kCursor(255, 255, 255);

std::int64_t Nanos(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Bright and distinct on the black plot.
const QColor kDefaultTraceColors[StripChart::kTraceCount] = {
    QColor(255, 64, 64),   QColor(64, 255, 64),   QColor(255, 255, 0),   QColor(0, 255, 255),
    QColor(255, 0, 255),   QColor(255, 160, 0),   QColor(120, 160, 255), QColor(255, 255, 255),
    QColor(160, 255, 160), QColor(255, 160, 160), QColor(160, 160, 255), QColor(200, 200, 0),
    QColor(0, 200, 200),   QColor(200, 0, 200),   QColor(180, 120, 60),  QColor(160, 160, 160)};

// A step for grid lines that gives about `lines` lines over span: 1, 2 or 5 times a power of ten.
double NiceStep(double span, int lines) {
  const double raw = span / lines;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (raw <= m * power) return m * power;
  }
  return 10.0 * power;
}

// A rectangle in logical pixels as the device pixels it covers.
QRect DeviceRect(const QRect& r, qreal ratio) {
  const auto round = [ratio](int v) { return static_cast<int>(std::lround(v * ratio)); };
  return QRect(QPoint(round(r.left()), round(r.top())),
               QPoint(round(r.right() + 1) - 1, round(r.bottom() + 1) - 1));
}

}  // namespace

StripChart::StripChart(QWidget* parent) : QWidget(parent), repaint_timer_(new QTimer(this)) {
  InstallStripChartAccessibility();
  clock_ = [] { return std::chrono::steady_clock::now(); };
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
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

StripChart::~StripChart() = default;

void StripChart::ClearChart() {
  const bool had = HasPoints();
  own_.Clear();
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
  own_.Add(trace, Nanos(when), value);
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

void StripChart::SetHistoryCapacity(int points) {
  const bool had = HasPoints();
  own_.SetCapacity(std::max(points, 1));
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
  BackdropChanged();
}

void StripChart::SetRangeHigh(int pair, double value) {
  if (!ValidPair(pair) || !std::isfinite(value)) return;
  range_high_[static_cast<std::size_t>(pair)] = value;
  BackdropChanged();
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

void StripChart::SetSource(const SeriesStore* store, std::vector<TraceStyle> traces) {
  source_ = traces.empty() ? nullptr : store;
  source_traces_ = std::move(traces);
  BackdropChanged();
}

void StripChart::SetTimeSpan(std::int64_t start, std::int64_t end) {
  if (end <= start) end = start + 1;
  if (start == span_start_ && end == span_end_) return;
  span_start_ = start;
  span_end_ = end;
  BackdropChanged();
}

std::int64_t StripChart::SpanStart() const {
  return Span().first;
}

std::int64_t StripChart::SpanEnd() const {
  return Span().second;
}

void StripChart::SetTimeAxis(const TimeAxis& axis) {
  axis_ = axis;
  BackdropChanged();
}

void StripChart::SetTimeLabelsShown(bool shown) {
  time_labels_ = shown;
  placed_valid_ = false;
  BackdropChanged();
}

void StripChart::SetLevelLines(std::vector<LevelLine> lines) {
  level_lines_ = std::move(lines);
  update();
}

void StripChart::SetShades(std::vector<Shade> shades) {
  shades_ = std::move(shades);
  update();
}

void StripChart::SetCursors(std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
  if (a == cursor_a_ && b == cursor_b_) return;
  cursor_a_ = a;
  cursor_b_ = b;
  update();
}

std::pair<std::int64_t, std::int64_t> StripChart::Span() const {
  if (!Live()) return {span_start_, span_end_};
  const auto window = static_cast<std::int64_t>(window_seconds_ * kNanosPerSecond);
  const std::int64_t newest = own_.Empty() ? 0 : own_.TimeAt(own_.Size() - 1);
  const std::int64_t right = newest - static_cast<std::int64_t>(offset_seconds_ * kNanosPerSecond);
  return {right - window, right};
}

std::int64_t StripChart::TimeAtX(double x) const {
  const QRect plot = PlotRect();
  const auto [left, right] = Span();
  const double fraction = plot.width() > 0 ? (x - plot.left()) / plot.width() : 0.0;
  return left +
         static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(right - left)));
}

double StripChart::XOfTime(std::int64_t time) const {
  const QRect plot = PlotRect();
  const auto [left, right] = Span();
  return plot.left() +
         static_cast<double>(time - left) / static_cast<double>(right - left) * plot.width();
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

void StripChart::BackdropChanged() {
  backdrop_valid_ = false;
  update();
}

void StripChart::PointsChanged() {
  new_points_ = false;
  update(PlotRect());
}

QRegion StripChart::RefreshPlot() {
  if (!new_points_) return {};
  new_points_ = false;
  const QRect plot = PlotRect();
  if (!Live() || !backdrop_valid_ || plot.isEmpty()) return plot;
  // Off the rows the traces cross, now or in the picture shown, the plot shows its backdrop
  // whatever time does: only those rows are painted again. Rows over most of the plot are
  // painted as one rectangle.
  const qreal ratio = devicePixelRatioF();
  const TracePainter::Rows rows = painter_.RowsOf(own_, live_styles_, PlotFrame(ratio));
  const QRegion changed = RowsRegion(rows, ratio) + RowsRegion(shown_rows_, ratio);
  shown_rows_ = rows;
  qint64 area = 0;
  for (const QRect& r : changed) area += qint64{r.width()} * r.height();
  if (2 * area > qint64{plot.width()} * plot.height()) return plot;
  return changed;
}

QRegion StripChart::RowsRegion(const TracePainter::Rows& rows, qreal ratio) const {
  const QRect plot = PlotRect();
  const QRect device_plot = DeviceRect(plot, ratio);
  QRegion region;
  for (const auto& [top, bottom] : rows) {
    // Device rows to the logical rows that hold them, within the plot.
    const int y1 = static_cast<int>(std::floor((device_plot.top() + std::max(top, 0)) / ratio));
    const int y2 = static_cast<int>(
        std::ceil((device_plot.top() + std::min(bottom, device_plot.height() - 1) + 1) / ratio));
    if (y2 > y1) region += QRect(plot.left(), y1, plot.width(), y2 - y1).intersected(plot);
  }
  return region;
}

TracePainter::Frame StripChart::PlotFrame(qreal ratio) const {
  const auto [left, right] = Span();
  TracePainter::Frame frame;
  frame.plot = QRect(QPoint(0, 0), DeviceRect(PlotRect(), ratio).size());
  frame.left = left;
  frame.right = right;
  frame.view_low = range_low_[1];
  frame.view_high = range_high_[1];
  frame.stop_low = range_low_[0];
  frame.stop_high = range_high_[0];
  frame.fixed_grid = Live();
  return frame;
}

QRect StripChart::PlotRect() const {
  const int bottom = time_labels_ ? kBottomMargin : kTopMargin;
  return QRect(kLeftMargin, kTopMargin, std::max(0, width() - kLeftMargin - kRightMargin),
               std::max(0, height() - kTopMargin - bottom));
}

QString StripChart::TracesDescription() const {
  QStringList parts;
  if (!Live()) {
    for (const TraceStyle& t : source_traces_) parts << t.name;
    return QStringLiteral("traces: ") + parts.join(QStringLiteral(", "));
  }
  for (int t = 0; t < kTraceCount; ++t) {
    if (own_.PointCount(t) == 0) continue;
    parts << QStringLiteral("%1 %2").arg(TraceName(t)).arg(own_.LastValue(t), 0, 'g', 6);
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
  QPainter painter(this);
  // The ratio of what is painted on: the screen's, or a picture's that render() draws into.
  const QPaintDevice* target =
      painter.paintEngine() != nullptr ? painter.paintEngine()->paintDevice() : nullptr;
  const qreal ratio = target != nullptr ? target->devicePixelRatio() : devicePixelRatioF();
  if (!backdrop_valid_ || backdrop_.size() != size() * ratio ||
      backdrop_.devicePixelRatio() != ratio) {
    backdrop_ = QImage(size() * ratio, QImage::Format_RGB32);
    backdrop_.setDevicePixelRatio(ratio);
    QPainter backdrop(&backdrop_);
    backdrop.setFont(font());
    PaintBackdrop(backdrop, plot);
    backdrop_valid_ = true;
  }
  // A paint of the whole plot shows every point so far.
  if ((QRegion(plot) - event->region()).isEmpty()) {
    repaint_timer_->stop();
    new_points_ = false;
  }
  // Around the plot, what is repainted of the backdrop; the plot is drawn whole below.
  for (const QRect& r : event->region() - QRegion(plot)) {
    painter.drawImage(QRectF(r), backdrop_,
                      QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
  }
  if (plot.width() > 0 && plot.height() > 0) {
    const QRegion in_plot = event->region().intersected(plot);
    PaintPlot(ratio, in_plot);
    for (const QRect& r : in_plot) {
      painter.drawImage(
          QRectF(r), plot_,
          QRectF(QPointF(r.topLeft() - plot.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    }
    PaintCursors(painter, plot);
  }
  PaintTexts(painter, event->region());
}

void StripChart::PaintPlot(qreal ratio, const QRegion& region) {
  // The plot in device pixels: the backdrop's grid copied in, then the traces, one pixel wide
  // and sharp at any ratio; only where region (in widget coordinates) asks.
  const QRect plot = PlotRect();
  const QRect device_plot = DeviceRect(plot, ratio);
  if (plot_.size() != device_plot.size()) plot_ = QImage(device_plot.size(), QImage::Format_RGB32);
  plot_.setDevicePixelRatio(1.0);
  QRegion clip;  // in plot_'s pixels
  for (const QRect& r : region) {
    const QRect device = DeviceRect(r.translated(-plot.topLeft()), ratio).adjusted(-1, -1, 1, 1);
    clip += device.intersected(plot_.rect());
  }
  for (const QRect& r : clip) {
    const auto bytes = static_cast<std::size_t>(r.width()) * sizeof(QRgb);
    for (int y = r.top(); y <= r.bottom(); ++y) {
      std::memcpy(plot_.scanLine(y) + static_cast<std::ptrdiff_t>(r.left()) * 4,
                  backdrop_.constScanLine(device_plot.top() + y) +
                      static_cast<std::ptrdiff_t>(device_plot.left() + r.left()) * 4,
                  bytes);
    }
  }
  const auto [left, right] = Span();
  if (!level_lines_.empty() || !shades_.empty()) {
    // Limits and alarms in the plot's own logical coordinates.
    QPainter decorations(&plot_);
    decorations.setClipRegion(clip);
    decorations.scale(ratio, ratio);
    decorations.translate(-plot.topLeft());
    PaintDecorations(decorations, plot, left, right);
  }
  const TracePainter::Frame frame = PlotFrame(ratio);
  TracePainter::Rows rows;
  if (Live()) {
    if (!own_.Empty()) rows = painter_.Paint(plot_, clip, own_, live_styles_, frame);
  } else {
    rows = painter_.Paint(plot_, clip, *source_, source_traces_, frame);
  }
  // What the screen shows now: these rows where painted, and what was there before elsewhere.
  if ((QRegion(plot) - region).isEmpty()) {
    shown_rows_ = rows;
  } else {
    rows.insert(rows.end(), shown_rows_.begin(), shown_rows_.end());
    std::sort(rows.begin(), rows.end());
    shown_rows_ = rows;
  }
  plot_.setDevicePixelRatio(ratio);
}

void StripChart::PaintBackdrop(QPainter& painter, const QRect& plot) {
  painter.fillRect(rect(), QColor(0, 0, 0));
  if (plot.width() <= 0 || plot.height() <= 0) return;
  painter.setPen(kGrid);
  painter.drawRect(plot.adjusted(0, 0, -1, -1));
  PaintValueAxis(painter, plot);
  const auto [left, right] = Span();
  PaintTimeAxis(painter, plot, left, right);
}

void StripChart::PaintValueAxis(QPainter& painter, const QRect& plot) {
  const QFontMetrics fm = painter.fontMetrics();
  const double lo = range_low_[1];
  const double hi = range_high_[1];
  if (!(hi > lo)) return;
  // The live chart keeps its five lines; a short pane under review takes fewer.
  const double step = NiceStep(hi - lo, Live() ? 5 : std::clamp(plot.height() / 40, 2, 5));
  const double scale = (plot.height() - 1) / (hi - lo);
  for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
    const int y = plot.top() + static_cast<int>(std::lround((hi - v) * scale));
    painter.setPen(kGrid);
    painter.drawLine(plot.left(), y, plot.right(), y);
    painter.setPen(kLabel);
    const QString text = QString::number(std::abs(v) < step * 1e-9 ? 0.0 : v, 'g', 6);
    painter.drawText(QRect(0, y - fm.height() / 2, kLeftMargin - 4, fm.height()),
                     Qt::AlignRight | Qt::AlignVCenter, text);
  }
}

void StripChart::PaintTimeAxis(QPainter& painter, const QRect& plot, std::int64_t left,
                               std::int64_t right) {
  const QFontMetrics fm = painter.fontMetrics();
  auto tick = [&](int x, const QString& text) {
    painter.setPen(kGrid);
    painter.drawLine(x, plot.top(), x, plot.bottom());
    if (!time_labels_) return;
    painter.setPen(kLabel);
    const int w = fm.horizontalAdvance(text);
    const int at = std::clamp(x - w / 2, 0, std::max(0, width() - w));
    painter.drawText(at, plot.bottom() + fm.ascent() + 3, text);
  };
  if (axis_.style == TimeAxis::Style::BeforeNewest) {
    // Seconds before the right edge, on a grid that stays where it is while the traces move.
    const double step = NiceStep(window_seconds_, 4);
    for (double s = 0.0; s <= window_seconds_ + step * 1e-9; s += step) {
      const int x =
          plot.right() - static_cast<int>(std::lround(s / window_seconds_ * (plot.width() - 1)));
      tick(x, s == 0.0 ? QStringLiteral("0 s") : QStringLiteral("-%1 s").arg(s));
    }
    return;
  }
  const int label_width = fm.horizontalAdvance(QStringLiteral("Dec 30 00:00:00.0")) + 16;
  for (const TimeTick& t : TimeTicks(axis_, left, right, std::max(1, plot.width() / label_width))) {
    tick(static_cast<int>(std::lround(XOfTime(t.time))), t.label);
  }
}

void StripChart::PaintDecorations(QPainter& painter, const QRect& plot, std::int64_t left,
                                  std::int64_t right) {
  for (const Shade& s : shades_) {
    if (s.end < left || s.start > right) continue;
    const int x1 = static_cast<int>(std::floor(XOfTime(std::max(s.start, left))));
    const int x2 = static_cast<int>(std::ceil(XOfTime(std::min(s.end, right))));
    painter.fillRect(QRect(x1, plot.top(), std::max(1, x2 - x1), plot.height()), s.color);
  }
  const double lo = range_low_[1];
  const double hi = range_high_[1];
  if (!(hi > lo)) return;
  for (const LevelLine& line : level_lines_) {
    if (line.end < left || line.start > right || line.value < lo || line.value > hi) continue;
    const double y = plot.top() + (hi - line.value) * (plot.height() - 1) / (hi - lo);
    QPen pen(line.color, 1, Qt::DashLine);
    painter.setPen(pen);
    painter.drawLine(QPointF(XOfTime(std::max(line.start, left)), y),
                     QPointF(XOfTime(std::min(line.end, right)), y));
  }
}

void StripChart::PaintCursors(QPainter& painter, const QRect& plot) {
  const QFontMetrics fm = painter.fontMetrics();
  for (const auto& [time, name] :
       {std::pair{cursor_a_, QStringLiteral("A")}, std::pair{cursor_b_, QStringLiteral("B")}}) {
    if (!time) continue;
    const double x = XOfTime(*time);
    if (x < plot.left() || x > plot.right() + 1) continue;
    painter.setPen(QPen(kCursor, 1));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    const QRect box(static_cast<int>(x) + 2, plot.top() + 1, fm.horizontalAdvance(name) + 4,
                    fm.height());
    painter.fillRect(box, QColor(0, 0, 0));
    painter.drawText(box, Qt::AlignCenter, name);
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

}  // namespace chart
