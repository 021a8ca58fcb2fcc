#include "widgets/labels.h"

#include <QAccessible>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QVariant>

#include "widgets/clickable_label.h"
#include "widgets/widget_accessibility.h"

namespace widgets {

namespace {
constexpr char kSpokenPrefix[] = "kelvranSpokenPrefix";
}

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
  // Bold marks the selected item of a list of clickable labels: screen readers see it as the
  // label's selected state.
  if (auto* item = qobject_cast<ClickableLabel*>(label); item != nullptr) item->SetSelected(bold);
  if (label->font().bold() == bold) return;
  QFont f = label->font();
  f.setBold(bold);
  label->setFont(f);
}

void SetSpokenPrefix(QLabel* label, const QString& prefix) {
  InstallWidgetAccessibility();
  if (SpokenPrefix(label) == prefix && label->property(kSpokenPrefix).isValid()) return;
  label->setProperty(kSpokenPrefix, prefix);
  if (QAccessible::isActive()) {
    QAccessibleEvent event(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
}

QString SpokenPrefix(const QLabel* label) {
  return label->property(kSpokenPrefix).toString();
}

SpokenLabel::SpokenLabel(const QString& text, const QString& prefix, QWidget* parent)
    : QLabel(text, parent) {
  SetSpokenPrefix(this, prefix);
}

}  // namespace widgets
