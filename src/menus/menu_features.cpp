#include "menus/menu_features.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>

#include "boxes/feature_dialogs.h"
#include "boxes/handler_edge.h"
#include "chart/strip_chart.h"
#include "menus/status_report.h"
#include "review/review_window.h"
#include "userfiles/chart_export.h"
#include "userfiles/snapshot_actions.h"

namespace menus {

MenuFeatures::MenuFeatures(QMainWindow& window, devaccess::Declarations& d,
                           boxes::MessageBoxes& boxes, std::string version, WindowHooks hooks)
    : QObject(&window),
      window_(window),
      status_(new StatusReport(&window)),
      own_dialogs_(std::make_unique<boxes::QtFeatureDialogs>()),
      context_{d,
               boxes,
               own_dialogs_.get(),
               &window,
               std::move(version),
               [this](const QString& what) { status_->Say(what); },
               [this] { return recorder_->running() ? recorder_->path() : QString(); }},
      hooks_(std::move(hooks)),
      recorder_(new userfiles::Recorder(context_, hooks_.status_read_elsewhere, this)),
      notifier_(new alarms::AlarmNotifier(context_, hooks_.status_read_elsewhere, this)) {
  setObjectName(QStringLiteral("menu_features"));
  QMenuBar* bar = window.menuBar();
  bar->setObjectName(QStringLiteral("menu_bar"));
  bar->setAccessibleName(QStringLiteral("Menu bar"));

  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("menu_file"));
  file->setAccessibleName(QStringLiteral("File"));
  record_action_ = AddAction(file, "action_record", QStringLiteral("Start Recording…"),
                             QKeySequence(Qt::CTRL | Qt::Key_R));
  connect(record_action_, &QAction::triggered, this,
          boxes::AtEdge(std::bind_front(&MenuFeatures::ToggleRecording, this)));
  connect(recorder_, &userfiles::Recorder::changed, this,
          boxes::AtEdge(std::bind_front(&MenuFeatures::ShowRecordingState, this)));
  connect(AddAction(file, "action_open_recording", QStringLiteral("Open Recording…"),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)),
          &QAction::triggered, this,
          boxes::AtEdge(std::bind_front(&MenuFeatures::OpenRecording, this)));
  connect(recorder_, &userfiles::Recorder::stopped, this,
          [this](quint64 rows, const QString& path, bool failed) {
            status_->Say(QStringLiteral("Recording %1: %2 in %3")
                             .arg(failed ? QStringLiteral("stopped by a file problem")
                                         : QStringLiteral("stopped"),
                                  boxes::CountOf(rows, "row", "rows"), path));
          });
  file->addSeparator();
  connect(AddAction(file, "action_save_snapshot", QStringLiteral("Save Register Snapshot…"),
                    QKeySequence(Qt::CTRL | Qt::Key_S)),
          &QAction::triggered, this,
          boxes::AtEdge(std::bind_front(&MenuFeatures::SaveSnapshot, this)));
  // A write to the chip has no one-key shortcut, least of all the key that opens files elsewhere.
  connect(
      AddAction(file, "action_restore_snapshot", QStringLiteral("Restore Register Snapshot…"), {}),
      &QAction::triggered, this,
      boxes::AtEdge(std::bind_front(&MenuFeatures::RestoreSnapshot, this)));
  QAction* export_chart = AddAction(file, "action_export_chart", QStringLiteral("Export Chart…"),
                                    QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(export_chart, &QAction::triggered, this,
          boxes::AtEdge(std::bind_front(&MenuFeatures::ExportChart, this)));
  // A chart without points has nothing to export.
  chart::StripChart& strip = hooks_.chart();
  export_chart->setEnabled(strip.HasPoints());
  connect(&strip, &chart::StripChart::hasPointsChanged, export_chart, &QAction::setEnabled);
  file->addSeparator();
  AddNotifyAction(file);
  file->addSeparator();
  // The same end as closing the window: its close event runs the unload.
  connect(
      AddAction(file, "action_quit", QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q)),
      &QAction::triggered, &window, &QWidget::close);

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("menu_help"));
  help->setAccessibleName(QStringLiteral("Help"));
  // F1 is served for every window by the help itself: the entry's own F1 works only inside the
  // open menu, and shows the key beside the name (which holds no key) as every other entry does.
  QAction* contents =
      AddAction(help, "action_help_contents", QStringLiteral("Contents"), QKeySequence(Qt::Key_F1));
  contents->setShortcutContext(Qt::WidgetShortcut);
  connect(contents, &QAction::triggered, this, boxes::AtEdge([this] { hooks_.help_contents(); }));
  connect(AddAction(help, "action_about", QStringLiteral("About"), {}), &QAction::triggered, this,
          boxes::AtEdge([this] { hooks_.about(); }));
}

MenuFeatures::~MenuFeatures() = default;

void MenuFeatures::SetDialogs(boxes::FeatureDialogs& dialogs) {
  context_.dialogs = &dialogs;
}

QAction* MenuFeatures::AddAction(QMenu* menu, const char* name, const QString& text,
                                 const QKeySequence& keys) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(keys);
  // Menu entries read their text as their name; the shortcut travels with it.
  action->setShortcutContext(Qt::WindowShortcut);
  return action;
}

void MenuFeatures::ToggleRecording() {
  if (recorder_->running()) {
    // Ctrl+R starts a recording; one stray press of it must not end an overnight run.
    if (context_.boxes.Show(
            &window_, QStringLiteral("stop_recording"), QStringLiteral("Stop Recording"),
            QStringLiteral("Stop the recording? It has %1 so far in %2.")
                .arg(boxes::CountOf(recorder_->rows(), "row", "rows"), recorder_->path()),
            boxes::MsgIcon::Warning, boxes::MsgButtons::YesNo) == boxes::MsgAnswer::Yes) {
      recorder_->Stop();
    }
    return;
  }
  const QString file = context_.dialogs->SaveFileName(
      &window_, QStringLiteral("recording"), QStringLiteral("Start Recording"),
      QStringLiteral("recording.csv"), QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (file.isEmpty()) return;
  const std::optional<int> interval = context_.dialogs->RecordingInterval(&window_);
  if (!interval) return;
  // The file dialog has asked before choosing a file that is there: the answer was to replace it.
  recorder_->Start(file, *interval, files::ExistingFile::Overwrite);
}

bool MenuFeatures::StartRecording(const QString& file, int interval_ms,
                                  files::ExistingFile existing) {
  return recorder_->Start(file, interval_ms, existing);
}

namespace {

const QString kNotifyKey = QStringLiteral("notify_on_alarms");

// Remembered between runs, in the program's own settings file.
bool StoredNotify() {
  const QSettings settings(QStringLiteral("kelvran-eval"), QStringLiteral("kelvran-eval"));
  return settings.value(kNotifyKey, false).toBool();
}
void StoreNotify(bool on) {
  QSettings settings(QStringLiteral("kelvran-eval"), QStringLiteral("kelvran-eval"));
  settings.setValue(kNotifyKey, on);
}

}  // namespace

void MenuFeatures::AddNotifyAction(QMenu* file) {
  QAction* notify = AddAction(file, "action_notify_alarms", QStringLiteral("Notify on Alarms"), {});
  notify->setCheckable(true);
  // Off until a user turns it on, so a run without it reads nothing more than the window's own
  // transfers.
  notify->setChecked(StoredNotify());
  notifier_->SetEnabled(notify->isChecked());
  connect(notify, &QAction::toggled, this, boxes::AtEdge([this](bool on) {
            StoreNotify(on);
            notifier_->SetEnabled(on);
          }));
}

void MenuFeatures::ShowRecordingState() {
  const bool running = recorder_->running();
  record_action_->setText(running ? QStringLiteral("Stop Recording")
                                  : QStringLiteral("Start Recording…"));
  status_->SetRecording(recorder_->IndicatorText());
}

void MenuFeatures::SaveSnapshot() {
  userfiles::SaveSnapshot(context_);
}

void MenuFeatures::RestoreSnapshot() {
  if (userfiles::RestoreSnapshot(context_)) emit chipChanged();
}

void MenuFeatures::ExportChart() {
  if (!hooks_.chart().HasPoints()) return;
  userfiles::ExportChart(context_, hooks_.chart(), hooks_.chart_readings());
}

void MenuFeatures::OpenRecording() {
  const QString file = context_.dialogs->OpenFileName(
      &window_, QStringLiteral("open_recording"), QStringLiteral("Open Recording"),
      QStringLiteral("Recordings (*.csv);;All files (*)"));
  if (file.isEmpty()) return;
  review::OpenReviewWindow(file, context_.boxes, &window_);
}

}  // namespace menus
