#include "chart/time_axis.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "support/qstring_printer.h"
#include "support/test_times.h"

namespace chart {
namespace {

using test_support::kSecond;
using test_support::kT0;

QStringList Labels(const std::vector<TimeTick>& ticks) {
  QStringList labels;
  for (const TimeTick& t : ticks) labels << t.label;
  return labels;
}

// Clock ticks fall on round times of the recording's own zone, with the date once the view
// passes midnight there; elapsed ticks count from the origin.
TEST(TimeAxis, TicksFallOnRoundTimesOfTheirZone) {
  TimeAxis clock{TimeAxis::Style::Clock, 3600, 0};
  EXPECT_EQ(Labels(TimeTicks(clock, kT0, kT0 + 50 * kSecond, 5)),
            QStringList({"01:02:10", "01:02:20", "01:02:30", "01:02:40", "01:02:50"}));
  // 22:00 to 02:00 local: across midnight every label has its date.
  const std::int64_t evening = kT0 - (3 * 3600 + 2 * 60 + 3) * kSecond - kSecond * 456 / 1000;
  const auto night = TimeTicks(clock, evening, evening + 4 * 3600 * kSecond, 4);
  EXPECT_EQ(Labels(night), QStringList({"Dec 5 22:00", "Dec 5 23:00", "Dec 6 00:00", "Dec 6 01:00",
                                        "Dec 6 02:00"}));
  EXPECT_EQ(Labels(TimeTicks(clock, kT0, kT0 + 1500 * 1'000'000, 3)),
            QStringList({"01:02:03.5", "01:02:04.0", "01:02:04.5"}));
  const auto week = TimeTicks(clock, kT0, kT0 + 7 * 86400 * kSecond, 4);
  EXPECT_EQ(Labels(week), QStringList({"Dec 7", "Dec 9", "Dec 11", "Dec 13"}));

  TimeAxis elapsed{TimeAxis::Style::Elapsed, 0, kT0};
  EXPECT_EQ(Labels(TimeTicks(elapsed, kT0 + 10 * kSecond, kT0 + (2 * 86400 + 10) * kSecond, 2)),
            QStringList({"1d 0:00:00", "2d 0:00:00"}));
  EXPECT_EQ(FullTime(elapsed, kT0 + 3723 * kSecond + 5'000'000), QStringLiteral("1:02:03.005"));
  EXPECT_EQ(FullTime(clock, kT0), QStringLiteral("2026-12-06 01:02:03.456"));
}

TEST(TimeAxis, SpansReadAsAPersonSaysThem) {
  EXPECT_EQ(SpanText(12'000'000), QStringLiteral("12 ms"));
  EXPECT_EQ(SpanText(45'200'000'000), QStringLiteral("45.2 s"));
  EXPECT_EQ(SpanText(599 * kSecond), QStringLiteral("9 min 59 s"));
  EXPECT_EQ(SpanText(12'000 * kSecond), QStringLiteral("3 h 20 min"));
  EXPECT_EQ(SpanText(7 * 86400 * kSecond + 3600 * kSecond), QStringLiteral("7 d 1 h"));
}

}  // namespace
}  // namespace chart
