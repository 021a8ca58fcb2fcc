#include "widgets/labels.h"

#include <QFont>
#include <QLabel>

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

}  // namespace widgets
