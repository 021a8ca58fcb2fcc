#include "app/a11y_ids.h"

#include <QApplication>
#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace app {

namespace {

// What we last wrote, so a description the control sets itself later is told apart from ours.
constexpr char kPublishedProperty[] = "_kelvran_a11y_published";
constexpr char kOwnProperty[] = "_kelvran_a11y_own";

}  // namespace

A11yIdPublisher* A11yIdPublisher::Install(QApplication& app) {
  auto* publisher = new A11yIdPublisher(&app);
  app.installEventFilter(publisher);
  for (QWidget* w : QApplication::allWidgets()) Publish(w);
  return publisher;
}

QString A11yIdPublisher::Describe(const QString& name, const QString& own) {
  QString text = QStringLiteral("id=") + name;
  if (!own.isEmpty()) text += QStringLiteral("; ") + own;
  return text;
}

void A11yIdPublisher::Publish(QWidget* w) {
  const QString name = w->objectName();
  if (name.isEmpty()) return;
  const QString current = w->accessibleDescription();
  const QVariant published = w->property(kPublishedProperty);
  QString own;
  if (published.isValid() && published.toString() == current) {
    own = w->property(kOwnProperty).toString();  // still ours: keep the control's own text
  } else {
    own = current;  // first time, or the control has set a description of its own since
    w->setProperty(kOwnProperty, own);
  }
  if (own.isEmpty()) own = w->toolTip();
  const QString text = Describe(name, own);
  if (text != current) w->setAccessibleDescription(text);
  w->setProperty(kPublishedProperty, text);
}

bool A11yIdPublisher::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Polish:
    case QEvent::Show:
    case QEvent::ToolTipChange:
      if (watched->isWidgetType()) Publish(static_cast<QWidget*>(watched));
      break;
    default:
      break;
  }
  return false;
}

}  // namespace app
