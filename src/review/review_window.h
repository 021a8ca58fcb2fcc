#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "chart/time_axis.h"
#include "review/readout.h"
#include "review/time_view.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;

namespace boxes {
class MessageBoxes;
}

namespace review {

class ChartArea;
class FileDialogs;
class ReadoutTable;
class RecordingLoader;
class RecordingModel;

// The recording review window: a recording's channels on stacked charts with one time axis,
// cursors A and B with their readings and statistics, limits and alarm spans, and a file that
// grows followed as it grows. A second recording may be compared with it: drawn dashed over the
// first, aligned at their starts or by clock time and nudged by the user, read at the cursors
// beside the first. It has no chip and no bus.
//
// A file is read on a thread of its own while a progress bar shows how far it got; the window
// stays responsive, and closing it stops the reading. A file that is no recording, or a damaged
// line, gives a box naming the line and what was expected there (the window closes when it is
// the first recording).
class ReviewWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Starts reading path. dialogs may be null for the real file dialogs; boxes and dialogs must
  // outlive the window.
  ReviewWindow(const QString& path, boxes::MessageBoxes& boxes, FileDialogs* dialogs = nullptr,
               QWidget* parent = nullptr);
  ~ReviewWindow() override;

  bool Loaded() const;
  bool Failed() const { return failed_; }
  const RecordingModel& model() const;
  const TimeView& view() const { return view_; }
  std::optional<std::int64_t> CursorA() const { return cursor_a_; }
  std::optional<std::int64_t> CursorB() const { return cursor_b_; }
  ChartArea* chart_area() const { return area_; }
  // How often a growing file is looked at (500 ms by default).
  void SetFollowInterval(int milliseconds);

  // The compared recording once it is read (nullptr before and without one).
  const Compared* Comparison() const;
  // Whether the compared recording lines up with the first by clock time (else at the starts),
  // and the user's nudge on top.
  bool AlignedByClock() const { return by_clock_; }
  std::int64_t Nudge() const { return nudge_; }

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
  // Reads path as the compared recording (an empty path asks for one).
  void CompareWith(const QString& path = QString());
  void StopComparing();
  void AlignByClock(bool on);
  void NudgeBy(std::int64_t nanoseconds);

 signals:
  void loaded();
  void failed();
  // The compared recording was read (or could not be).
  void compareLoaded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QAction* AddAction(QMenu* menu, const char* name, const QString& text,
                     const QList<QKeySequence>& keys, std::function<void()> slot);
  QAction* AddAction(QMenu* menu, const char* name, const QString& text,
                     const QList<QKeySequence>& keys, void (ReviewWindow::*slot)());
  void LoadFinished();
  void Fail(const QString& reason);
  void BuildContent();
  void Grew(bool new_channels);
  void CompareLoaded();
  void ComparisonChanged();
  void ViewChanged();
  void ShowReadout();
  void ShowStatus();
  chart::TimeAxis Axis() const;
  std::vector<int> ShownSeries() const;
  void SayNotShared();

  QString path_;
  boxes::MessageBoxes& boxes_;
  std::unique_ptr<FileDialogs> own_dialogs_;
  FileDialogs* dialogs_;
  std::unique_ptr<RecordingLoader> loader_;
  std::unique_ptr<RecordingLoader> compared_loader_;
  std::optional<Compared> compared_;
  bool by_clock_ = false;
  std::int64_t nudge_ = 0;
  bool failed_ = false;
  int follow_ms_ = 0;

  TimeView view_;
  std::optional<std::int64_t> cursor_a_;
  std::optional<std::int64_t> cursor_b_;
  bool active_b_ = false;  // the cursor the arrow keys move
  bool elapsed_ = false;

  ChartArea* area_ = nullptr;
  std::vector<QCheckBox*> legend_;
  QLabel* compared_label_ = nullptr;
  ReadoutTable* readout_ = nullptr;
  QSplitter* split_ = nullptr;
  QLabel* view_label_;
  QLabel* file_label_;
  QProgressBar* progress_;
  QAction* export_span_ = nullptr;
  QAction* elapsed_action_ = nullptr;
  QAction* stop_comparing_ = nullptr;
  QAction* by_clock_action_ = nullptr;
};

// Opens a review window for path, deleted when it closes, and shows it.
ReviewWindow* OpenReviewWindow(const QString& path, boxes::MessageBoxes& boxes,
                               QWidget* parent = nullptr);

}  // namespace review
