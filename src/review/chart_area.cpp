#include "review/chart_area.h"

#include <QMouseEvent>
#include <QRubberBand>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "review/recording_model.h"

namespace review {

namespace {

constexpr int kDragThreshold = 4;   // pixels a press moves before it is a drag
constexpr double kWheelZoom = 0.8;  // span factor per wheel notch
constexpr int kShadeAlpha = 70;     // alarm spans over the plot
const QColor kOtherAlarm(255, 160, 0, 60);
constexpr int kComparedLighter = 140;  // percent: a compared run's traces

// A pane of its own per voltage is keyed "V:" and the caption.
const QString kVoltagePrefix = QStringLiteral("V:");

// The panes in a fixed order: volts, degrees, RPM, then any other unit.
int UnitRank(const QString& unit) {
  if (unit == QLatin1String("V") || unit.startsWith(kVoltagePrefix)) return 0;
  if (unit == QStringLiteral("°C")) return 1;
  if (unit == QLatin1String("RPM")) return 2;
  return 3;
}

QString PaneTitle(const QString& unit) {
  if (unit.startsWith(kVoltagePrefix))
    return unit.mid(kVoltagePrefix.size()) + QStringLiteral(" [V]");
  if (unit == QLatin1String("V")) return QStringLiteral("Voltage [V]");
  if (unit == QStringLiteral("°C")) return QStringLiteral("Temperature [°C]");
  if (unit == QLatin1String("RPM")) return QStringLiteral("Fan speed [RPM]");
  return QStringLiteral("[%1]").arg(unit);
}

QString PaneName(const QString& unit) {
  if (unit.startsWith(kVoltagePrefix))
    return QStringLiteral("pane_") + unit.mid(kVoltagePrefix.size());
  if (unit == QLatin1String("V")) return QStringLiteral("pane_volts");
  if (unit == QStringLiteral("°C")) return QStringLiteral("pane_degrees");
  if (unit == QLatin1String("RPM")) return QStringLiteral("pane_rpm");
  return QStringLiteral("pane_") + unit;
}

// A view of values a little wider than the values, so no trace runs along the frame.
std::pair<double, double> Padded(double lo, double hi) {
  if (!(lo <= hi)) return {0.0, 1.0};
  double pad = (hi - lo) * 0.05;
  if (pad <= 0.0) pad = std::max(std::abs(hi) * 0.05, 0.5);
  return {lo - pad, hi + pad};
}

}  // namespace

ChartArea::ChartArea(const RecordingModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      splitter_(new QSplitter(Qt::Vertical, this)),
      band_(new QRubberBand(QRubberBand::Rectangle, this)) {
  setObjectName(QStringLiteral("chart_area"));
  setAccessibleName(QStringLiteral("Charts"));
  setFocusPolicy(Qt::StrongFocus);
  splitter_->setChildrenCollapsible(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);
}

int ChartArea::PlotWidth() const {
  return panes_.empty() ? 1 : std::max(1, panes_.front()->PlotRect().width());
}

QString ChartArea::KeyOf(int series) const {
  const RecordingModel::Series& s = model_.series()[static_cast<std::size_t>(series)];
  return pane_per_voltage_ && s.unit == QLatin1String("V") ? kVoltagePrefix + s.caption : s.unit;
}

std::vector<int> ChartArea::ShownIn(const QString& key) const {
  std::vector<int> series;
  for (std::size_t s = 0; s < model_.series().size(); ++s) {
    if (KeyOf(static_cast<int>(s)) == key && (s >= shown_.size() || shown_[s]))
      series.push_back(static_cast<int>(s));
  }
  return series;
}

void ChartArea::SetCompared(const Compared* compared) {
  if (compared == nullptr || compared->model == nullptr) {
    compared_.reset();
  } else {
    compared_ = *compared;
  }
  Rebuild();
}

void ChartArea::SetPanePerVoltage(bool on) {
  pane_per_voltage_ = on;
  Rebuild();
}

void ChartArea::SetShown(const std::vector<bool>& shown) {
  shown_ = shown;
  Rebuild();
}

void ChartArea::SetView(std::int64_t start, std::int64_t end, const chart::TimeAxis& axis,
                        std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
  start_ = start;
  end_ = end;
  for (chart::RecordingPlot* pane : panes_) {
    pane->SetTimeSpan(start, end);
    pane->SetTimeAxis(axis);
    pane->SetCursors(a, b);
  }
  FitValues();
  Decorate();
}

void ChartArea::DataChanged() {
  Rebuild();
}

void ChartArea::Rebuild() {
  std::vector<QString> units;
  for (std::size_t s = 0; s < model_.series().size(); ++s) {
    const QString key = KeyOf(static_cast<int>(s));
    if (std::find(units.begin(), units.end(), key) == units.end()) units.push_back(key);
  }
  std::stable_sort(units.begin(), units.end(),
                   [](const QString& x, const QString& y) { return UnitRank(x) < UnitRank(y); });
  if (units != units_) {
    for (chart::RecordingPlot* pane : panes_) delete pane;
    panes_.clear();
    units_ = units;
    for (const QString& unit : units_) {
      auto* pane = new chart::RecordingPlot(splitter_);
      pane->setObjectName(PaneName(unit));
      pane->setAccessibleName(PaneTitle(unit));
      pane->setCursor(Qt::CrossCursor);
      pane->SetTitle(PaneTitle(unit));
      pane->installEventFilter(this);
      splitter_->addWidget(pane);
      panes_.push_back(pane);
    }
    for (std::size_t p = 0; p < panes_.size(); ++p) {
      panes_[p]->SetTimeLabelsShown(p + 1 == panes_.size());
      splitter_->setStretchFactor(static_cast<int>(p), 1);
    }
  }
  for (std::size_t p = 0; p < panes_.size(); ++p) {
    std::vector<chart::TraceStyle> traces;
    std::vector<chart::TraceStyle> compared;
    for (const int s : ShownIn(units_[p])) {
      const RecordingModel::Series& series = model_.series()[static_cast<std::size_t>(s)];
      traces.push_back({s, series.color, series.caption});
      // The compared recording's channel of the same name, dashed in a lighter shade of the
      // same colour.
      const int other = compared_ ? compared_->model->SeriesOf(series.caption) : -1;
      if (other >= 0) {
        compared.push_back({other, series.color.lighter(kComparedLighter),
                            series.caption + QStringLiteral(" · ") + compared_->name, true});
      }
    }
    std::vector<chart::RecordingPlot::Layer> layers{{&model_.store(), std::move(traces), 0}};
    if (!compared.empty())
      layers.push_back({&compared_->model->store(), std::move(compared), compared_->shift});
    panes_[p]->SetLayers(std::move(layers));
    panes_[p]->SetTimeSpan(start_, end_);
  }
  FitValues();
  Decorate();
}

void ChartArea::FitValues() {
  const chart::SeriesStore& store = model_.store();
  const std::int64_t begin = store.LowerBound(start_);
  const std::int64_t end = store.LowerBound(end_ + 1);
  for (std::size_t p = 0; p < panes_.size(); ++p) {
    // The values shown fill the pane; with none in view, those of the whole recording.
    chart::SeriesStore::Extremes e;
    auto widen = [&e](const chart::SeriesStore::Extremes& x) {
      e.min = std::min(e.min, x.min);
      e.max = std::max(e.max, x.max);
    };
    for (const bool whole : {false, true}) {
      for (const int s : ShownIn(units_[p])) {
        widen(whole ? store.Range(s, 0, store.Size()) : store.Range(s, begin, end));
        const int other =
            compared_
                ? compared_->model->SeriesOf(model_.series()[static_cast<std::size_t>(s)].caption)
                : -1;
        if (other < 0) continue;
        const chart::SeriesStore& theirs = compared_->model->store();
        widen(whole ? theirs.Range(other, 0, theirs.Size())
                    : theirs.Range(other, theirs.LowerBound(start_ - compared_->shift),
                                   theirs.LowerBound(end_ - compared_->shift + 1)));
      }
      if (!e.Empty()) break;
    }
    const auto [lo, hi] = Padded(e.min, e.max);
    panes_[p]->SetValueView(lo, hi);
  }
}

void ChartArea::Decorate() {
  // Spans closer than a pixel are shaded as one: a recording that alarms at every row costs a
  // rectangle per pixel column, not one per row.
  const std::int64_t pixel = std::max<std::int64_t>(1, (end_ - start_) / PlotWidth());
  auto add = [&](std::vector<chart::RecordingPlot::Shade>& shades, std::int64_t a, std::int64_t b,
                 const QColor& colour) {
    if (b < start_ || a > end_) return;
    if (!shades.empty() && shades.back().color == colour && a - shades.back().end < pixel) {
      shades.back().end = std::max(shades.back().end, b);
      return;
    }
    shades.push_back({a, b, colour});
  };
  const std::int64_t last =
      model_.store().Empty() ? end_ : model_.store().TimeAt(model_.store().Size() - 1);
  for (std::size_t p = 0; p < panes_.size(); ++p) {
    std::vector<chart::RecordingPlot::Shade> shades;
    std::vector<chart::RecordingPlot::LevelLine> lines;
    for (const int s : ShownIn(units_[p])) {
      QColor colour = model_.series()[static_cast<std::size_t>(s)].color;
      colour.setAlpha(kShadeAlpha);
      for (const RecordingModel::Span& span : model_.Alarms(s))
        add(shades, span.start, span.end, colour);
      const auto& steps = model_.Limits(s);
      for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::int64_t to = i + 1 < steps.size() ? steps[i + 1].from : last;
        const QColor line = model_.series()[static_cast<std::size_t>(s)].color.darker(130);
        for (const auto& limit : {steps[i].low, steps[i].high}) {
          if (limit) lines.push_back({steps[i].from, to, *limit, line});
        }
      }
    }
    for (const RecordingModel::OtherSpan& o : model_.OtherAlarms())
      add(shades, o.span.start, o.span.end, kOtherAlarm);
    panes_[p]->SetShades(std::move(shades));
    panes_[p]->SetLevelLines(std::move(lines));
  }
}

bool ChartArea::eventFilter(QObject* watched, QEvent* event) {
  auto* pane = qobject_cast<chart::RecordingPlot*>(watched);
  if (pane == nullptr) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      setFocus(Qt::MouseFocusReason);
      press_ = e->position().toPoint();
      press_pane_ = pane;
      panned_ = 0;
      press_b_ = e->button() == Qt::RightButton || e->modifiers().testFlag(Qt::ControlModifier);
      const bool band =
          e->button() == Qt::RightButton || e->modifiers().testFlag(Qt::ShiftModifier);
      drag_ = band ? Drag::Band : Drag::Click;
      if (compared_ && e->modifiers().testFlag(Qt::AltModifier)) drag_ = Drag::Nudge;
      if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) drag_ = Drag::None;
      return true;
    }
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint at = e->position().toPoint();
      pointer_time_ = pane->TimeAtX(at.x());
      if (drag_ == Drag::None || press_pane_ != pane) return false;
      const int dx = at.x() - press_.x();
      if (drag_ == Drag::Click && std::abs(dx) >= kDragThreshold) drag_ = Drag::Pan;
      if (drag_ == Drag::Nudge) {
        // The compared traces follow the pointer.
        const std::int64_t moved = pane->TimeAtX(at.x()) - pane->TimeAtX(press_.x());
        emit nudgeBy(moved - panned_);
        panned_ = moved;
      } else if (drag_ == Drag::Pan) {
        // The point under the press stays under the pointer.
        const std::int64_t moved = pane->TimeAtX(press_.x()) - pane->TimeAtX(at.x());
        emit panBy(moved - panned_);
        panned_ = moved;
      } else if (drag_ == Drag::Band && std::abs(dx) >= kDragThreshold) {
        const QPoint a = pane->mapTo(this, QPoint(std::min(press_.x(), at.x()), 0));
        band_->setGeometry(a.x(), 0, std::abs(dx), height());
        band_->show();
      }
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      const Drag drag = drag_;
      drag_ = Drag::None;
      band_->hide();
      if (press_pane_ != pane) return true;
      const int x = e->position().toPoint().x();
      if (drag == Drag::Band && std::abs(x - press_.x()) >= kDragThreshold) {
        emit showSpan(pane->TimeAtX(press_.x()), pane->TimeAtX(x));
      } else if (drag == Drag::Click || drag == Drag::Band) {
        emit cursorPlaced(press_b_, pane->TimeAtX(x));
      }
      return true;
    }
    case QEvent::Wheel: {
      auto* e = static_cast<QWheelEvent*>(event);
      const double steps = e->angleDelta().y() / 120.0;
      if (steps == 0.0) return true;
      if (e->modifiers().testFlag(Qt::ShiftModifier)) {
        emit panBy(static_cast<std::int64_t>(-steps * 0.1 * static_cast<double>(end_ - start_)));
      } else {
        emit zoomAround(pane->TimeAtX(e->position().x()), std::pow(kWheelZoom, steps));
      }
      return true;
    }
    case QEvent::Leave:
      pointer_time_.reset();
      return false;
    default:
      return false;
  }
}

}  // namespace review
