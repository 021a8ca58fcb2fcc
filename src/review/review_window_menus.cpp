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
                                 const QList<QKeySequence>& keys, void (ReviewWindow::*slot)()) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  connect(action, &QAction::triggered, this, slot);
  return action;
}

void ReviewWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("review_menu_bar"));
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("review_menu_file"));
  AddAction(file, "action_open_recording", QStringLiteral("Open Recording…"),
            {QKeySequence(Qt::CTRL | Qt::Key_O)}, &ReviewWindow::OpenAnother);
  QAction* compare = file->addAction(QStringLiteral("Compare With…"));
  compare->setObjectName(QStringLiteral("action_compare_with"));
  compare->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  connect(compare, &QAction::triggered, this, [this] { CompareWith(); });
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
  QAction* close_action = file->addAction(QStringLiteral("Close"));
  close_action->setObjectName(QStringLiteral("action_close"));
  close_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  connect(close_action, &QAction::triggered, this, &QWidget::close);

  QMenu* view = bar->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("review_menu_view"));
  AddAction(view, "action_fit_all", QStringLiteral("Fit All"),
            {QKeySequence(Qt::Key_F), QKeySequence(Qt::Key_Home)}, &ReviewWindow::FitAll);
  AddAction(view, "action_follow_end", QStringLiteral("Follow the End"),
            {QKeySequence(Qt::Key_End)}, &ReviewWindow::FollowEnd);
  QAction* zoom_in = view->addAction(QStringLiteral("Zoom In"));
  zoom_in->setObjectName(QStringLiteral("action_zoom_in"));
  zoom_in->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)});
  connect(zoom_in, &QAction::triggered, this, [this] { ZoomBy(kZoomStep); });
  QAction* zoom_out = view->addAction(QStringLiteral("Zoom Out"));
  zoom_out->setObjectName(QStringLiteral("action_zoom_out"));
  zoom_out->setShortcuts({QKeySequence(Qt::Key_Minus)});
  connect(zoom_out, &QAction::triggered, this, [this] { ZoomBy(1.0 / kZoomStep); });
  QAction* left = view->addAction(QStringLiteral("Pan Back"));
  left->setObjectName(QStringLiteral("action_pan_back"));
  left->setShortcut(QKeySequence(Qt::Key_Left));
  connect(left, &QAction::triggered, this, [this] { Pan(-kPanStep); });
  QAction* right = view->addAction(QStringLiteral("Pan On"));
  right->setObjectName(QStringLiteral("action_pan_on"));
  right->setShortcut(QKeySequence(Qt::Key_Right));
  connect(right, &QAction::triggered, this, [this] { Pan(kPanStep); });
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
  QAction* nudge_back = view->addAction(QStringLiteral("Nudge Compared Back"));
  nudge_back->setObjectName(QStringLiteral("action_nudge_back"));
  nudge_back->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  connect(nudge_back, &QAction::triggered, this, [this] { NudgeBy(-view_.Span() / kNudgeParts); });
  QAction* nudge_on = view->addAction(QStringLiteral("Nudge Compared On"));
  nudge_on->setObjectName(QStringLiteral("action_nudge_on"));
  nudge_on->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  connect(nudge_on, &QAction::triggered, this, [this] { NudgeBy(view_.Span() / kNudgeParts); });

  QMenu* cursors = bar->addMenu(QStringLiteral("&Cursors"));
  cursors->setObjectName(QStringLiteral("review_menu_cursors"));
  QAction* a = cursors->addAction(QStringLiteral("Place Cursor A"));
  a->setObjectName(QStringLiteral("action_cursor_a"));
  a->setShortcut(QKeySequence(Qt::Key_A));
  connect(a, &QAction::triggered, this, [this] { PlaceCursor(false); });
  QAction* b = cursors->addAction(QStringLiteral("Place Cursor B"));
  b->setObjectName(QStringLiteral("action_cursor_b"));
  b->setShortcut(QKeySequence(Qt::Key_B));
  connect(b, &QAction::triggered, this, [this] { PlaceCursor(true); });
  QAction* back = cursors->addAction(QStringLiteral("Move Cursor Back"));
  back->setObjectName(QStringLiteral("action_cursor_back"));
  back->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Left));
  connect(back, &QAction::triggered, this, [this] { MoveCursor(-1); });
  QAction* on = cursors->addAction(QStringLiteral("Move Cursor On"));
  on->setObjectName(QStringLiteral("action_cursor_on"));
  on->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Right));
  connect(on, &QAction::triggered, this, [this] { MoveCursor(1); });
  AddAction(cursors, "action_clear_cursors", QStringLiteral("Clear Cursors"),
            {QKeySequence(Qt::Key_Escape)}, &ReviewWindow::ClearCursors);
  cursors->addSeparator();
  QAction* next = cursors->addAction(QStringLiteral("Next Alarm"));
  next->setObjectName(QStringLiteral("action_next_alarm"));
  next->setShortcut(QKeySequence(Qt::Key_N));
  connect(next, &QAction::triggered, this, [this] { JumpToAlarm(true); });
  QAction* previous = cursors->addAction(QStringLiteral("Previous Alarm"));
  previous->setObjectName(QStringLiteral("action_previous_alarm"));
  previous->setShortcut(QKeySequence(Qt::Key_P));
  connect(previous, &QAction::triggered, this, [this] { JumpToAlarm(false); });

  // Until the recording is read, only opening another and closing make sense.
  for (QMenu* menu : {view, cursors}) menu->setEnabled(false);
  compare->setEnabled(false);
  connect(this, &ReviewWindow::loaded, compare, [compare] { compare->setEnabled(true); });
}

}  // namespace review
