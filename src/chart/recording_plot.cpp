#include "chart/recording_plot.h"

#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace chart {

namespace {

const QColor kCursor(255, 255, 255);
// A recording's noise of a count or two fills a column from a few rows on: from there it is
// drawn as a band and its mean.
constexpr std::int64_t kBandFrom = 4;

}  // namespace

RecordingPlot::RecordingPlot(QWidget* parent) : PlotView(parent) {
  SetBandFrom(kBandFrom);
}

void RecordingPlot::SetLayers(std::vector<Layer> layers) {
  layers_ = std::move(layers);
  painters_.resize(layers_.size());
  for (TracePainter& p : painters_) p.Forget();
  PlotChanged();
}

void RecordingPlot::SetTimeSpan(std::int64_t start, std::int64_t end) {
  if (end <= start) end = start + 1;
  if (start == start_ && end == end_) return;
  start_ = start;
  end_ = end;
  BackdropChanged();
}

void RecordingPlot::SetLevelLines(std::vector<LevelLine> lines) {
  lines_ = std::move(lines);
  PlotChanged();
}

void RecordingPlot::SetShades(std::vector<Shade> shades) {
  shades_ = std::move(shades);
  PlotChanged();
}

void RecordingPlot::SetCursors(std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
  if (a == cursor_a_ && b == cursor_b_) return;
  cursor_a_ = a;
  cursor_b_ = b;
  update();
}

QString RecordingPlot::TracesDescription() const {
  QStringList parts;
  for (const Layer& layer : layers_) {
    for (const TraceStyle& t : layer.traces) parts << t.name;
  }
  return QStringLiteral("traces: ") + parts.join(QStringLiteral(", "));
}

TracePainter::Rows RecordingPlot::PaintTraces(QImage& image, const QRegion& clip,
                                              const TracePainter::Frame& frame) {
  TracePainter::Rows rows;
  for (std::size_t l = 0; l < layers_.size(); ++l) {
    const Layer& layer = layers_[l];
    if (layer.store == nullptr || layer.traces.empty()) continue;
    // The layer's own time: the plot's less its shift.
    TracePainter::Frame shifted = frame;
    shifted.left -= layer.shift;
    shifted.right -= layer.shift;
    const TracePainter::Rows r =
        painters_[l].Paint(image, clip, *layer.store, layer.traces, shifted);
    rows.insert(rows.end(), r.begin(), r.end());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void RecordingPlot::PaintUnderTraces(QPainter& painter, const QRect& plot, std::int64_t left,
                                     std::int64_t right) {
  for (const Shade& s : shades_) {
    if (s.end < left || s.start > right) continue;
    const int x1 = static_cast<int>(std::floor(XOfTime(std::max(s.start, left))));
    const int x2 = static_cast<int>(std::ceil(XOfTime(std::min(s.end, right))));
    painter.fillRect(QRect(x1, plot.top(), std::max(1, x2 - x1), plot.height()), s.color);
  }
  const double lo = ViewLow();
  const double hi = ViewHigh();
  if (!(hi > lo)) return;
  for (const LevelLine& line : lines_) {
    if (line.end < left || line.start > right || line.value < lo || line.value > hi) continue;
    const double y = plot.top() + (hi - line.value) * (plot.height() - 1) / (hi - lo);
    painter.setPen(QPen(line.color, 1, Qt::DashLine));
    painter.drawLine(QPointF(XOfTime(std::max(line.start, left)), y),
                     QPointF(XOfTime(std::min(line.end, right)), y));
  }
}

void RecordingPlot::PaintOver(QPainter& painter, const QRect& plot, const QRegion&) {
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

}  // namespace chart
