#pragma once

#include <QMainWindow>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "chart/time_axis.h"
#include "review/time_view.h"

class QAction;
class QCheckBox;
class QLabel;
class QProgressBar;
class QTableWidget;
class QTimer;

namespace boxes {
class MessageBoxes;
}

namespace review {

class ChartArea;
class FileDialogs;
class RecordingSource;
class RecordingModel;

// The recording review window: a recording's channels on stacked charts with one time axis,
// cursors A and B with their readings and statistics, limits and alarm spans, and a file that
// grows followed as it grows. It has no chip and no bus.
//
// The file is read on a thread of its own while a progress bar shows how far it got; the window
// stays responsive, and closing it stops the reading. A file that is no recording, or a damaged
// line, gives a box naming the line and what was expected there, and the window closes.
class ReviewWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Starts reading path. dialogs may be null for the real file dialogs; boxes and dialogs must
  // outlive the window.
  ReviewWindow(const QString& path, boxes::MessageBoxes& boxes, FileDialogs* dialogs = nullptr,
               QWidget* parent = nullptr);
  ~ReviewWindow() override;

  bool Loaded() const { return source_ != nullptr && loader_done_; }
  bool Failed() const { return failed_; }
  const RecordingModel& model() const;
  const TimeView& view() const { return view_; }
  std::optional<std::int64_t> CursorA() const { return cursor_a_; }
  std::optional<std::int64_t> CursorB() const { return cursor_b_; }
  ChartArea* chart_area() const { return area_; }
  // How often a growing file is looked at (500 ms by default).
  void SetFollowInterval(int milliseconds);

  // The menu's actions, as a user or a test triggers them.
  void FitAll();
  void FollowEnd();
  void ZoomBy(double factor);
  void Pan(double fraction);
  void PlaceCursor(bool b, std::optional<std::int64_t> time = std::nullopt);
  void MoveCursor(int pixels);
  void ClearCursors();
  void JumpToAlarm(bool next);
  void CopyReadings();
  void ExportView();
  void ExportSpan();
  void OpenAnother();

 signals:
  void loaded();
  void failed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QAction* AddAction(QMenu* menu, const char* name, const QString& text,
                     const QList<QKeySequence>& keys, void (ReviewWindow::*slot)());
  void PollLoad();
  void LoadFinished();
  void Fail(const QString& reason);
  void BuildContent();
  void Follow();
  void ViewChanged();
  void ShowReadout();
  void ShowStatus();
  chart::TimeAxis Axis() const;
  std::vector<int> ShownSeries() const;

  QString path_;
  boxes::MessageBoxes& boxes_;
  std::unique_ptr<FileDialogs> own_dialogs_;
  FileDialogs* dialogs_;

  // The reading thread and what it hands over.
  std::unique_ptr<RecordingSource> source_;
  std::thread loader_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> loader_finished_{false};
  std::exception_ptr load_error_;
  bool loader_done_ = false;
  bool failed_ = false;
  QTimer* poll_timer_;
  QTimer* follow_timer_;

  TimeView view_;
  std::optional<std::int64_t> cursor_a_;
  std::optional<std::int64_t> cursor_b_;
  bool active_b_ = false;  // the cursor the arrow keys move
  bool elapsed_ = false;
  std::uint64_t torn_line_ = 0;
  bool file_changed_ = false;

  ChartArea* area_ = nullptr;
  std::vector<QCheckBox*> legend_;
  QLabel* summary_ = nullptr;
  QTableWidget* readout_ = nullptr;
  QLabel* view_label_;
  QLabel* file_label_;
  QProgressBar* progress_;
  QAction* export_span_ = nullptr;
  QAction* elapsed_action_ = nullptr;
};

// Opens a review window for path, deleted when it closes, and shows it.
ReviewWindow* OpenReviewWindow(const QString& path, boxes::MessageBoxes& boxes,
                               QWidget* parent = nullptr);

}  // namespace review
