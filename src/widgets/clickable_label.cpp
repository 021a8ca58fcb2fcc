#include "widgets/clickable_label.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

#include "widgets/contrast.h"
#include "widgets/widget_accessibility.h"

namespace widgets {

namespace {

// Room around the text for its backdrop, in pixels.
constexpr int kBackdropPad = 3;

}  // namespace

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  InstallWidgetAccessibility();
  setMouseTracking(true);  // movement without a button pressed is what lights the label
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void ClickableLabel::SetSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  if (readable_states_) update();  // the marker
  if (selectable_ && QAccessible::isActive()) {
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  }
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool was_pressed = pressed_;
  pressed_ = false;
  event->accept();
  if (event->button() == Qt::LeftButton && was_pressed &&
      rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

void ClickableLabel::mouseMoveEvent(QMouseEvent* event) {
  event->accept();  // the panel underneath must not see it, or it would undo the highlight
  emit mouseMoved();
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!event->isAutoRepeat()) emit clicked();
      event->accept();
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

const ClickableLabel::Hints& ClickableLabel::HintsOfText() const {
  const QString shown = text();
  for (const Hints& h : hints_) {
    if (h.text == shown) return h;
  }
  hints_.push_back({shown, QLabel::sizeHint(), QLabel::minimumSizeHint()});
  return hints_.back();
}

QSize ClickableLabel::sizeHint() const {
  return few_texts_ ? HintsOfText().size : QLabel::sizeHint();
}

QSize ClickableLabel::minimumSizeHint() const {
  return few_texts_ ? HintsOfText().minimum : QLabel::minimumSizeHint();
}

void ClickableLabel::SetReadableStates(std::vector<QRgb> chosen_colours) {
  readable_states_ = true;
  chosen_colours_ = std::move(chosen_colours);
  KeepRoomForStates();
}

void ClickableLabel::KeepRoomForStates() {
  // The marker is a triangle half a line high, in front of the backdrop.
  const int marker = fontMetrics().height() / 2;
  setContentsMargins(marker + 2 * kBackdropPad, 1, kBackdropPad, 1);
}

bool ClickableLabel::Marked() const {
  if (!readable_states_) return false;
  // An item of a list to pick from is chosen while selected; another label by its colour.
  if (selectable_) return selected_;
  const QRgb colour = palette().color(QPalette::WindowText).rgb();
  return std::find(chosen_colours_.begin(), chosen_colours_.end(), colour) != chosen_colours_.end();
}

QRgb ClickableLabel::Background() const {
  // The label itself is transparent: what shows through is the nearest ancestor that paints.
  for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
    if (w->autoFillBackground() || w->isWindow())
      return w->palette().color(w->backgroundRole()).rgb();
  }
  return palette().color(backgroundRole()).rgb();
}

QRgb ClickableLabel::ColourBehindText() const {
  const QRgb behind = Background();
  if (!readable_states_) return behind;
  return ReadableBackdrop(palette().color(QPalette::WindowText).rgb(), behind);
}

QRect ClickableLabel::TextRect() const {
  const QRect inside = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  return style()->itemTextRect(fontMetrics(), inside, static_cast<int>(alignment()), isEnabled(),
                               text());
}

bool ClickableLabel::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::FontChange:
      if (readable_states_) KeepRoomForStates();
      hints_.clear();
      break;
    case QEvent::StyleChange:
    case QEvent::ContentsRectChange:
    case QEvent::LayoutDirectionChange:
      hints_.clear();
      break;
    default:
      break;
  }
  return QLabel::event(event);
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
  if (readable_states_) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRect text = TextRect();
    const QRgb behind = Background();
    const QRgb backdrop = ColourBehindText();
    if (backdrop != behind) {
      p.setBrush(QColor(backdrop));
      p.drawRoundedRect(QRectF(text.adjusted(-kBackdropPad, 0, kBackdropPad, 0)), 3, 3);
    }
    if (Marked()) {
      // Black or white, whichever stands out from the background.
      const QRgb black = qRgb(0, 0, 0);
      const QRgb white = qRgb(255, 255, 255);
      p.setBrush(
          QColor(ContrastRatio(black, behind) >= ContrastRatio(white, behind) ? black : white));
      const qreal size = fontMetrics().height() / 2.0;
      const qreal right = text.left() - 2.0 * kBackdropPad + 1;
      const qreal middle = text.center().y() + 0.5;
      const QPointF tip[] = {{right, middle},
                             {right - size, middle - size / 2 - 1},
                             {right - size, middle + size / 2 + 1}};
      p.drawPolygon(tip, 3);
    }
  }
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.backgroundColor = palette().color(QPalette::Window);
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

}  // namespace widgets
