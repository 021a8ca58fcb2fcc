#pragma once

#include <QColor>
#include <QLabel>
#include <QPalette>

namespace editor {

// The four colours a register label takes; the colour is the label's selection state.
inline constexpr QRgb kLabelNormal = qRgb(0, 0, 0);             // black
inline constexpr QRgb kLabelHover = qRgb(0, 255, 0);            // bright green, under the mouse
inline constexpr QRgb kLabelSelected = qRgb(0, 128, 0);         // dark green
inline constexpr QRgb kLabelSelectedHover = qRgb(255, 255, 0);  // yellow

inline QRgb LabelColour(const QLabel* label) {
  return label->palette().color(QPalette::WindowText).rgb();
}

inline void SetLabelColour(QLabel* label, QRgb colour) {
  if (LabelColour(label) == colour) return;
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, QColor(colour));
  label->setPalette(p);
}

inline void SetLabelBold(QLabel* label, bool bold) {
  if (label->font().bold() == bold) return;
  QFont f = label->font();
  f.setBold(bold);
  label->setFont(f);
}

}  // namespace editor
