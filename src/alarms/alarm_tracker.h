#pragma once

#include <array>
#include <chrono>

#include "chip/alarm_bits.h"

namespace alarms {

// When each INT Status bit deserves a notification: one when it latches, updates while it keeps
// latching, one more when it stops; never two for one bit within kGap, so a reading that hovers
// at its limit cannot flood the desktop. An alarm that came and went between two allowed
// notifications is still told (as raised, then as cleared), never dropped.
class AlarmTracker {
 public:
  using Clock = std::chrono::steady_clock;
  using Wall = std::chrono::system_clock::time_point;
  static constexpr Clock::duration kGap = std::chrono::seconds(10);

  enum class Kind { None, Raised, Lasting, Cleared };

  // What latched since the previous look, seen at now (and wall_now on the wall clock).
  void Look(const chip::StatusSample& latched, Clock::time_point now, Wall wall_now);
  // What the bit should tell now, after the last Look.
  Kind Due(int slot) const { return slots_[Index(slot)].due; }
  // The bit's due notification has been dealt with (sent, or left out as telling nothing new).
  void Done(int slot, Clock::time_point now);

  // When the alarm being told began, and (for a cleared one) ended, on the wall clock.
  Wall Since(int slot) const { return slots_[Index(slot)].since; }
  Wall Until(int slot) const { return slots_[Index(slot)].until; }

 private:
  enum class Shown { Nothing, Alarm, Cleared };
  struct Slot {
    bool in_alarm = false;
    bool raise_pending = false;  // latched while no notification could go out
    bool ever_told = false;
    Shown shown = Shown::Nothing;
    Kind due = Kind::None;
    Clock::time_point last_told{};
    Wall since{};
    Wall until{};
  };
  static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }

  std::array<Slot, chip::kAlarmSlots> slots_{};
};

}  // namespace alarms
