#include "widgets/linear_gauge.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include "widgets/linear_gauge_parts.h"

// The gauge's drawing.
namespace widgets {

using namespace gauge_parts;

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
                 PointerText(PointerValue(slot), Decimals(slot)));
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
