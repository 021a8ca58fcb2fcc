#pragma once

#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QWidget>
#include <algorithm>

#include "widgets/contrast.h"

// How a label's text looks in its window as drawn: the contrast between its text colour and what
// lies just beside its text, and whether something stands out in front of the text (a marker).
struct TextLook {
  double contrast = 0;
  bool marked = false;
};

inline TextLook LookOf(QWidget* window, const QLabel* label) {
  const QImage shot = window->grab().toImage();
  const qreal ratio = shot.devicePixelRatio();
  const auto pixel = [&](const QPoint& p) {
    const QPoint at = label->mapTo(window, p);
    return shot.pixel(static_cast<int>(at.x() * ratio), static_cast<int>(at.y() * ratio));
  };
  const QRect text =
      label->style()->itemTextRect(label->fontMetrics(), label->contentsRect(),
                                   static_cast<int>(label->alignment()), true, label->text());
  const QRgb colour = label->palette().color(QPalette::WindowText).rgb();
  TextLook look;
  look.contrast =
      std::min(widgets::ContrastRatio(colour, pixel(QPoint(text.left() - 2, text.center().y()))),
               widgets::ContrastRatio(colour, pixel(QPoint(text.right() + 2, text.center().y()))));
  // In front of the text, clear of its backdrop and of the label's edge.
  const QRgb background = pixel(QPoint(1, text.center().y()));
  for (int x = 2; x < text.left() - 5; ++x) {
    for (int y = text.top(); y <= text.bottom(); ++y) {
      if (widgets::ContrastRatio(pixel(QPoint(x, y)), background) >= 3.0) look.marked = true;
    }
  }
  return look;
}
