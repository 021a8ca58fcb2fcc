#include "review/recording_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "chart/time_axis.h"
#include "chip/channels.h"
#include "chip/recording_reader.h"
#include "review/readout.h"
#include "support/qstring_printer.h"
#include "support/recording_generator.h"
#include "support/test_times.h"

namespace review {
namespace {

using Model = RecordingModel;

void Read(const std::string& text, Model& model) {
  chip::RecordingReader reader(model);
  reader.Feed(text);
  reader.Finish();
}

using test_support::kSecond;
using test_support::kT0;

// +12V alone, a second apart from kT0: the start of the recordings below.
constexpr char kTwoRowsOf12V[] =
    "# kelvran-eval 1.0.0 recording\n"
    "time,seconds,+12V [V],+12V raw,INT Status 1,INT Status 2\n"
    "2026-12-06T01:02:03.456+01:00,0.000,12.031,192,0,0\n"
    "2026-12-06T01:02:04.456+01:00,1.000,12.031,192,0,0\n";

// Channels become series by caption in the live chart's colours; a stalled fan's empty cell and
// a channel that the Channel Mode switched off break the series instead of joining across; the
// limits hold from the row after their line; alarms in consecutive rows make one span that
// starts at the row before the first; nothing joins across a stretch the chip did not answer.
TEST(RecordingModel, SeriesLimitsAndAlarmsFollowTheFile) {
  Model m;
  Read(
      "# kelvran-eval 1.0.0 recording\n"
      "# medium: SMBus\n"
      "# limits: +12V 11.400 12.600; Fan 1 2657 -\n"
      "time,seconds,+12V [V],+12V raw,Fan 1 [RPM],Fan 1 raw,INT Status 1,INT Status 2,alarms\n"
      "2026-12-06T01:02:03.456+01:00,0.000,12.031,192,4500,150,0,0,\n"
      "2026-12-06T01:02:04.456+01:00,1.000,12.700,203,,255,0,1,+12V;Fan 1\n"
      "# limits: +12V 11.400 12.800; Fan 1 2657 -\n"
      "2026-12-06T01:02:05.456+01:00,2.000,12.900,206,4600,147,0,1,+12V;Chassis\n"
      "# channel mode changed to 0x01 at 2026-12-06T01:02:06.000+01:00\n"
      "time,seconds,+12V [V],+12V raw,AIN 1 [V],AIN 1 raw,INT Status 1,INT Status 2,alarms\n"
      "2026-12-06T01:02:06.456+01:00,3.000,12.031,192,1.000,102,0,0,\n"
      "# bus error at 2026-12-06T01:02:06.956+01:00: NACK\n"
      "# resumed at 2026-12-06T01:02:07.456+01:00 after 0.5 s, 1 sample missed\n"
      "2026-12-06T01:02:07.456+01:00,4.000,12.031,192,1.000,102,0,0,+12V\n",
      m);
  ASSERT_EQ(m.series().size(), 3u);
  EXPECT_EQ(m.series()[0].caption, QStringLiteral("+12V"));
  EXPECT_EQ(m.series()[1].unit, QStringLiteral("RPM"));
  EXPECT_EQ(m.series()[2].caption, QStringLiteral("AIN 1"));
  EXPECT_EQ(m.series()[0].color, QColor(120, 160, 255));  // trace 6 of the voltage group
  EXPECT_EQ(m.UtcOffsetSeconds(), 3600);
  EXPECT_EQ(m.Notes().front(), QStringLiteral("medium: SMBus"));

  const chart::SeriesStore& s = m.store();
  ASSERT_EQ(s.Size(), 6);
  EXPECT_EQ(s.TimeAt(0), kT0);
  EXPECT_FLOAT_EQ(static_cast<float>(s.ValueAt(0, 2)), 12.9f);
  EXPECT_TRUE(std::isnan(s.ValueAt(1, 1)));
  EXPECT_TRUE(s.BreaksWithin(1, 1, 2));   // the stalled fan
  EXPECT_TRUE(s.BreaksWithin(1, 3, 4));   // Fan 1 gone with the Channel Mode change
  EXPECT_FALSE(s.BreaksWithin(0, 0, 4));  // +12V is there throughout, but for the gap
  EXPECT_TRUE(s.BreaksWithin(0, 4, 5));
  EXPECT_FLOAT_EQ(static_cast<float>(s.ValueAt(0, 5)), 12.031f);

  const auto& limits = m.Limits(0);
  ASSERT_EQ(limits.size(), 2u);
  EXPECT_EQ(limits[0].from, kT0);
  EXPECT_EQ(limits[1].from, kT0 + 2 * kSecond);  // from the row after the line
  EXPECT_EQ(limits[1].high, 12.8);
  ASSERT_EQ(m.Limits(1).size(), 1u);
  EXPECT_EQ(m.Limits(1)[0].low, 2657.0);
  EXPECT_FALSE(m.Limits(1)[0].high.has_value());

  const auto& v12 = m.Alarms(0);
  ASSERT_EQ(v12.size(), 2u);
  EXPECT_EQ(v12[0].start, kT0);  // latched since the row before the first alarm
  EXPECT_EQ(v12[0].end, kT0 + 2 * kSecond);
  EXPECT_EQ(v12[1].start, kT0 + 3 * kSecond);
  ASSERT_EQ(m.OtherAlarms().size(), 1u);
  EXPECT_EQ(m.OtherAlarms()[0].name, QStringLiteral("Chassis"));
  EXPECT_EQ(m.AlarmStarts(), (std::vector<std::int64_t>{kT0, kT0 + kSecond, kT0 + 3 * kSecond}));
}

// Rows are placed by their `seconds`, so a clock stepped back draws no stretch at one instant,
// while each row's clock time and zone (here across a change to summer time) stay its own.
TEST(RecordingModel, RowsAreSpacedBySecondsAndLabelledByTheirOwnClock) {
  Model m;
  Read(std::string(kTwoRowsOf12V) +
           "2026-12-06T01:01:05.456+01:00,2.000,12.031,192,0,0\n"
           "2026-12-06T02:01:06.456+02:00,3.000,12.031,192,0,0\n",
       m);
  const chart::SeriesStore& s = m.store();
  ASSERT_EQ(s.Size(), 4);
  chart::TimeAxis axis{chart::TimeAxis::Style::Clock, m.UtcOffsetSeconds(), 0};
  axis.clock = &m.Clock();
  const char* const kClock[] = {"2026-12-06 01:02:03.456", "2026-12-06 01:02:04.456",
                                "2026-12-06 01:01:05.456", "2026-12-06 02:01:06.456"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s.TimeAt(i), kT0 + i * kSecond) << i;
    EXPECT_EQ(chart::FullTime(axis, s.TimeAt(i)), QString::fromLatin1(kClock[i])) << i;
  }
  EXPECT_EQ(chart::TimeTicks(axis, s.TimeAt(3), s.TimeAt(3) + kSecond / 2, 5).front().label,
            QStringLiteral("02:01:06.5"));
}

// An older recording has no alarms column: its status bits give the alarms, channel by channel
// as the chip maps them, and the bits of no channel by name.
TEST(RecordingModel, OlderRecordingsTakeTheirAlarmsFromTheStatusBits) {
  Model m;
  Read(recordings::Text(
           {.rows = 10, .limits = false, .alarms_column = false, .v12_alarms = {{3, 5}}}),
       m);
  const int v12 = m.SeriesOf(QStringLiteral("+12V"));
  ASSERT_GE(v12, 0);
  ASSERT_EQ(m.Alarms(v12).size(), 1u);
  EXPECT_EQ(m.Alarms(v12)[0].start, kT0 + 2 * kSecond);
  EXPECT_EQ(m.Alarms(v12)[0].end, kT0 + 5 * kSecond);
  EXPECT_FALSE(m.HasLimits());

  Model chassis;
  Read(
      "# kelvran-eval 1.0.0 recording\n"
      "time,seconds,+2.5V [V],+2.5V raw,INT Status 1,INT Status 2\n"
      "2026-12-06T01:02:03.456+01:00,0.000,2.512,193,1,16\n",
      chassis);
  EXPECT_EQ(chassis.Alarms(0).size(), 1u);
  ASSERT_EQ(chassis.OtherAlarms().size(), 1u);
  EXPECT_EQ(chassis.OtherAlarms()[0].name, QStringLiteral("Chassis"));
}

// Rows the chip did not answer for are a gap no trace bridges: those between a bus error and its
// resumption, and a step of `seconds` far above the interval. In the one legend no two channels
// share a colour.
TEST(RecordingModel, GapsBreakEveryTraceAndColoursAreDistinct) {
  Model m;
  Read(std::string(kTwoRowsOf12V) +
           "# bus error at 2026-12-06T01:02:05.000+01:00: NACK\n"
           "# resumed at 2026-12-06T01:02:09.000+01:00 after 4.0 s, 4 samples missed\n"
           "2026-12-06T01:02:09.456+01:00,6.000,12.031,192,0,0\n"
           "2026-12-06T01:02:10.456+01:00,7.000,12.031,192,0,0\n"
           "2026-12-06T01:02:11.456+01:00,8.000,12.031,192,0,0\n"
           "2026-12-06T01:03:11.456+01:00,68.000,12.031,192,0,0\n"
           "2026-12-06T01:03:12.456+01:00,69.000,12.031,192,0,0\n",
       m);
  const chart::SeriesStore& s = m.store();
  auto row_at = [&](std::int64_t seconds) { return s.LowerBound(kT0 + seconds * kSecond); };
  EXPECT_FALSE(s.BreaksWithin(0, row_at(0), row_at(1) + 1));
  EXPECT_TRUE(s.BreaksWithin(0, row_at(1) + 1, row_at(6) + 1));
  EXPECT_FALSE(s.BreaksWithin(0, row_at(6), row_at(8) + 1));
  EXPECT_TRUE(s.BreaksWithin(0, row_at(8) + 1, row_at(68) + 1));
  EXPECT_FALSE(s.BreaksWithin(0, row_at(68), row_at(69) + 1));

  std::set<std::string_view> captions;  // the two +Vcc scales are one channel
  for (const chip::Channel* c : chip::AllChannels()) captions.insert(c->caption);
  std::vector<QRgb> colours;
  for (const std::string_view c : captions)
    colours.push_back(
        Model::ColourOf(QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size()))).rgb());
  std::sort(colours.begin(), colours.end());
  EXPECT_EQ(std::unique(colours.begin(), colours.end()), colours.end());
}

// The readout's statistics are those of the rows between the cursors, from the first at or after
// the earlier one to the last at or before the later, computed plainly; with no cursors, those of
// the rows in view. Its cells show a recording's three places.
TEST(Readout, StatisticsEqualAPlainComputationOfTheRowsBetween) {
  Model m;
  Read(recordings::Text({.rows = 5000, .seed = 42}), m);

  // The rows as read, plainly (how a file is read is told above).
  const int v5 = m.SeriesOf(QStringLiteral("+5V"));
  std::vector<double> volts;
  for (std::int64_t i = 0; i < m.store().Size(); ++i) volts.push_back(m.store().ValueAt(v5, i));
  ASSERT_EQ(volts.size(), 5000u);
  const std::vector<int> shown = {v5};

  const struct {
    std::optional<std::int64_t> a, b;
    int first, last;  // rows between
  } cases[] = {
      {kT0 + 1200 * kSecond, kT0 + 3456 * kSecond, 1200, 3456},
      {kT0 + 3456 * kSecond + kSecond / 2, kT0 + 17 * kSecond, 17, 3456},  // B before A
      {std::nullopt, std::nullopt, 0, 4999},                               // the view: all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const Readout r = ComputeReadout(m, shown, c.a, c.b, kT0, kT0 + 4999 * kSecond);
    double lo = INFINITY;
    double hi = -INFINITY;
    double sum = 0.0;
    double squares = 0.0;
    for (int i = c.first; i <= c.last; ++i) {
      const double v = volts[static_cast<std::size_t>(i)];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      sum += v;
      squares += v * v;
    }
    const double n = c.last - c.first + 1;
    const chart::SeriesStore::Stats& st = r.rows.at(0).stats;
    EXPECT_EQ(st.count, c.last - c.first + 1);
    EXPECT_FLOAT_EQ(static_cast<float>(st.min), static_cast<float>(lo));
    EXPECT_FLOAT_EQ(static_cast<float>(st.max), static_cast<float>(hi));
    EXPECT_NEAR(st.Mean(), sum / n, 1e-6);
    EXPECT_NEAR(st.Rms(), std::sqrt(squares / n), 1e-6);
    EXPECT_NEAR(st.StdDev(), std::sqrt(squares / n - (sum / n) * (sum / n)), 1e-5);
    // The cells as the table shows them: the file's three places in every column.
    EXPECT_EQ(ReadoutCell(r, m, 0, 4), QString::number(lo, 'f', 3));
    EXPECT_EQ(ReadoutCell(r, m, 0, 6), QString::number(sum / n, 'f', 3));
    EXPECT_EQ(ReadoutCell(r, m, 0, 9), QString::number(hi - lo, 'f', 3));
    EXPECT_EQ(ReadoutCell(r, m, 0, kRowsColumn), QString::number(c.last - c.first + 1));
    if (c.a) {  // the values at the rows nearest to A and B, and B - A
      const auto at = [&](std::int64_t t) {
        return volts[static_cast<std::size_t>((t - kT0 + kSecond / 2) / kSecond)];
      };
      EXPECT_EQ(ReadoutCell(r, m, 0, 1), QString::number(at(*c.a), 'f', 3));
      EXPECT_EQ(ReadoutCell(r, m, 0, 3), QString::number(at(*c.b) - at(*c.a), 'f', 3));
    }
  }
}

}  // namespace
}  // namespace review
