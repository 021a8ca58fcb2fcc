#include "chart/plot_view.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "chart/strip_chart_accessible.h"

namespace chart {

namespace {

constexpr double kNanosPerSecond = 1e9;
constexpr int kLeftMargin = 44;  // room for the value labels
constexpr int kRightMargin = 8;
constexpr int kTopMargin = 6;
constexpr int kBottomMargin = 18;  // room for the time labels

const QColor kGrid(48, 48, 48);
const QColor kLabel(170, 170, 170);
const QColor kTitle(220, 220, 220);

// The steps a grid takes: 1, 2 or 5 times a power of ten.
double NiceStep(double span, int lines) {
  const double raw = span / lines;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0}) {
    if (raw <= m * power) return m * power;
  }
  return 10.0 * power;
}

// The next smaller step of the 1-2-5 series.
double SmallerStep(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double m = step / power;
  if (m > 4.5) return 2.0 * power;
  if (m > 1.5) return power;
  return 0.5 * power;
}

// A rectangle in logical pixels as the device pixels it covers.
QRect DeviceRect(const QRect& r, qreal ratio) {
  const auto round = [ratio](int v) { return static_cast<int>(std::lround(v * ratio)); };
  return QRect(QPoint(round(r.left()), round(r.top())),
               QPoint(round(r.right() + 1) - 1, round(r.bottom() + 1) - 1));
}

}  // namespace

PlotView::PlotView(QWidget* parent) : QWidget(parent) {
  InstallStripChartAccessibility();
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

PlotView::~PlotView() = default;

void PlotView::SetValueView(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high)) return;
  if (low == view_low_ && high == view_high_) return;
  view_low_ = low;
  view_high_ = high;
  BackdropChanged();
}

void PlotView::SetStops(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high)) return;
  if (low == stop_low_ && high == stop_high_) return;
  stop_low_ = low;
  stop_high_ = high;
  BackdropChanged();
}

void PlotView::SetTimeAxis(const TimeAxis& axis) {
  axis_ = axis;
  BackdropChanged();
}

void PlotView::SetTimeLabelsShown(bool shown) {
  if (time_labels_ == shown) return;
  time_labels_ = shown;
  LayoutChanged();
  BackdropChanged();
}

void PlotView::SetTitle(const QString& title) {
  if (title_ == title) return;
  title_ = title;
  LayoutChanged();
  BackdropChanged();
}

void PlotView::SetBandFrom(std::int64_t rows) {
  band_from_ = std::max<std::int64_t>(0, rows);
  PlotChanged();
}

std::int64_t PlotView::TimeAtX(double x) const {
  const QRect plot = PlotRect();
  const auto [left, right] = Span();
  const double fraction = plot.width() > 0 ? (x - plot.left()) / plot.width() : 0.0;
  return left +
         static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(right - left)));
}

double PlotView::XOfTime(std::int64_t time) const {
  const QRect plot = PlotRect();
  const auto [left, right] = Span();
  return plot.left() +
         static_cast<double>(time - left) / static_cast<double>(right - left) * plot.width();
}

int PlotView::TopMargin() const {
  return title_.isEmpty() ? kTopMargin : fontMetrics().height() + 4;
}

QRect PlotView::PlotRect() const {
  const int top = TopMargin();
  const int bottom = time_labels_ ? kBottomMargin : kTopMargin;
  return QRect(kLeftMargin, top, std::max(0, width() - kLeftMargin - kRightMargin),
               std::max(0, height() - top - bottom));
}

QSize PlotView::sizeHint() const {
  return QSize(480, 240);
}

QSize PlotView::minimumSizeHint() const {
  return QSize(kLeftMargin + 60, 60);
}

void PlotView::BackdropChanged() {
  backdrop_valid_ = false;
  update();
}

void PlotView::PlotChanged() {
  update(PlotRect());
}

TracePainter::Frame PlotView::PlotFrame(qreal ratio) const {
  const auto [left, right] = Span();
  TracePainter::Frame frame;
  frame.plot = QRect(QPoint(0, 0), DeviceRect(PlotRect(), ratio).size());
  frame.left = left;
  frame.right = right;
  frame.view_low = view_low_;
  frame.view_high = view_high_;
  frame.stop_low = stop_low_;
  frame.stop_high = stop_high_;
  frame.fixed_grid = FollowsTheClock();
  frame.band_from = band_from_;
  return frame;
}

QRegion PlotView::RowsRegion(const TracePainter::Rows& rows, qreal ratio) const {
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

void PlotView::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved();
  QWidget::mouseMoveEvent(event);
}

void PlotView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    backdrop_valid_ = false;  // the axis labels
    LayoutChanged();
    update();
  }
  QWidget::changeEvent(event);
}

void PlotView::paintEvent(QPaintEvent* event) {
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
  if ((QRegion(plot) - event->region()).isEmpty()) WholePlotPainted();
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
  }
  PaintOver(painter, plot, event->region());
}

void PlotView::PaintPlot(qreal ratio, const QRegion& region) {
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
  if (HasUnderTraces()) {
    QPainter under(&plot_);
    under.setClipRegion(clip);
    under.scale(ratio, ratio);
    under.translate(-plot.topLeft());
    PaintUnderTraces(under, plot, left, right);
  }
  TracePainter::Rows rows = PaintTraces(plot_, clip, PlotFrame(ratio));
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

void PlotView::PaintBackdrop(QPainter& painter, const QRect& plot) {
  painter.fillRect(rect(), QColor(0, 0, 0));
  if (!title_.isEmpty()) {
    painter.setPen(kTitle);
    painter.drawText(QRect(plot.left(), 0, plot.width(), plot.top()),
                     Qt::AlignLeft | Qt::AlignVCenter, title_);
  }
  if (plot.width() <= 0 || plot.height() <= 0) return;
  painter.setPen(kGrid);
  painter.drawRect(plot.adjusted(0, 0, -1, -1));
  PaintValueAxis(painter, plot);
  const auto [left, right] = Span();
  PaintTimeAxis(painter, plot, left, right);
}

void PlotView::PaintValueAxis(QPainter& painter, const QRect& plot) {
  const QFontMetrics fm = painter.fontMetrics();
  const double lo = view_low_;
  const double hi = view_high_;
  if (!(hi > lo)) return;
  // The live chart keeps its five lines; a pane under review takes what its height holds, and
  // at least two labels however narrow its values' span.
  double step = NiceStep(hi - lo, FollowsTheClock() ? 5 : std::clamp(plot.height() / 36, 2, 6));
  if (!FollowsTheClock()) {
    const int room = std::max(2, plot.height() / (fm.height() + 4));
    while (std::floor(hi / step) - std::ceil(lo / step) + 1 < 2 &&
           (hi - lo) / SmallerStep(step) <= room)
      step = SmallerStep(step);
  }
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

void PlotView::PaintTimeAxis(QPainter& painter, const QRect& plot, std::int64_t left,
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
    const double window = static_cast<double>(right - left) / kNanosPerSecond;
    const double step = NiceStep(window, 4);
    for (double s = 0.0; s <= window + step * 1e-9; s += step) {
      const int x = plot.right() - static_cast<int>(std::lround(s / window * (plot.width() - 1)));
      tick(x, s == 0.0 ? QStringLiteral("0 s") : QStringLiteral("-%1 s").arg(s));
    }
    return;
  }
  const int label_width = fm.horizontalAdvance(QStringLiteral("Dec 30 00:00:00.0")) + 16;
  for (const TimeTick& t : TimeTicks(axis_, left, right, std::max(1, plot.width() / label_width))) {
    tick(static_cast<int>(std::lround(XOfTime(t.time))), t.label);
  }
}

}  // namespace chart
