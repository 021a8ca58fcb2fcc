#pragma once

#include <QDBusConnection>
#include <QObject>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

#include "alarms/alarm_tracker.h"
#include "alarms/desktop_notifications.h"
#include "boxes/feature_context.h"
#include "chip/alarm_store.h"

class QTimer;

namespace alarms {

// File > "Notify on Alarms": a desktop notification when a channel goes into alarm, updated in
// place while it lasts and once more when it clears.
//
// Off, it touches nothing. On, it looks once a second at what latched in the chip's alarm store.
// While the display cycle reads INT Status 1 and 2 its reads feed the store; on the other tabs
// the look reads them itself. Only a notification about to go out reads more: the Channel Mode
// (which channel a bit is) and that channel's reading and limits. A look is a handler of its own,
// between the display's ticks; a bus failure in it goes on to the program's error report.
class AlarmNotifier : public QObject {
  Q_OBJECT

 public:
  using Clock = AlarmTracker::Clock;
  // True while something else (the display cycle) reads INT Status 1 and 2.
  using StatusReadElsewhere = std::function<bool()>;

  AlarmNotifier(boxes::FeatureContext& context, StatusReadElsewhere status_read_elsewhere,
                QObject* parent = nullptr);
  ~AlarmNotifier() override;

  void SetEnabled(bool on);
  bool enabled() const { return alarms_.valid(); }

  // The bus the service is looked for on, and where its absence is told; the session bus and
  // stderr unless set before the first enable.
  void SetBus(const QDBusConnection& bus) { bus_ = bus; }
  void SetWarn(DesktopNotifications::Warn warn) { warn_ = std::move(warn); }

  // One look, as the timer takes it once a second; wall_now is the time the notifications tell.
  void Look(Clock::time_point now, AlarmTracker::Wall wall_now);

 private:
  void Tick();
  DesktopNotifications::Message MessageFor(int slot, AlarmTracker::Kind kind, int channel_mode,
                                           AlarmTracker::Wall wall_now, bool& news);

  boxes::FeatureContext& c_;
  StatusReadElsewhere status_read_elsewhere_;
  QTimer* timer_;
  chip::AlarmStore::Subscription alarms_;
  AlarmTracker tracker_;
  std::optional<QDBusConnection> bus_;
  DesktopNotifications::Warn warn_;
  DesktopNotifications* service_ = nullptr;  // made on the first enable
  // What each bit's last notification said of its reading, so an update that would say the same
  // is left out.
  std::array<QString, chip::kAlarmSlots> told_{};
};

}  // namespace alarms
