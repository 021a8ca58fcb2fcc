#pragma once

#include <QApplication>
#include <QString>

namespace boxes {
class MessageBoxes;
}

namespace app {

// The application object. A bus failure (or any other error) in an event handler of a window is
// not handled there: the handler's edge (boxes::AtEdge) hands it to ReportFatal, which shows one
// critical message box with the error's description and ends the event loop with a non-zero
// status.
class KelvranApplication : public QApplication {
  Q_OBJECT

 public:
  static constexpr int kFatalExitStatus = 1;

  KelvranApplication(int& argc, char** argv);
  ~KelvranApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // Where the report goes; without one, a QMessageBox. Tests answer it with scripted boxes.
  void SetMessageBoxes(boxes::MessageBoxes* boxes) { boxes_ = boxes; }

  // 0 until an error has been reported, then kFatalExitStatus; main() returns it even when the
  // error happened outside the event loop, where exit() has no effect.
  int FatalStatus() const { return fatal_status_; }

  // Shows the report (once per run) and asks the event loops to end. Public so that main() can
  // report an error raised before the event loop runs the same way.
  void ReportFatal(const QString& description);

 private:
  boxes::MessageBoxes* boxes_ = nullptr;
  int fatal_status_ = 0;
};

}  // namespace app
