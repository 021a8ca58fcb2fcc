#include "alarms/alarm_tracker.h"

namespace alarms {

void AlarmTracker::Look(const chip::StatusSample& latched, Clock::time_point now, Wall wall_now) {
  for (int i = 0; i < chip::kAlarmSlots; ++i) {
    Slot& s = slots_[Index(i)];
    const bool on = chip::IsLatched(latched, i);
    if (on && !s.raise_pending && s.shown != Shown::Alarm) {
      // A new alarm. One whose end has not been told yet (it stopped and came back within the
      // gap) goes on as the same alarm.
      s.raise_pending = true;
      s.since = wall_now;
    }
    if (!on && s.in_alarm) s.until = wall_now;
    s.in_alarm = on;

    s.due = Kind::None;
    if (s.ever_told && now - s.last_told < kGap) continue;
    if (s.raise_pending) {
      s.due = Kind::Raised;
    } else if (s.shown == Shown::Alarm) {
      s.due = s.in_alarm ? Kind::Lasting : Kind::Cleared;
    }
  }
}

void AlarmTracker::Done(int slot, Clock::time_point now) {
  Slot& s = slots_[Index(slot)];
  switch (s.due) {
    case Kind::None:
      return;
    case Kind::Raised:
      s.shown = Shown::Alarm;
      s.raise_pending = false;
      break;
    case Kind::Lasting:
      break;
    case Kind::Cleared:
      s.shown = Shown::Cleared;
      break;
  }
  s.due = Kind::None;
  s.ever_told = true;
  s.last_told = now;
}

}  // namespace alarms
