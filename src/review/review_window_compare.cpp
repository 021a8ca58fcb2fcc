#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

#include "boxes/message_boxes.h"
#include "review/chart_area.h"
#include "review/file_dialogs.h"
#include "review/recording_loader.h"
#include "review/recording_model.h"
#include "review/review_window.h"

// The review window's second recording: reading it, lining it up with the first, saying what the
// two do not share.
namespace review {

namespace {

// "AIN 1 (only in a.csv)": the channels one recording has and the other not.
QStringList OnlyIn(const RecordingModel& one, const RecordingModel& other, const QString& name) {
  QStringList only;
  for (const RecordingModel::Series& s : one.series()) {
    if (other.SeriesOf(s.caption) < 0)
      only << QStringLiteral("%1 (only in %2)").arg(s.caption, name);
  }
  return only;
}

}  // namespace

void ReviewWindow::CompareWith(const QString& path) {
  const QString file =
      path.isEmpty() ? dialogs_->OpenFileName(this, QStringLiteral("Compare With")) : path;
  if (file.isEmpty()) return;
  StopComparing();
  compared_loader_ = std::make_unique<RecordingLoader>(file);
  if (follow_ms_ > 0) compared_loader_->SetFollowInterval(follow_ms_);
  RecordingLoader* loader = compared_loader_.get();
  progress_->setValue(0);
  progress_->show();
  connect(loader, &RecordingLoader::progress, progress_, &QProgressBar::setValue);
  connect(loader, &RecordingLoader::loaded, this, [this] {
    progress_->hide();
    if (Loaded()) CompareLoaded();
  });
  connect(loader, &RecordingLoader::failed, this, [this, file](const QString& reason) {
    progress_->hide();
    // Deleted once its own signal has returned.
    compared_loader_.release()->deleteLater();
    boxes_.Show(
        this, QStringLiteral("recording_unreadable"), QStringLiteral("Compare With"),
        QStringLiteral("Cannot compare with %1.\n\n%2").arg(QFileInfo(file).fileName(), reason),
        boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
    emit compareLoaded();
  });
  connect(loader, &RecordingLoader::grew, this, [this] {
    if (!compared_) return;
    ComparisonChanged();
  });
  loader->Start();
}

void ReviewWindow::CompareLoaded() {
  compared_ =
      Compared{&compared_loader_->model(), 0, QFileInfo(compared_loader_->path()).fileName()};
  stop_comparing_->setEnabled(true);
  ComparisonChanged();
  SayNotShared();
  emit compareLoaded();
}

void ReviewWindow::SayNotShared() {
  if (!compared_) return;
  QStringList left_out = OnlyIn(model(), *compared_->model, QFileInfo(path_).fileName());
  left_out << OnlyIn(*compared_->model, model(), compared_->name);
  if (!left_out.isEmpty()) {
    statusBar()->showMessage(
        QStringLiteral("Not compared: %1").arg(left_out.join(QStringLiteral(", "))), 10000);
  }
}

void ReviewWindow::StopComparing() {
  compared_.reset();
  compared_loader_.reset();
  nudge_ = 0;
  if (stop_comparing_ != nullptr) stop_comparing_->setEnabled(false);
  if (area_ != nullptr) {
    area_->SetCompared(nullptr);
    compared_label_->hide();
    ViewChanged();
  }
}

void ReviewWindow::AlignByClock(bool on) {
  by_clock_ = on;
  if (by_clock_action_ != nullptr && by_clock_action_->isChecked() != on)
    by_clock_action_->setChecked(on);
  nudge_ = 0;  // a nudge belongs to the alignment it was made on
  if (compared_) ComparisonChanged();
}

void ReviewWindow::NudgeBy(std::int64_t nanoseconds) {
  if (!compared_) return;
  nudge_ += nanoseconds;
  ComparisonChanged();
}

void ReviewWindow::ComparisonChanged() {
  if (!compared_ || area_ == nullptr) return;
  // At the starts (elapsed time), or by clock time as recorded; the user's nudge on top.
  const chart::SeriesStore& first = model().store();
  const chart::SeriesStore& second = compared_->model->store();
  std::int64_t shift = nudge_;
  if (!by_clock_ && !first.Empty() && !second.Empty()) shift += first.TimeAt(0) - second.TimeAt(0);
  compared_->shift = shift;
  area_->SetCompared(&*compared_);
  QString text = QStringLiteral("Dashed: %1, %2")
                     .arg(compared_->name, by_clock_ ? QStringLiteral("aligned by clock time")
                                                     : QStringLiteral("aligned at the starts"));
  if (nudge_ != 0) {
    text += QStringLiteral(", nudged %1%2")
                .arg(nudge_ < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                     chart::SpanText(std::abs(nudge_)));
  }
  QStringList left_out = OnlyIn(model(), *compared_->model, QFileInfo(path_).fileName());
  left_out << OnlyIn(*compared_->model, model(), compared_->name);
  if (!left_out.isEmpty())
    text += QStringLiteral(". Not compared: ") + left_out.join(QStringLiteral(", "));
  compared_label_->setText(text);
  compared_label_->show();
  ViewChanged();
}

}  // namespace review
