#include "userfiles/recorder.h"

#include <QFileInfo>
#include <QTimer>

#include "access/chip_place.h"
#include "access/link_new_com_port.h"
#include "access/unattended_sampler.h"
#include "boxes/handler_edge.h"
#include "chip/local_time.h"
#include "chip/recording_session.h"
#include "chip/register_catalogue.h"
#include "chip/sample_gaps.h"
#include "files/file_text.h"
#include "files/recording_file.h"

namespace userfiles {

namespace {

const QString kTitle = QStringLiteral("Recording");
constexpr auto kIndicatorEvery = std::chrono::milliseconds(250);

}  // namespace

Recorder::Recorder(boxes::FeatureContext& context, StatusReadElsewhere status_read_elsewhere,
                   QObject* parent)
    : QObject(parent),
      c_(context),
      status_read_elsewhere_(std::move(status_read_elsewhere)),
      timer_(new QTimer(this)),
      clock_timer_(new QTimer(this)) {
  timer_->setObjectName(QStringLiteral("recording_timer"));
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, boxes::AtEdge(std::bind_front(&Recorder::Tick, this)));
  clock_timer_->setObjectName(QStringLiteral("recording_clock"));
  clock_timer_->setInterval(1000);
  connect(clock_timer_, &QTimer::timeout, this,
          boxes::AtEdge(std::bind_front(&Recorder::changed, this)));
}

Recorder::~Recorder() = default;

void Recorder::FlushBeforeFatalReport() noexcept {
  if (file_ == nullptr) return;
  try {
    file_->Flush();
  } catch (...) {
    // The report about the first failure is the one to show.
  }
}

bool Recorder::Start(const QString& file, int interval_ms, files::ExistingFile existing) {
  Stop();
  const auto now = std::chrono::steady_clock::now();
  try {
    file_ = std::make_unique<files::RecordingFile>(file.toStdString(), existing, now);
  } catch (const files::RecordingError& e) {
    Fail(QString::fromStdString(files::PlainText(e.what())));
    return false;
  }
  // The chip is known by what it says it is, so a gap ends only when that chip answers again.
  devaccess::ChipIdentity identity;
  identity.medium = devaccess::MediumOf(c_.d.comms_medium);
  identity.address7 = c_.d.comms_medium == 1 ? c_.d.device_address / 2 : c_.d.device_address;
  if (identity.medium == buslink::BusMedium::SMBus) {
    identity.adapter = c_.d.EnsureBusLink().SMBus().CurrentAdapter();
  }
  devaccess::ReadIdentity(c_.d, identity);
  // Alarms latched before the start belong to no row: the sampler sees what latches from now on.
  sampler_ = std::make_unique<devaccess::UnattendedSampler>(c_.d, identity);
  chip::RecordingHeader header{c_.version, devaccess::PlaceOf(c_.d), 0, {}};
  if (identity.medium == buslink::BusMedium::SMBus) {
    header.stable_place = devaccess::StablePlace(identity);
  }
  session_ = std::make_unique<chip::RecordingSession>(
      header, *file_,
      static_cast<std::uint8_t>(devaccess::ReadAt(c_.d, chip::reg::kConfiguration1)));
  name_ = QFileInfo(file).fileName();
  path_ = QFileInfo(file).absoluteFilePath();
  // The first row and the header are there at once, so a wrong folder shows now, not later.
  if (!WriteRow(now, true)) return false;
  timer_->start(interval_ms);
  clock_timer_->start();
  last_shown_ = now;
  emit changed();
  return true;
}

void Recorder::Stop() {
  const QString failure = StopUnattended();
  if (!failure.isEmpty()) Fail(failure);
}

QString Recorder::StopUnattended() {
  if (!running()) return {};
  timer_->stop();
  clock_timer_->stop();
  const quint64 rows = session_->rows();
  session_.reset();
  sampler_.reset();
  QString failure;
  try {
    file_->Close();
  } catch (const files::RecordingError& e) {
    failure = QString::fromStdString(files::PlainText(e.what()));
  }
  file_.reset();
  emit changed();
  // Said beside the chip's windows whether or not the file failed; the box is Stop's.
  emit stopped(rows, path_, !failure.isEmpty());
  return failure;
}

quint64 Recorder::rows() const {
  return running() ? session_->rows() : 0;
}

void Recorder::Tick() {
  const auto now = std::chrono::steady_clock::now();
  if (!WriteRow(now, false)) return;
  if (now - last_shown_ >= kIndicatorEvery) {
    last_shown_ = now;
    emit changed();
  }
}

bool Recorder::WriteRow(std::chrono::steady_clock::time_point now, bool flush) {
  sampler_->sampler().set_read_status(!(status_read_elsewhere_ && status_read_elsewhere_()));
  const devaccess::UnattendedSampler::Attempt attempt = sampler_->Take(now);
  const auto wall = std::chrono::system_clock::now();
  try {
    if (attempt.change != chip::SampleGaps::Change::None) {
      const chip::SampleGaps& gaps = sampler_->gaps();
      const std::string time = chip::IsoLocalTime(wall);
      session_->Mark(attempt.change == chip::SampleGaps::Change::Lost
                         ? chip::BusErrorMark(time, gaps.error())
                         : chip::ResumedMark(time, gaps.length(now).count(), gaps.missed()),
                     now);
      emit changed();
    }
    if (attempt.sample != nullptr) session_->Row(*attempt.sample, wall, now);
    if (flush) file_->Flush(now);
  } catch (const files::RecordingError& e) {
    Fail(QString::fromStdString(files::PlainText(e.what())), session_->rows());
    return false;
  }
  return true;
}

void Recorder::Fail(const QString& reason, std::optional<quint64> rows) {
  timer_->stop();
  clock_timer_->stop();
  session_.reset();
  sampler_.reset();
  file_.reset();
  emit changed();
  if (rows) emit stopped(*rows, path_, true);
  c_.boxes.Show(c_.window, QStringLiteral("recording_failed"), kTitle,
                QStringLiteral("The recording has stopped.\n\n") + reason, boxes::MsgIcon::Warning,
                boxes::MsgButtons::Ok);
}

QString Recorder::IndicatorText() const {
  if (!running()) return {};
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - session_->started())
                           .count();
  return QStringLiteral("Recording %1: %2, %3:%4:%5%6")
      .arg(name_)
      .arg(boxes::CountOf(session_->rows(), "row", "rows"))
      .arg(elapsed / 3600)
      .arg(elapsed / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(elapsed % 60, 2, 10, QLatin1Char('0'))
      .arg(sampler_->gaps().in_gap() ? QStringLiteral(", the chip is not answering") : QString());
}

}  // namespace userfiles
