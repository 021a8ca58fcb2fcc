#pragma once

#include <QObject>
#include <QString>

#include "files/recording_file.h"

class QApplication;

namespace app {

// --record: starts a recording when the main window first shows (the wizard's Finish), in a
// handler of its own right after, so the window is up before the first row is read.
class RecordOnShow : public QObject {
  Q_OBJECT

 public:
  static void Install(QApplication& application, const QString& file, int interval_ms,
                      files::ExistingFile existing);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  RecordOnShow(const QString& file, int interval_ms, files::ExistingFile existing, QObject* parent);

  QString file_;
  int interval_ms_;
  files::ExistingFile existing_;
};

}  // namespace app
