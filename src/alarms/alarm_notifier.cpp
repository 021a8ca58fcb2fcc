#include "alarms/alarm_notifier.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

#include "access/link_new_com_port.h"
#include "boxes/handler_edge.h"
#include "chip/register_catalogue.h"

namespace alarms {

namespace {

constexpr int kLookEveryMs = 1000;
constexpr int kChassisSlot = 12;  // INT Status 2 bit 4
const QString kAppName = QStringLiteral("KELVRAN Evaluation Software");

QString ClockTime(AlarmTracker::Wall when) {
  return QDateTime::fromMSecsSinceEpoch(
             std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count())
      .toString(QStringLiteral("HH:mm:ss"));
}

void WarnOnStderr(const QString& text) {
  std::fprintf(stderr, "kelvran-eval: %s\n", text.toLocal8Bit().constData());
}

}  // namespace

AlarmNotifier::AlarmNotifier(boxes::FeatureContext& context,
                             StatusReadElsewhere status_read_elsewhere, QObject* parent)
    : QObject(parent),
      c_(context),
      status_read_elsewhere_(std::move(status_read_elsewhere)),
      timer_(new QTimer(this)),
      warn_(WarnOnStderr) {
  timer_->setObjectName(QStringLiteral("alarm_timer"));
  timer_->setInterval(kLookEveryMs);
  connect(timer_, &QTimer::timeout, this,
          boxes::AtEdge(std::bind_front(&AlarmNotifier::Tick, this)));
}

AlarmNotifier::~AlarmNotifier() = default;

void AlarmNotifier::SetEnabled(bool on) {
  if (on == enabled()) return;
  if (!on) {
    timer_->stop();
    alarms_ = {};
    return;
  }
  if (service_ == nullptr) {
    // The session bus is only opened for a user who asked for notifications.
    service_ = new DesktopNotifications(bus_ ? *bus_ : QDBusConnection::sessionBus(), kAppName,
                                        warn_, this);
  }
  tracker_ = {};
  told_ = {};
  alarms_ = c_.d.alarm_store.Subscribe();
  timer_->start();
}

void AlarmNotifier::Tick() {
  // The window is built unseen while the wizard searches: no chip is chosen until it shows.
  if (c_.window != nullptr && !c_.window->isVisible()) return;
  Look(Clock::now(), std::chrono::system_clock::now());
}

void AlarmNotifier::Look(Clock::time_point now, AlarmTracker::Wall wall_now) {
  if (!enabled()) return;
  if (!(status_read_elsewhere_ && status_read_elsewhere_())) {
    devaccess::ReadAt(c_.d, chip::reg::kIntStatus1);
    devaccess::ReadAt(c_.d, chip::reg::kIntStatus2);
  }
  tracker_.Look(alarms_.Take(), now, wall_now);
  int channel_mode = -1;
  for (int slot = 0; slot < chip::kAlarmSlots; ++slot) {
    const AlarmTracker::Kind kind = tracker_.Due(slot);
    if (kind == AlarmTracker::Kind::None) continue;
    // Which channel a bit is depends on the Channel Mode; the bits of no channel do not.
    const bool of_channel = chip::AlarmBitOf(slot, 0).channel != nullptr;
    if (of_channel && channel_mode < 0) {
      channel_mode = devaccess::ReadAt(c_.d, chip::reg::kChannelMode);
    }
    bool news = false;
    const DesktopNotifications::Message message =
        MessageFor(slot, kind, std::max(channel_mode, 0), wall_now, news);
    if (news) service_->Show(slot, message);
    tracker_.Done(slot, now);
  }
}

DesktopNotifications::Message AlarmNotifier::MessageFor(int slot, AlarmTracker::Kind kind,
                                                        int channel_mode,
                                                        AlarmTracker::Wall wall_now, bool& news) {
  using Kind = AlarmTracker::Kind;
  const chip::AlarmBit bit = chip::AlarmBitOf(slot, channel_mode);
  const QString now = ClockTime(wall_now);
  const QString since = ClockTime(tracker_.Since(slot));
  const QString until = ClockTime(tracker_.Until(slot));
  DesktopNotifications::Message m;
  m.critical = bit.critical && kind != Kind::Cleared;
  if (bit.channel == nullptr) {
    news = kind != Kind::Lasting && !bit.name.empty();  // a reserved bit tells nobody anything
    if (kind == Kind::Cleared) {
      m.summary = QString::fromStdString(chip::ClearedSummary(bit));
      m.body = QStringLiteral("Latched from %1 to %2").arg(since, until);
    } else {
      m.summary = QString::fromStdString(chip::AlarmSummary(bit, nullptr));
      m.body = QStringLiteral("Latched at ") + since;
      if (slot == kChassisSlot) {
        m.body = QStringLiteral(
                     "The case was opened. The Intrusion label on the Visual Display "
                     "tab clears the latch. ") +
                 m.body;
      }
    }
    return m;
  }
  const chip::ChannelReading reading = chip::ReadChannel(*bit.channel, [this](std::uint8_t a) {
    return static_cast<std::uint8_t>(devaccess::ReadAt(c_.d, a));
  });
  const QString text = QString::fromStdString(chip::ReadingText(reading));
  news = kind != Kind::Lasting || text != told_[static_cast<std::size_t>(slot)];
  told_[static_cast<std::size_t>(slot)] = text;
  if (kind == Kind::Cleared) {
    m.summary = QString::fromStdString(chip::ClearedSummary(bit));
    m.body = QStringLiteral("%1 at %2; in alarm from %3 to %4").arg(text, now, since, until);
  } else {
    m.summary = QString::fromStdString(chip::AlarmSummary(bit, &reading));
    m.body = text + QStringLiteral(" at ") + now;
    if (since != now) m.body += QStringLiteral("; in alarm since ") + since;
  }
  return m;
}

}  // namespace alarms
