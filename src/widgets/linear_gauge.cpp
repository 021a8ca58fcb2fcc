#include "widgets/linear_gauge.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "widgets/widget_accessibility.h"

namespace widgets {

namespace {

// Geometry, top to bottom: caption, high value, high handle, track, low handle, low value. The
// scale's ends are written left and right of the track, beside it: the limits' values above and
// below the track never share a place with them, however close to an end a limit sits.
constexpr int kSideMargin = 14;  // a handle at the scale's end stays inside the widget
constexpr int kScaleGap = 4;     // between a scale end's number and the handle there
constexpr int kHandleHalf = 7;   // handle width 2 * kHandleHalf + 1
constexpr int kHandleHeight = 12;
constexpr int kTrackHeight = 18;
constexpr int kBandGrab = 4;  // pixels either side of a band end that grab it
constexpr int kGap = 1;

const QColor kLowColor(30, 90, 200);
const QColor kHighColor(200, 40, 40);
const QColor kBandColor(80, 190, 80);
const QColor kReadingColor(20, 20, 20);

// A display cycle changes the reading up to a thousand times a second, and every notice crosses
// the accessibility bus: tools hear of it ten times a second, the latest value always last.
constexpr int kToolNoticeMs = 100;

}  // namespace

LinearGauge::LinearGauge(QWidget* parent) : QWidget(parent) {
  InstallWidgetAccessibility();
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // The gauge draws what lies behind it itself (backdrop_): a new reading repaints the gauge's
  // strip alone, not the tab page under it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (Slot& s : slots_) s.band_end = scale_max_;
  KeepRoomForScale();
}

// --- Properties ---

double LinearGauge::Clamp(double value) const {
  // While a caller sets the ends one at a time the scale may be upside down for a moment;
  // nothing is clamped then.
  if (!(scale_min_ <= scale_max_)) return value;
  return std::clamp(value, scale_min_, scale_max_);
}

double LinearGauge::RoundToStep(int slot, double value) const {
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (s.step > 0.0) return std::round(value / s.step) * s.step;
  // Dividing by a power of ten gives the double nearest the decimal value, which multiplying
  // by its inverse does not.
  const double scale = std::pow(10.0, s.decimals);
  return std::round(value * scale) / scale;
}

bool LinearGauge::Operable(int slot) const {
  if (!ValidSlot(slot) || !isEnabled()) return false;
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  return s.visible && s.draggable;
}

void LinearGauge::SetPointerValue(int slot, double value) {
  if (!ValidSlot(slot) || !std::isfinite(value)) return;
  slots_[static_cast<std::size_t>(slot)].value = Clamp(value);
  NotifyAccessibleValue(slot);
  update();
}

double LinearGauge::PointerValue(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].value : 0.0;
}

void LinearGauge::SetBandStart(int slot, double value) {
  if (!ValidSlot(slot) || !std::isfinite(value)) return;
  slots_[static_cast<std::size_t>(slot)].band_start = Clamp(value);
  update();
}

void LinearGauge::SetBandEnd(int slot, double value) {
  if (!ValidSlot(slot) || !std::isfinite(value)) return;
  slots_[static_cast<std::size_t>(slot)].band_end = Clamp(value);
  update();
}

double LinearGauge::BandStart(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].band_start : 0.0;
}

double LinearGauge::BandEnd(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].band_end : 0.0;
}

void LinearGauge::SetDecimals(int slot, int decimals) {
  if (!ValidSlot(slot)) return;
  slots_[static_cast<std::size_t>(slot)].decimals = std::clamp(decimals, 0, 6);
  update();
}

int LinearGauge::Decimals(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].decimals : 0;
}

void LinearGauge::SetStep(int slot, double step) {
  if (!ValidSlot(slot) || !std::isfinite(step)) return;
  slots_[static_cast<std::size_t>(slot)].step = std::max(0.0, step);
}

double LinearGauge::Step(int slot) const {
  if (!ValidSlot(slot)) return 0.0;
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  return s.step > 0.0 ? s.step : std::pow(10.0, -s.decimals);
}

void LinearGauge::SetDraggable(int slot, bool draggable) {
  if (!ValidSlot(slot)) return;
  slots_[static_cast<std::size_t>(slot)].draggable = draggable;
  if (grab_slot_ == slot && !draggable) grab_ = Grab::None;
  update();
}

bool LinearGauge::Draggable(int slot) const {
  return ValidSlot(slot) && slots_[static_cast<std::size_t>(slot)].draggable;
}

void LinearGauge::SetSlotVisible(int slot, bool visible) {
  if (!ValidSlot(slot)) return;
  slots_[static_cast<std::size_t>(slot)].visible = visible;
  if (grab_slot_ == slot && !visible) grab_ = Grab::None;
  update();
}

bool LinearGauge::SlotVisible(int slot) const {
  return ValidSlot(slot) && slots_[static_cast<std::size_t>(slot)].visible;
}

void LinearGauge::SetScaleMin(double value) {
  if (!std::isfinite(value)) return;
  const bool changed = value != scale_min_;
  scale_min_ = value;
  if (changed) KeepRoomForScale();
  KeepSlotsOnScale();
}

void LinearGauge::SetScaleMax(double value) {
  if (!std::isfinite(value)) return;
  const bool changed = value != scale_max_;
  scale_max_ = value;
  if (changed) KeepRoomForScale();
  KeepSlotsOnScale();
}

void LinearGauge::KeepSlotsOnScale() {
  for (Slot& s : slots_) {
    s.value = Clamp(s.value);
    s.band_start = Clamp(s.band_start);
    s.band_end = Clamp(s.band_end);
  }
  update();
}

void LinearGauge::SetReading(double value) {
  if (!std::isfinite(value) || value == reading_) return;
  reading_ = value;
  NoticeReadingChange(false);
  MarkStrip(reading_marked_, &LinearGauge::TrackRect);
}

void LinearGauge::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  NoticeReadingChange(true);
  MarkStrip(caption_marked_, &LinearGauge::CaptionRect);
}

void LinearGauge::MarkStrip(bool& marked, QRect (LinearGauge::*strip)() const) {
  if (marked) return;
  marked = true;
  update((this->*strip)());
}

void LinearGauge::NoticeReadingChange(bool caption) {
  if (!QAccessible::isActive()) return;
  (caption ? caption_noticed_ : reading_noticed_) = true;
  if (notice_timer_ == nullptr) {
    notice_timer_ = new QTimer(this);
    notice_timer_->setSingleShot(true);
    notice_timer_->setInterval(kToolNoticeMs);
    connect(notice_timer_, &QTimer::timeout, this, &LinearGauge::SendReadingNotices);
  }
  // The first change is told at once; the ones that follow wait for the interval to pass.
  if (!notice_timer_->isActive()) SendReadingNotices();
}

void LinearGauge::SendReadingNotices() {
  if (!reading_noticed_ && !caption_noticed_) return;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this);
  if (iface != nullptr && reading_noticed_) {
    if (QAccessibleInterface* child = iface->child(0)) {
      QAccessibleValueChangeEvent event(child, reading_);
      QAccessible::updateAccessibility(&event);
    }
  }
  if (iface != nullptr && caption_noticed_) {
    if (QAccessibleInterface* child = iface->child(3)) {
      QAccessibleEvent event(child, QAccessible::NameChanged);
      QAccessible::updateAccessibility(&event);
    }
  }
  reading_noticed_ = false;
  caption_noticed_ = false;
  notice_timer_->start();
}

void LinearGauge::SetSelectedPointer(int slot) {
  if (slot != kLowPointer && slot != kHighPointer) return;
  selected_ = slot;
  update();
}

void LinearGauge::NotifyAccessibleValue(int slot) {
  if (!QAccessible::isActive() || (slot != kLowPointer && slot != kHighPointer)) return;
  if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this)) {
    if (QAccessibleInterface* child = iface->child(slot == kLowPointer ? 1 : 2)) {
      QAccessibleValueChangeEvent event(child, PointerValue(slot));
      QAccessible::updateAccessibility(&event);
    }
  }
}

// --- Geometry ---

namespace {
struct Rows {
  int caption_top, high_text_top, high_handle_top, track_top, low_handle_top, low_text_top, bottom;
};

QString ScaleText(double value) {
  return QString::number(value, 'g', 6);
}
Rows LayoutRows(int text_height) {
  Rows r{};
  r.caption_top = 2;
  r.high_text_top = r.caption_top + text_height + kGap;
  r.high_handle_top = r.high_text_top + text_height;
  r.track_top = r.high_handle_top + kHandleHeight;
  r.low_handle_top = r.track_top + kTrackHeight;
  r.low_text_top = r.low_handle_top + kHandleHeight;
  r.bottom = r.low_text_top + text_height + 2;
  return r;
}
}  // namespace

const QStaticText& LinearGauge::CaptionText() {
  if (font() != kept_captions_font_) {
    kept_captions_.fill(QStaticText());
    kept_captions_font_ = font();
  }
  for (const QStaticText& kept : kept_captions_) {
    if (kept.text() == caption_) return kept;
  }
  QStaticText& text = kept_captions_[next_kept_caption_];
  next_kept_caption_ = (next_kept_caption_ + 1) % kKeptCaptions;
  text = QStaticText(caption_);
  text.setTextFormat(Qt::PlainText);
  text.prepare(QTransform(), font());
  return text;
}

QRect LinearGauge::CaptionRect() const {
  const int height = fontMetrics().height();
  return QRect(0, LayoutRows(height).caption_top, width(), height);
}

void LinearGauge::KeepRoomForScale() {
  // Worked out when the scale or the font changes, not on every reading.
  const QFontMetrics fm = fontMetrics();
  scale_room_left_ = std::max(
      kSideMargin, fm.horizontalAdvance(ScaleText(scale_min_)) + kScaleGap + kHandleHalf + 1);
  scale_room_right_ = std::max(
      kSideMargin, fm.horizontalAdvance(ScaleText(scale_max_)) + kScaleGap + kHandleHalf + 1);
  backdrop_.Invalidate();
  updateGeometry();
  update();
}

QRect LinearGauge::TrackRect() const {
  const Rows r = LayoutRows(fontMetrics().height());
  return QRect(scale_room_left_, r.track_top,
               std::max(1, width() - scale_room_left_ - scale_room_right_), kTrackHeight);
}

QRect LinearGauge::ScaleTextRect(bool high_end) const {
  const QRect track = TrackRect();
  const QFontMetrics fm = fontMetrics();
  const int w = fm.horizontalAdvance(ScaleText(high_end ? scale_max_ : scale_min_));
  const int top = track.center().y() - fm.height() / 2;
  const int left = high_end ? track.right() + kHandleHalf + 1 + kScaleGap
                            : track.left() - kHandleHalf - kScaleGap - w;
  return QRect(left, top, w, fm.height());
}

QRect LinearGauge::PointerTextRect(int slot) const {
  const QRect h = HandleRect(slot);
  if (h.isEmpty()) return QRect();
  const QFontMetrics fm = fontMetrics();
  const Rows rows = LayoutRows(fm.height());
  const int w = fm.horizontalAdvance(QString::number(PointerValue(slot), 'f', Decimals(slot)));
  // Centred on the handle, but between the scale's ends.
  const QRect track = TrackRect();
  const int lowest = track.left() - kHandleHalf;
  const int highest = std::max(lowest, track.right() + kHandleHalf + 1 - w);
  const int left = std::clamp(h.center().x() - w / 2, lowest, highest);
  return QRect(left, slot == kLowPointer ? rows.low_text_top : rows.high_text_top, w, fm.height());
}

std::vector<std::pair<QString, QRect>> LinearGauge::Texts() const {
  std::vector<std::pair<QString, QRect>> texts;
  if (!caption_.isEmpty()) {
    const QRect strip = CaptionRect();
    const int w = std::min(strip.width(), fontMetrics().horizontalAdvance(caption_));
    texts.emplace_back(
        caption_, QRect(strip.left() + (strip.width() - w) / 2, strip.top(), w, strip.height()));
  }
  for (const int slot : {kHighPointer, kLowPointer}) {
    if (!SlotVisible(slot)) continue;
    texts.emplace_back(QString::number(PointerValue(slot), 'f', Decimals(slot)),
                       PointerTextRect(slot));
  }
  texts.emplace_back(ScaleText(scale_min_), ScaleTextRect(false));
  texts.emplace_back(ScaleText(scale_max_), ScaleTextRect(true));
  return texts;
}

int LinearGauge::PositionOf(double value) const {
  const QRect track = TrackRect();
  if (!(scale_max_ > scale_min_)) return track.left();
  const double f = std::clamp((value - scale_min_) / (scale_max_ - scale_min_), 0.0, 1.0);
  return track.left() + static_cast<int>(std::lround(f * (track.width() - 1)));
}

double LinearGauge::ValueAt(double x) const {
  const QRect track = TrackRect();
  if (!(scale_max_ > scale_min_) || track.width() <= 1) return scale_min_;
  const double f = (x - track.left()) / (track.width() - 1);
  return scale_min_ + f * (scale_max_ - scale_min_);
}

QRect LinearGauge::HandleRect(int slot) const {
  if ((slot != kLowPointer && slot != kHighPointer) || !SlotVisible(slot)) return QRect();
  const Rows r = LayoutRows(fontMetrics().height());
  const int x = PositionOf(PointerValue(slot));
  const int top = slot == kHighPointer ? r.high_handle_top : r.low_handle_top;
  return QRect(x - kHandleHalf, top, 2 * kHandleHalf + 1, kHandleHeight);
}

QRect LinearGauge::BandRect(int slot) const {
  const QRect track = TrackRect();
  const int x0 = PositionOf(std::min(BandStart(slot), BandEnd(slot)));
  const int x1 = PositionOf(std::max(BandStart(slot), BandEnd(slot)));
  const int half = track.height() / 2;
  // Band 0 on the upper half of the track, band 1 on the lower half.
  return QRect(x0, slot == kBand0 ? track.top() : track.top() + half, x1 - x0 + 1,
               slot == kBand0 ? half : track.height() - half);
}

bool LinearGauge::HitBand(const QPoint& p, int& slot, Grab& grab) const {
  for (const int b : {kBand0, kBand1}) {
    if (!Operable(b)) continue;
    const QRect band = BandRect(b);
    if (p.y() < band.top() || p.y() > band.bottom()) continue;
    const int start = PositionOf(BandStart(b));
    const int end = PositionOf(BandEnd(b));
    const int to_start = std::abs(p.x() - start);
    const int to_end = std::abs(p.x() - end);
    if (std::min(to_start, to_end) > kBandGrab) continue;
    slot = b;
    grab = to_end <= to_start ? Grab::BandEnd : Grab::BandStart;
    return true;
  }
  return false;
}

QSize LinearGauge::sizeHint() const {
  return QSize(320, LayoutRows(fontMetrics().height()).bottom);
}

QSize LinearGauge::minimumSizeHint() const {
  return QSize(scale_room_left_ + scale_room_right_ + 60,
               LayoutRows(fontMetrics().height()).bottom);
}

// --- The user's changes ---

bool LinearGauge::UserSetPointer(int slot, double value) {
  if ((slot != kLowPointer && slot != kHighPointer) || !Operable(slot) || !std::isfinite(value)) {
    return false;
  }
  AnnounceUserValue(slot, Clamp(RoundToStep(slot, value)));
  return true;
}

void LinearGauge::AnnounceUserValue(int slot, double value) {
  if (value == PointerValue(slot)) return;
  SetPointerValue(slot, value);
  current_ = slot;
  emit pointerMoved(slot, PointerValue(slot));
  current_ = slot;
  emit valueChanged(slot, PointerValue(slot));
}

void LinearGauge::MoveGrabbed(double raw) {
  const std::size_t i = static_cast<std::size_t>(grab_slot_);
  double now = 0.0;
  double v = 0.0;
  switch (grab_) {
    case Grab::None:
      return;
    case Grab::Pointer:
      now = slots_[i].value;
      v = Clamp(RoundToStep(grab_slot_, raw));
      if (v == now) return;
      SetPointerValue(grab_slot_, v);
      v = PointerValue(grab_slot_);
      break;
    case Grab::BandStart:
      // A band end moves in the steps of the pointer at the same end and never passes the other.
      now = slots_[i].band_start;
      v = std::min(Clamp(RoundToStep(kLowPointer, raw)), slots_[i].band_end);
      if (v == now) return;
      SetBandStart(grab_slot_, v);
      break;
    case Grab::BandEnd:
      now = slots_[i].band_end;
      v = std::max(Clamp(RoundToStep(kHighPointer, raw)), slots_[i].band_start);
      if (v == now) return;
      SetBandEnd(grab_slot_, v);
      break;
  }
  grab_moved_ = true;
  current_ = grab_slot_;
  emit pointerMoved(grab_slot_, v);
}

void LinearGauge::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  const QPoint p = event->position().toPoint();
  grab_ = Grab::None;
  for (const int slot : {kHighPointer, kLowPointer}) {
    if (Operable(slot) && HandleRect(slot).contains(p)) {
      grab_slot_ = slot;
      grab_ = Grab::Pointer;
      grab_offset_ = event->position().x() - PositionOf(PointerValue(slot));
      selected_ = slot;
      break;
    }
  }
  int band = 0;
  Grab which = Grab::None;
  if (grab_ == Grab::None && HitBand(p, band, which)) {
    grab_slot_ = band;
    grab_ = which;
    const double at = which == Grab::BandStart ? BandStart(band) : BandEnd(band);
    grab_offset_ = event->position().x() - PositionOf(at);
  }
  grab_moved_ = false;
  grab_last_x_ = p.x();
  if (grab_ != Grab::None) {
    setFocus(Qt::MouseFocusReason);
    update();
  }
  event->accept();
}

void LinearGauge::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved();
  const int x = event->position().toPoint().x();
  if (grab_ != Grab::None && (event->buttons() & Qt::LeftButton) && x != grab_last_x_) {
    grab_last_x_ = x;
    MoveGrabbed(ValueAt(event->position().x() - grab_offset_));
  }
  event->accept();
}

void LinearGauge::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || grab_ == Grab::None) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  if (event->position().toPoint().x() != grab_last_x_) {
    MoveGrabbed(ValueAt(event->position().x() - grab_offset_));
  }
  const Grab grab = grab_;
  const int slot = grab_slot_;
  const bool moved = grab_moved_;
  grab_ = Grab::None;
  grab_slot_ = -1;
  grab_moved_ = false;
  if (moved) {
    double v = PointerValue(slot);
    if (grab == Grab::BandStart) v = BandStart(slot);
    if (grab == Grab::BandEnd) v = BandEnd(slot);
    current_ = slot;
    emit valueChanged(slot, v);
  }
  event->accept();
}

void LinearGauge::keyPressEvent(QKeyEvent* event) {
  if (!Operable(selected_)) {
    const int other = selected_ == kLowPointer ? kHighPointer : kLowPointer;
    if (!Operable(other)) {
      QWidget::keyPressEvent(event);
      return;
    }
    selected_ = other;
  }
  const double v = PointerValue(selected_);
  int steps = 0;
  switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up:
      steps = 1;
      break;
    case Qt::Key_Left:
    case Qt::Key_Down:
      steps = -1;
      break;
    case Qt::Key_PageUp:
      steps = kPageSteps;
      break;
    case Qt::Key_PageDown:
      steps = -kPageSteps;
      break;
    case Qt::Key_Home:
      UserSetPointer(selected_, scale_min_);
      event->accept();
      return;
    case Qt::Key_End:
      UserSetPointer(selected_, scale_max_);
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (key_stepper_) {
    const double target = key_stepper_(selected_, v, steps);
    if (std::isfinite(target)) AnnounceUserValue(selected_, Clamp(target));
  } else {
    UserSetPointer(selected_, v + steps * Step(selected_));
  }
  event->accept();
}

bool LinearGauge::focusNextPrevChild(bool next) {
  // Tab walks from the low to the high pointer before it leaves the gauge, Shift+Tab back.
  if (hasFocus()) {
    if (next && selected_ == kLowPointer && Operable(kHighPointer)) {
      SetSelectedPointer(kHighPointer);
      return true;
    }
    if (!next && selected_ == kHighPointer && Operable(kLowPointer)) {
      SetSelectedPointer(kLowPointer);
      return true;
    }
  }
  return QWidget::focusNextPrevChild(next);
}

void LinearGauge::focusInEvent(QFocusEvent* event) {
  if (event->reason() == Qt::TabFocusReason) {
    selected_ = Operable(kLowPointer) ? kLowPointer : kHighPointer;
  } else if (event->reason() == Qt::BacktabFocusReason) {
    selected_ = Operable(kHighPointer) ? kHighPointer : kLowPointer;
  }
  update();
  QWidget::focusInEvent(event);
}

void LinearGauge::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
    backdrop_.Invalidate();
    update();
  }
  if (event->type() == QEvent::FontChange) KeepRoomForScale();
  QWidget::changeEvent(event);
}

void LinearGauge::moveEvent(QMoveEvent* event) {
  // Qt carries an opaque widget's pixels along when it moves; what lies behind it may differ.
  update();
  QWidget::moveEvent(event);
}

void LinearGauge::focusOutEvent(QFocusEvent* event) {
  update();
  QWidget::focusOutEvent(event);
}

// --- Drawing ---

void LinearGauge::paintEvent(QPaintEvent* event) {
  reading_marked_ = false;
  caption_marked_ = false;
  const QPixmap& backdrop = backdrop_.Of(*this);  // before this paint's painter begins
  QPainter p(this);
  const QFontMetrics fm = fontMetrics();
  const Rows rows = LayoutRows(fm.height());
  const QRect track = TrackRect();
  const QPalette& pal = palette();
  // Most paints are of the track or the caption alone: text outside them is not laid out.
  const QRegion& dirty = event->region();
  const qreal ratio = backdrop.devicePixelRatio();
  for (const QRect& r : dirty) {
    p.drawPixmap(r, backdrop, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
  }
  const auto row_dirty = [&](int top) {
    return dirty.intersects(QRect(0, top, width(), fm.height()));
  };

  p.setPen(pal.color(QPalette::WindowText));
  if (row_dirty(rows.caption_top) && !caption_.isEmpty()) {
    // Centred at the top of its strip, and cut at the strip's ends when it is wider.
    const QRect strip = CaptionRect();
    const QStaticText& text = CaptionText();
    const double left = strip.left() + (strip.width() - text.size().width()) / 2;
    const bool wide = text.size().width() > strip.width();
    if (wide) {
      p.save();
      p.setClipRect(strip, Qt::IntersectClip);
    }
    p.drawStaticText(QPointF(left, strip.top()), text);
    if (wide) p.restore();
  }

  // Track with its scale ticks.
  p.setPen(pal.color(QPalette::Mid));
  p.setBrush(pal.color(QPalette::Base));
  p.drawRect(track.adjusted(0, 0, -1, -1));
  for (int k = 0; k <= 10; ++k) {
    const int x = track.left() + (track.width() - 1) * k / 10;
    const int len = k % 5 == 0 ? 5 : 3;
    p.drawLine(x, track.bottom() - len, x, track.bottom());
  }

  for (const int b : {kBand0, kBand1}) {
    if (!SlotVisible(b)) continue;
    const QRect band = BandRect(b).adjusted(0, 1, 0, -1);
    p.fillRect(band, b == kBand0 ? kBandColor : kBandColor.darker(115));
  }

  // The reading: a bar from the scale minimum.
  if (scale_max_ > scale_min_) {
    const int x = PositionOf(reading_);
    const QRect bar(track.left(), track.center().y() - 2, x - track.left() + 1, 5);
    p.fillRect(bar, kReadingColor);
  }

  // Scale ends, beside the track.
  p.setPen(pal.color(QPalette::WindowText));
  for (const bool high_end : {false, true}) {
    const QRect r = ScaleTextRect(high_end);
    if (dirty.intersects(r)) {
      p.drawText(r, Qt::AlignCenter, ScaleText(high_end ? scale_max_ : scale_min_));
    }
  }

  p.setRenderHint(QPainter::Antialiasing, true);
  for (const int slot : {kLowPointer, kHighPointer}) {
    if (!SlotVisible(slot)) continue;
    const QRect h = HandleRect(slot);
    const bool up = slot == kLowPointer;  // the low handle points up at the track
    QPainterPath path;
    if (up) {
      path.moveTo(h.center().x() + 0.5, h.top());
      path.lineTo(h.right() + 1, h.bottom() + 1);
      path.lineTo(h.left(), h.bottom() + 1);
    } else {
      path.moveTo(h.left(), h.top());
      path.lineTo(h.right() + 1, h.top());
      path.lineTo(h.center().x() + 0.5, h.bottom() + 1);
    }
    path.closeSubpath();
    const QColor c =
        Draggable(slot) && isEnabled() ? (up ? kLowColor : kHighColor) : pal.color(QPalette::Mid);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);

    const int top = up ? rows.low_text_top : rows.high_text_top;
    if (row_dirty(top)) {
      p.setPen(c);
      p.drawText(PointerTextRect(slot), Qt::AlignCenter,
                 QString::number(PointerValue(slot), 'f', Decimals(slot)));
    }

    if (hasFocus() && selected_ == slot) {
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
      p.setBrush(Qt::NoBrush);
      p.drawRect(h.adjusted(-2, -1, 1, 0));
      p.setRenderHint(QPainter::Antialiasing, true);
    }
  }
}

}  // namespace widgets
