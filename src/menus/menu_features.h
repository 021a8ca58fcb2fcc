#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "alarms/alarm_notifier.h"
#include "boxes/feature_context.h"
#include "userfiles/recorder.h"

class QAction;
class QMainWindow;
class QMenu;

namespace chart {
class StripChart;
}
namespace chip {
class ReadingHistory;
}

namespace menus {

class StatusReport;

// What the menu needs from the window it sits on.
struct WindowHooks {
  std::function<void()> help_contents;  // what F1 does
  std::function<void()> about;          // what the Main tab's "About" does
  std::function<chart::StripChart&()> chart;
  userfiles::Recorder::StatusReadElsewhere
      status_read_elsewhere;                                    // the display reads INT Status now
  std::function<const chip::ReadingHistory&()> chart_readings;  // what the chart plots, as read
};

// The main window's menu bar (File: recording, snapshots, chart export, notifications, Quit;
// Help: Contents, About) and the features behind it. It sits above the window's own controls and
// changes none of them: until one of its items is used, nothing of it touches the chip.
class MenuFeatures : public QObject {
  Q_OBJECT

 public:
  MenuFeatures(QMainWindow& window, devaccess::Declarations& d, boxes::MessageBoxes& boxes,
               std::string version, WindowHooks hooks);
  ~MenuFeatures() override;

  // Tests answer the file dialogs through their own (not owned; must outlive this).
  void SetDialogs(boxes::FeatureDialogs& dialogs);

  // "Start Recording…" / "Stop Recording".
  void ToggleRecording();
  // Starts a recording without asking (the command line's --record, with its --overwrite or
  // --append); false when the file cannot be written or holds data to keep (a box has said why).
  bool StartRecording(const QString& file, int interval_ms,
                      files::ExistingFile existing = files::ExistingFile::Refuse);
  userfiles::Recorder& recorder() { return *recorder_; }
  alarms::AlarmNotifier& notifier() { return *notifier_; }

  void SaveSnapshot();
  void RestoreSnapshot();
  void ExportChart();
  // "Open Recording…": a review window for a recording, beside this one.
  void OpenRecording();

  // The window's status bar, which says what these features did.
  StatusReport& status() { return *status_; }

 signals:
  // Registers were written behind the window's back (a snapshot restored): what a tab shows
  // may be out of date.
  void chipChanged();

 private:
  QAction* AddAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& keys);
  void ShowRecordingState();
  void AddNotifyAction(QMenu* file);

  QMainWindow& window_;
  StatusReport* status_;
  std::unique_ptr<boxes::FeatureDialogs> own_dialogs_;
  boxes::FeatureContext context_;
  WindowHooks hooks_;
  userfiles::Recorder* recorder_;
  alarms::AlarmNotifier* notifier_;
  QAction* record_action_;
};

}  // namespace menus
