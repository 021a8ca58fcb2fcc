#pragma once

#include <QObject>

class QApplication;
class QSocketNotifier;

namespace app {

// SIGTERM (a shutdown), SIGINT (Ctrl-C in the terminal that started the program) and SIGHUP (that
// terminal closed) end the program as closing its windows does, exit status 0, with a recording
// first stopped cleanly: rows flushed and synced, file closed. The signal only writes to a pipe;
// the work is done by the event loop, between handlers.
class EndOnSignals : public QObject {
  Q_OBJECT

 public:
  explicit EndOnSignals(QApplication& application);
  ~EndOnSignals() override;  // the signals' default actions come back

 private:
  void Arrived();

  QSocketNotifier* notifier_;
};

}  // namespace app
