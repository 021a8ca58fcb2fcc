#include "app/kelvran_application.h"

#include <QTimer>
#include <QWidget>
#include <exception>

#include "app/command_line.h"
#include "widgets/before_fatal_report.h"
#include "widgets/message_boxes.h"

namespace app {

KelvranApplication::KelvranApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KelvranApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportFatal(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    ReportFatal(QStringLiteral("An unexpected error stopped the program."));
  }
  return false;
}

void KelvranApplication::ReportFatal(const QString& description) {
  // Timers keep firing while the box is open and may fail the same way: one report is enough.
  if (fatal_status_ != 0) return;
  fatal_status_ = kFatalExitStatus;
  // Nothing may reach the bus once the program has decided to end, and the report's own event
  // loop would run the windows' timers on: a display cycle started just before the failure
  // would read the chip for as long as the report is up.
  // Recursive from each window: a recording's timer hangs off a helper object, not a widget.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (QTimer* timer : window->findChildren<QTimer*>()) timer->stop();
  }
  widgets::RunBeforeFatalReport();
  const QString title = QString::fromLatin1(kProgramName);
  if (boxes_ != nullptr) {
    boxes_->Show(nullptr, QStringLiteral("fatal_error"), title, description,
                 widgets::MsgIcon::Critical, widgets::MsgButtons::Ok);
  } else {
    widgets::QtMessageBoxes boxes;
    boxes.Show(nullptr, QStringLiteral("fatal_error"), title, description,
               widgets::MsgIcon::Critical, widgets::MsgButtons::Ok);
  }
  exit(kFatalExitStatus);
}

}  // namespace app
