#include "app/record_on_show.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include "boxes/handler_edge.h"
#include "display/main_form.h"
#include "menus/menu_features.h"

namespace app {

RecordOnShow::RecordOnShow(const QString& file, int interval_ms, files::ExistingFile existing,
                           QObject* parent)
    : QObject(parent), file_(file), interval_ms_(interval_ms), existing_(existing) {}

void RecordOnShow::Install(QApplication& application, const QString& file, int interval_ms,
                           files::ExistingFile existing) {
  application.installEventFilter(new RecordOnShow(file, interval_ms, existing, &application));
}

bool RecordOnShow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Show) return false;
  auto* form = qobject_cast<display::MainForm*>(watched);
  if (form == nullptr) return false;
  qApp->removeEventFilter(this);
  QPointer<display::MainForm> target(form);
  QTimer::singleShot(0, this, boxes::AtEdge([this, target] {
                       deleteLater();
                       if (target)
                         target->menu_features().StartRecording(file_, interval_ms_, existing_);
                     }));
  return false;
}

}  // namespace app
