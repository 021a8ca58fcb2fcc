#include "chip/recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "chip/local_time.h"
#include "chip/recording_session.h"
#include "chip/sample_gaps.h"
#include "chip/sampler.h"
#include "files/recording_file.h"
#include "support/file_text.h"
#include "support/rows_read.h"

namespace chip {
namespace {

namespace fs = std::filesystem;
using files::ExistingFile;
using files::RecordingFile;
using Clock = RecordingFile::Clock;

// Readings as a sampler hands them over: +12V, Fan 1 (stalled in the second) and External 1.
struct Readings {
  std::array<ChannelReading, 3> r{};
  Sample sample;
  Readings() {
    r[0] = {.channel = &channel::kV12,
            .raw = 193,
            .value = 12.0313,
            .low = 10.9,
            .high = 13.2,
            .has_high = true};
    r[1] = {.channel = &channel::kFan1, .raw = 70, .value = 4821.4, .low = 3994};
    r[2] = {.channel = &channel::kExternal1,
            .raw = 0,
            .value = -0.2,
            .low = 0,
            .high = 90,
            .has_high = true};
    sample.channels = r;
  }
};

TEST(Recording, ColumnsLimitsAndRowsPairValueWithRawByte) {
  Readings x;
  EXPECT_EQ(FormatColumnNames(x.sample.channels),
            "time,seconds,+12V [V],+12V raw,Fan 1 [RPM],Fan 1 raw,External 1 [°C],"
            "External 1 raw,INT Status 1,INT Status 2,alarms\n");
  EXPECT_EQ(FormatLimits(x.sample.channels),
            "# limits: +12V 10.900 13.200; Fan 1 3994 -; External 1 0 90\n");

  std::string rows;
  x.sample.status = {0x00, 0x10};
  AppendRow(rows, "2026-12-06T01:02:03.456+01:00", 1.5, x.sample);
  x.r[1].stalled = true;
  x.r[1].raw = 255;
  x.r[0].alarm = x.r[2].alarm = true;
  x.sample.status = {0x20, 0xC1};
  AppendRow(rows, "t", 2.25, x.sample);
  EXPECT_EQ(rows,
            "2026-12-06T01:02:03.456+01:00,1.500,12.031,193,4821,70,0,0,0,16,Chassis\n"
            "t,2.250,12.031,193,,255,0,0,32,193,+12V;External 1;D1 Fault;D2 Fault\n");
}

TEST(Recording, QuotesFieldsAsCsvReadersExpect) {
  const std::array<std::pair<std::string_view, std::string_view>, 4> cases{{
      {"plain", "plain"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
  }};
  for (const auto& [field, quoted] : cases) {
    std::string out;
    AppendCsvField(out, field);
    EXPECT_EQ(out, quoted);
  }
}

TEST(Recording, LocalTimeCarriesMillisecondsAndOffset) {
  const char* saved = std::getenv("TZ");
  const std::string old = saved != nullptr ? saved : "";
  const auto when = std::chrono::system_clock::from_time_t(1796516645) +
                    std::chrono::milliseconds(7);  // 2026-12-06T00:24:05.007Z
  const std::array<std::pair<const char*, const char*>, 3> zones{{
      {"UTC0", "2026-12-06T00:24:05.007+00:00"},
      {"<+0530>-5:30", "2026-12-06T05:54:05.007+05:30"},
      {"<-03>3", "2026-12-05T21:24:05.007-03:00"},
  }};
  for (const auto& [zone, text] : zones) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(when), text) << zone;
  }
  if (saved != nullptr) {
    setenv("TZ", old.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

// The header and the limits come with the first row, and a gap before it waits for them; limits
// are written again when they change, and a new Channel Mode brings its note, limits and column
// names. The reader takes it all back.
TEST(RecordingFileTest, ASessionWritesLimitsAndColumnsAgainOnlyOnAChange) {
  const fs::path dir = kelvran_test::TestFolder();
  Readings x;
  {
    RecordingFile file((dir / "s.csv").string());
    RecordingSession session({"1.0.0", {"SMBus", 0x2D, std::nullopt}, 0, {}}, file);
    const auto wall = std::chrono::system_clock::now();
    const Clock::time_point t0{};
    session.Mark(BusErrorMark("2026-12-06T01:02:02.000+01:00", "reading 0x20: NACK"), t0);
    session.Row(x.sample, wall, t0);
    session.Mark(ResumedMark("2026-12-06T01:02:03.500+01:00", 1.5, 2), t0);
    session.Row(x.sample, wall, t0);
    x.sample.limits_changed = true;
    session.Row(x.sample, wall, t0);
    x.sample.channels_changed = true;
    x.sample.channel_mode = 0x0F;
    session.Row(x.sample, wall, t0);
    EXPECT_EQ(session.rows(), 4U);
  }
  const std::string text = kelvran_test::FileText(dir / "s.csv");
  std::string kinds;  // h(eader), g(ap), l(imits), c(olumn names), r(ow), m(ode change)
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    for (const auto& [start, kind] : {std::pair{"# kelvran-eval ", 'h'},
                                      {"# bus error at ", 'g'},
                                      {"# resumed at ", 'g'},
                                      {"# limits: ", 'l'},
                                      {"time,seconds,", 'c'},
                                      {"2", 'r'},
                                      {"# channel mode changed to 0x0F at ", 'm'}}) {
      if (line.starts_with(start)) kinds += kind;
    }
  }
  EXPECT_EQ(kinds, "hglcrgrlrmlcr") << text;
  EXPECT_EQ(test_support::RowsRead(text), 4);
}

// A recording of a chip that does not convert says so, and why, before its rows (after the
// restart line of one continued); one whose caller did not read Configuration 1 says nothing of it.
TEST(RecordingFileTest, AChipAtRestIsNamedInTheHeader) {
  const fs::path dir = kelvran_test::TestFolder();
  const struct {
    std::optional<std::uint8_t> configuration;
    ExistingFile existing;
    bool at_rest;
  } cases[] = {{0x02, ExistingFile::Overwrite, true},
               {0x03, ExistingFile::Overwrite, false},
               {std::nullopt, ExistingFile::Overwrite, false},
               {0x00, ExistingFile::Append, true}};
  for (const auto& c : cases) {
    Readings x;
    {
      RecordingFile file((dir / "rest.csv").string(), c.existing, Clock::time_point{});
      RecordingSession session({"1.0.0", {"SMBus", 0x2D, std::nullopt}, 0, {}}, file,
                               c.configuration);
      session.Row(x.sample, std::chrono::system_clock::now(), Clock::time_point{});
    }
    const std::string text = kelvran_test::FileText(dir / "rest.csv");
    const bool appended = c.existing == ExistingFile::Append;
    const std::size_t from = appended ? text.find("# appended: ") : 0;
    ASSERT_NE(from, std::string::npos) << text;
    const std::size_t note =
        text.find("# not monitoring: START (bit 0 of Configuration 1) is clear", from);
    EXPECT_EQ(note != std::string::npos, c.at_rest) << text;
    if (c.at_rest && !appended) {
      EXPECT_LT(note, text.find("time,seconds,")) << text;
    }
  }
}

}  // namespace
}  // namespace chip
