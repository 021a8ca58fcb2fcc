#include "review/recording_loader.h"

#include <QTimer>
#include <algorithm>

namespace review {

namespace {

constexpr int kPollMs = 100;    // progress of the first reading
constexpr int kFollowMs = 500;  // a growing file shows new rows within a second
// Read per look at a growing file, so a burst never stalls the window.
constexpr std::uint64_t kFollowBytes = 8u << 20;

}  // namespace

RecordingLoader::RecordingLoader(const QString& path, QObject* parent)
    : QObject(parent), path_(path), poll_timer_(new QTimer(this)), follow_timer_(new QTimer(this)) {
  poll_timer_->setObjectName(QStringLiteral("load_poll_timer"));
  poll_timer_->setInterval(kPollMs);
  connect(poll_timer_, &QTimer::timeout, this, &RecordingLoader::Poll);
  follow_timer_->setObjectName(QStringLiteral("follow_timer"));
  follow_timer_->setInterval(kFollowMs);
  connect(follow_timer_, &QTimer::timeout, this, &RecordingLoader::Follow);
}

RecordingLoader::~RecordingLoader() {
  cancel_.store(true);
  if (thread_.joinable()) thread_.join();
}

void RecordingLoader::Start() {
  try {
    source_ = std::make_unique<RecordingSource>(path_.toStdString());
  } catch (const std::exception& e) {
    QTimer::singleShot(0, this,
                       [this, reason = QString::fromStdString(e.what())] { emit failed(reason); });
    return;
  }
  RecordingSource* source = source_.get();
  thread_ = std::thread([this, source] {
    try {
      source->ReadMore(UINT64_MAX, &cancel_);
    } catch (...) {
      error_ = std::current_exception();
    }
    finished_.store(true);
  });
  poll_timer_->start();
}

void RecordingLoader::SetFollowInterval(int milliseconds) {
  follow_timer_->setInterval(milliseconds);
}

void RecordingLoader::Stop() {
  cancel_.store(true);
  poll_timer_->stop();
  follow_timer_->stop();
}

void RecordingLoader::Poll() {
  const std::uint64_t size = std::max<std::uint64_t>(1, source_->FileSize());
  emit progress(static_cast<int>(std::min<std::uint64_t>(100, source_->BytesRead() * 100 / size)));
  if (!finished_.load()) return;
  poll_timer_->stop();
  thread_.join();
  try {
    if (error_) std::rethrow_exception(error_);
    torn_line_ = source_->TornLine();
  } catch (const std::exception& e) {
    emit failed(QString::fromStdString(e.what()));
    return;
  }
  done_ = true;
  follow_timer_->start();
  emit loaded();
}

void RecordingLoader::Follow() {
  if (!Loaded() || file_changed_) return;
  file_replaced_ = source_->Replaced();
  if (file_replaced_ || !source_->Intact()) {
    file_changed_ = true;
    follow_timer_->stop();
    emit followStopped(QString());
    return;
  }
  if (source_->FileSize() == source_->BytesRead()) return;
  const std::size_t series_before = source_->model().series().size();
  try {
    source_->ReadMore(kFollowBytes);
    torn_line_ = source_->TornLine();
  } catch (const std::exception& e) {
    follow_timer_->stop();
    emit followStopped(QString::fromStdString(e.what()));
    return;
  }
  emit grew(source_->model().series().size() != series_before);
}

}  // namespace review
