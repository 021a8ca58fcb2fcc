#include "widgets/labels.h"

#include <QFont>
#include <QLabel>
#include <QPalette>

namespace widgets {

QLabel* MakePlainLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void SetBoldFont(QWidget* widget, double scale) {
  QFont font = widget->font();
  font.setBold(true);
  if (scale != 1.0) font.setPointSizeF(font.pointSizeF() * scale);
  widget->setFont(font);
}

QRgb LabelColour(const QLabel* label) {
  return label->palette().color(QPalette::WindowText).rgb();
}

void SetLabelColour(QLabel* label, QRgb colour) {
  if (LabelColour(label) == colour) return;
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, QColor(colour));
  label->setPalette(p);
}

void SetLabelBold(QLabel* label, bool bold) {
  if (label->font().bold() == bold) return;
  QFont f = label->font();
  f.setBold(bold);
  label->setFont(f);
}

}  // namespace widgets
