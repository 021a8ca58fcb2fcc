#include "app/kelvran_application.h"

#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <exception>

#include "app/command_line.h"
#include "boxes/handler_edge.h"
#include "boxes/message_boxes.h"
#include "userfiles/recorder.h"

namespace app {

KelvranApplication::KelvranApplication(int& argc, char** argv) : QApplication(argc, argv) {
  boxes::SetFatalReport([this](const QString& description) { ReportFatal(description); });
}

KelvranApplication::~KelvranApplication() {
  boxes::SetFatalReport({});
}

namespace {

// Whether a timer event may still be delivered once the report is decided: only to the report
// itself (and any other dialog it may bring), never to the program's windows and helpers.
bool TimerOfADialog(QObject* receiver) {
  if (!receiver->isWidgetType()) return false;
  return qobject_cast<QDialog*>(static_cast<QWidget*>(receiver)->window()) != nullptr;
}

void StopTimersUnder(QObject* root) {
  for (QTimer* timer : root->findChildren<QTimer*>()) timer->stop();
}

}  // namespace

bool KelvranApplication::notify(QObject* receiver, QEvent* event) {
  // After the report is decided no timer of the program runs: a single-shot or a widget's own
  // timer, which no QTimer object stands for, included.
  if (fatal_status_ != 0 && event->type() == QEvent::Timer && receiver->thread() == thread() &&
      !TimerOfADialog(receiver)) {
    return true;
  }
  // Our handlers stop their errors at their own edge (boxes::AtEdge); this is the last resort
  // for one that does not.
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
  // Recursive from each window and from the application: a recording's timer hangs off a helper
  // object, not a widget. Calls queued for later (a single-shot of no delay) are dropped; timer
  // events still due are refused in notify().
  for (QWidget* window : QApplication::topLevelWidgets()) StopTimersUnder(window);
  StopTimersUnder(this);
  QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall);
  // A failure elsewhere (the display's reads) ends the program too: a recording's rows so far
  // go to disk before the report.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (auto* recorder : window->findChildren<userfiles::Recorder*>()) {
      recorder->FlushBeforeFatalReport();
    }
  }
  const QString title = QString::fromLatin1(kProgramName);
  if (boxes_ != nullptr) {
    boxes_->Show(nullptr, QStringLiteral("fatal_error"), title, description,
                 boxes::MsgIcon::Critical, boxes::MsgButtons::Ok);
  } else {
    boxes::QtMessageBoxes boxes;
    boxes.Show(nullptr, QStringLiteral("fatal_error"), title, description, boxes::MsgIcon::Critical,
               boxes::MsgButtons::Ok);
  }
  exit(kFatalExitStatus);
}

}  // namespace app
