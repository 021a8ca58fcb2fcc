#include "capture/recorder.h"

#include <QFileInfo>
#include <QTimer>

#include "access/link_new_com_port.h"
#include "chip/recording_file.h"
#include "chip/recording_session.h"
#include "widgets/before_fatal_report.h"

namespace capture {

namespace {

const QString kTitle = QStringLiteral("Recording");
constexpr auto kIndicatorEvery = std::chrono::milliseconds(250);

}  // namespace

Recorder::Recorder(CaptureContext& context, StatusSource take_status, QObject* parent)
    : QObject(parent),
      c_(context),
      take_status_(std::move(take_status)),
      timer_(new QTimer(this)),
      clock_timer_(new QTimer(this)) {
  timer_->setObjectName(QStringLiteral("recording_timer"));
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, &Recorder::Tick);
  clock_timer_->setObjectName(QStringLiteral("recording_clock"));
  clock_timer_->setInterval(1000);
  connect(clock_timer_, &QTimer::timeout, this, &Recorder::changed);
  // A failure elsewhere (the display's reads) ends the program too: the rows so far go to disk
  // before its report.
  widgets::AddBeforeFatalReport(this, [this] {
    if (file_ != nullptr) file_->Flush();
  });
}

Recorder::~Recorder() = default;

bool Recorder::Start(const QString& file, int interval_ms) {
  Stop();
  const auto now = std::chrono::steady_clock::now();
  try {
    file_ = std::make_unique<chip::RecordingFile>(file.toStdString(), now);
    chip::RecordingHeader header{c_.version, PlaceOf(c_.d), 0, {}};
    session_ = std::make_unique<chip::RecordingSession>(
        std::move(header),
        [this](std::uint8_t address) {
          return static_cast<std::uint8_t>(devaccess::ReadAt(c_.d, address));
        },
        *file_, std::chrono::system_clock::now(), now);
    file_->Flush(now);  // the header is there at once, so a wrong folder shows now, not later
  } catch (const chip::RecordingError& e) {
    Fail(QString::fromStdString(e.what()));
    return false;
  }
  name_ = QFileInfo(file).fileName();
  take_status_();  // a status read before the start belongs to no row
  timer_->start(interval_ms);
  clock_timer_->start();
  last_shown_ = now;
  emit changed();
  return true;
}

void Recorder::Stop() {
  if (!running()) return;
  timer_->stop();
  clock_timer_->stop();
  session_.reset();
  try {
    file_->Flush();
  } catch (const chip::RecordingError& e) {
    file_.reset();
    Fail(QString::fromStdString(e.what()));
    return;
  }
  file_.reset();
  emit changed();
}

void Recorder::Tick() {
  const auto now = std::chrono::steady_clock::now();
  try {
    session_->Row(take_status_(), std::chrono::system_clock::now(), now);
  } catch (const chip::RecordingError& e) {
    Fail(QString::fromStdString(e.what()));
    return;
  }  // a bus failure goes on to the error report, which first has the rows so far written
  if (now - last_shown_ >= kIndicatorEvery) {
    last_shown_ = now;
    emit changed();
  }
}

void Recorder::Fail(const QString& reason) {
  timer_->stop();
  clock_timer_->stop();
  session_.reset();
  file_.reset();
  emit changed();
  c_.boxes.Show(c_.window, QStringLiteral("recording_failed"), kTitle,
                QStringLiteral("The recording has stopped.\n\n") + reason,
                widgets::MsgIcon::Warning, widgets::MsgButtons::Ok);
}

QString Recorder::IndicatorText() const {
  if (!running()) return {};
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - session_->started())
                           .count();
  return QStringLiteral("Recording %1: %2 rows, %3:%4:%5")
      .arg(name_)
      .arg(session_->rows())
      .arg(elapsed / 3600)
      .arg(elapsed / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(elapsed % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace capture
