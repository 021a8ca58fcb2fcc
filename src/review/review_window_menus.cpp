#include <QAction>
#include <QMenuBar>

#include "review/chart_area.h"
#include "review/review_window.h"

namespace review {

namespace {

constexpr double kZoomStep = 0.5;  // + and - halve and double the span
constexpr double kPanStep = 0.1;   // arrow keys pan a tenth of the span
constexpr int kNudgeParts = 100;   // Alt and an arrow move the compared run a hundredth of the span

}  // namespace

QAction* ReviewWindow::AddAction(QMenu* menu, const char* name, const QString& text,
                                 const QList<QKeySequence>& keys, std::function<void()> slot) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  connect(action, &QAction::triggered, this, std::move(slot));
  return action;
}

QAction* ReviewWindow::AddAction(QMenu* menu, const char* name, const QString& text,
                                 const QList<QKeySequence>& keys, void (ReviewWindow::*slot)()) {
  return AddAction(menu, name, text, keys, [this, slot] { (this->*slot)(); });
}

void ReviewWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("review_menu_bar"));
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("review_menu_file"));
  AddAction(file, "action_open_recording", QStringLiteral("Open Recording…"),
            {QKeySequence(Qt::CTRL | Qt::Key_O)}, &ReviewWindow::OpenAnother);
  QAction* compare =
      AddAction(file, "action_compare_with", QStringLiteral("Compare With…"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}, [this] { CompareWith(); });
  stop_comparing_ = AddAction(file, "action_stop_comparing", QStringLiteral("Stop Comparing"), {},
                              &ReviewWindow::StopComparing);
  stop_comparing_->setEnabled(false);
  file->addSeparator();
  AddAction(file, "action_export_view", QStringLiteral("Export View as PNG…"),
            {QKeySequence(Qt::CTRL | Qt::Key_E)}, &ReviewWindow::ExportView);
  export_span_ =
      AddAction(file, "action_export_span", QStringLiteral("Export A-B as CSV…"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}, &ReviewWindow::ExportSpan);
  export_span_->setEnabled(false);
  AddAction(file, "action_copy_readings", QStringLiteral("Copy Readings"),
            {QKeySequence(Qt::CTRL | Qt::Key_C)}, &ReviewWindow::CopyReadings);
  file->addSeparator();
  AddAction(file, "action_close", QStringLiteral("Close"), {QKeySequence(Qt::CTRL | Qt::Key_W)},
            [this] { close(); });

  QMenu* view = bar->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("review_menu_view"));
  AddAction(view, "action_fit_all", QStringLiteral("Fit All"),
            {QKeySequence(Qt::Key_F), QKeySequence(Qt::Key_Home)}, &ReviewWindow::FitAll);
  AddAction(view, "action_follow_end", QStringLiteral("Follow the End"),
            {QKeySequence(Qt::Key_End)}, &ReviewWindow::FollowEnd);
  AddAction(view, "action_zoom_in", QStringLiteral("Zoom In"),
            {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)},
            [this] { ZoomBy(kZoomStep); });
  AddAction(view, "action_zoom_out", QStringLiteral("Zoom Out"), {QKeySequence(Qt::Key_Minus)},
            [this] { ZoomBy(1.0 / kZoomStep); });
  AddAction(view, "action_pan_back", QStringLiteral("Pan Back"), {QKeySequence(Qt::Key_Left)},
            [this] { Pan(-kPanStep); });
  AddAction(view, "action_pan_on", QStringLiteral("Pan On"), {QKeySequence(Qt::Key_Right)},
            [this] { Pan(kPanStep); });
  view->addSeparator();
  elapsed_action_ = view->addAction(QStringLiteral("Elapsed Time"));
  elapsed_action_->setObjectName(QStringLiteral("action_elapsed_time"));
  elapsed_action_->setCheckable(true);
  elapsed_action_->setShortcut(QKeySequence(Qt::Key_T));
  connect(elapsed_action_, &QAction::toggled, this, [this](bool on) {
    elapsed_ = on;
    ViewChanged();
  });
  QAction* per_voltage = view->addAction(QStringLiteral("A Pane per Voltage"));
  per_voltage->setObjectName(QStringLiteral("action_pane_per_voltage"));
  per_voltage->setCheckable(true);
  per_voltage->setShortcut(QKeySequence(Qt::Key_V));
  connect(per_voltage, &QAction::toggled, this, [this](bool on) {
    if (area_ == nullptr) return;
    area_->SetPanePerVoltage(on);
    ViewChanged();
  });
  view->addSeparator();
  by_clock_action_ = view->addAction(QStringLiteral("Align Compared by Clock Time"));
  by_clock_action_->setObjectName(QStringLiteral("action_align_by_clock"));
  by_clock_action_->setCheckable(true);
  by_clock_action_->setShortcut(QKeySequence(Qt::Key_C));
  connect(by_clock_action_, &QAction::toggled, this, &ReviewWindow::AlignByClock);
  AddAction(view, "action_nudge_back", QStringLiteral("Nudge Compared Back"),
            {QKeySequence(Qt::ALT | Qt::Key_Left)},
            [this] { NudgeBy(-view_.Span() / kNudgeParts); });
  AddAction(view, "action_nudge_on", QStringLiteral("Nudge Compared On"),
            {QKeySequence(Qt::ALT | Qt::Key_Right)},
            [this] { NudgeBy(view_.Span() / kNudgeParts); });

  QMenu* cursors = bar->addMenu(QStringLiteral("&Cursors"));
  cursors->setObjectName(QStringLiteral("review_menu_cursors"));
  AddAction(cursors, "action_cursor_a", QStringLiteral("Place Cursor A"), {QKeySequence(Qt::Key_A)},
            [this] { PlaceCursor(false); });
  AddAction(cursors, "action_cursor_b", QStringLiteral("Place Cursor B"), {QKeySequence(Qt::Key_B)},
            [this] { PlaceCursor(true); });
  AddAction(cursors, "action_cursor_back", QStringLiteral("Move Cursor Back"),
            {QKeySequence(Qt::SHIFT | Qt::Key_Left)}, [this] { MoveCursor(-1); });
  AddAction(cursors, "action_cursor_on", QStringLiteral("Move Cursor On"),
            {QKeySequence(Qt::SHIFT | Qt::Key_Right)}, [this] { MoveCursor(1); });
  AddAction(cursors, "action_clear_cursors", QStringLiteral("Clear Cursors"),
            {QKeySequence(Qt::Key_Escape)}, &ReviewWindow::ClearCursors);
  cursors->addSeparator();
  AddAction(cursors, "action_next_alarm", QStringLiteral("Next Alarm"), {QKeySequence(Qt::Key_N)},
            [this] { JumpToAlarm(true); });
  AddAction(cursors, "action_previous_alarm", QStringLiteral("Previous Alarm"),
            {QKeySequence(Qt::Key_P)}, [this] { JumpToAlarm(false); });

  // Until the recording is read, only opening another and closing make sense.
  for (QMenu* menu : {view, cursors}) menu->setEnabled(false);
  compare->setEnabled(false);
  connect(this, &ReviewWindow::loaded, compare, [compare] { compare->setEnabled(true); });
}

}  // namespace review
