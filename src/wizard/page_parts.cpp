#include "wizard/page_parts.h"

#include <QFrame>
#include <QLabel>

#include "widgets/labels.h"

namespace wizard::page_parts {

void SetTextColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
  QLabel* label = widgets::MakePlainLabel(QString::fromLatin1(name), text, parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

void MakePanel(QFrame* panel, const char* name) {
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::NoFrame);
}

}  // namespace wizard::page_parts
