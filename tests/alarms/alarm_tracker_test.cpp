#include "alarms/alarm_tracker.h"

#include <gtest/gtest.h>

#include <vector>

namespace alarms {
namespace {

using Kind = AlarmTracker::Kind;
using std::chrono::seconds;

constexpr int kV12 = 8;  // INT Status 2 bit 0
constexpr chip::StatusSample kNone{0x00, 0x00};
constexpr chip::StatusSample kV12Latched{0x00, 0x01};

struct Step {
  int second;
  chip::StatusSample latched;
  Kind due;  // for +12V, which is then told
};

// Runs the looks of one story, a second apart or as given, telling whatever falls due.
void Story(const char* name, const std::vector<Step>& steps) {
  SCOPED_TRACE(name);
  AlarmTracker tracker;
  const AlarmTracker::Clock::time_point start{};
  for (const Step& step : steps) {
    const auto now = start + seconds(step.second);
    tracker.Look(step.latched, now, AlarmTracker::Wall(seconds(step.second)));
    EXPECT_EQ(tracker.Due(kV12), step.due) << "at " << step.second << " s";
    tracker.Done(kV12, now);
  }
}

// The end waits out the gap after the start (the plain story, raised, updated and ended, is
// AlarmNotifierTest's).
TEST(AlarmTracker, AShortDipIsOneAlarmAndOneBetweenTwoNotificationsIsToldLate) {
  Story("a short dip is one alarm", {{0, kV12Latched, Kind::Raised},
                                     {3, kNone, Kind::None},
                                     {5, kV12Latched, Kind::None},
                                     {10, kV12Latched, Kind::Lasting},
                                     {11, kNone, Kind::None},
                                     {20, kNone, Kind::Cleared}});
  // Came and went between two allowed notifications: told late, never lost.
  Story("an alarm between two notifications", {{0, kV12Latched, Kind::Raised},
                                               {1, kNone, Kind::None},
                                               {10, kNone, Kind::Cleared},
                                               {12, kV12Latched, Kind::None},
                                               {13, kNone, Kind::None},
                                               {20, kNone, Kind::Raised},
                                               {30, kNone, Kind::Cleared}});
}

TEST(AlarmTracker, EachBitHasItsOwnGapAndItsOwnTimes) {
  AlarmTracker tracker;
  const AlarmTracker::Clock::time_point start{};
  const auto wall = [](int s) { return AlarmTracker::Wall(seconds(s)); };
  constexpr int kExternal1 = 5;
  tracker.Look({0x20, 0x01}, start, wall(100));
  EXPECT_EQ(tracker.Due(kV12), Kind::Raised);
  EXPECT_EQ(tracker.Due(kExternal1), Kind::Raised);
  tracker.Done(kV12, start);
  tracker.Done(kExternal1, start);

  tracker.Look({0x00, 0x01}, start + seconds(4), wall(104));
  tracker.Look({0x00, 0x00}, start + seconds(12), wall(112));
  EXPECT_EQ(tracker.Due(kV12), Kind::Cleared);
  EXPECT_EQ(tracker.Due(kExternal1), Kind::Cleared);
  EXPECT_EQ(tracker.Since(kV12), wall(100));
  EXPECT_EQ(tracker.Until(kV12), wall(112));
  EXPECT_EQ(tracker.Until(kExternal1), wall(104));
  tracker.Done(kV12, start + seconds(12));  // External 1's end is not told yet

  tracker.Look({0x00, 0x00}, start + seconds(13), wall(113));
  EXPECT_EQ(tracker.Due(kV12), Kind::None);
  EXPECT_EQ(tracker.Due(kExternal1), Kind::Cleared);
  // (A bit that never latched told nonetheless: AlarmNotifierTest counts every notification.)
}

}  // namespace
}  // namespace alarms
