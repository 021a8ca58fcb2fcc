#include "chip/recording_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "chip/recording_session.h"
#include "chip/sample_gaps.h"
#include "chip/sampler.h"
#include "files/recording_file.h"
#include "support/file_text.h"

namespace chip {
namespace {

using files::RecordingFile;

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// What the reader handed on, as text, for comparing readings of the same file.
class Collector : public RecordingSink {
 public:
  void Note(std::uint64_t, std::string_view key, std::string_view value) override {
    log.push_back("note " + std::string(key) + "=" + std::string(value));
  }
  void Columns(std::span<const RecordedColumn> columns, bool has_alarms) override {
    std::string line = "columns";
    for (const RecordedColumn& c : columns) line += " " + c.caption + "[" + c.unit + "]";
    log.push_back(line + (has_alarms ? " +alarms" : ""));
  }
  void Limits(std::span<const RecordedLimits> limits) override {
    std::string line = "limits";
    for (const RecordedLimits& l : limits) {
      line += " " + l.caption + ":" + (l.low ? std::to_string(*l.low) : "-") + "/" +
              (l.high ? std::to_string(*l.high) : "-");
    }
    log.push_back(line);
  }
  void Row(const RecordedRow& row) override {
    std::ostringstream line;
    line.precision(10);
    line << "row " << row.line << " t=" << row.time << " z=" << row.utc_offset_seconds
         << " s=" << row.seconds;
    for (std::size_t c = 0; c < row.values.size(); ++c)
      line << " " << row.values[c] << "/" << row.raws[c];
    line << " st=" << row.status1 << "," << row.status2;
    if (row.alarms) line << " alarms=" << *row.alarms;
    log.push_back(line.str());
    values.push_back(std::vector<double>(row.values.begin(), row.values.end()));
  }
  void Gap(std::uint64_t line, const RecordedGap& gap) override {
    std::ostringstream text;
    text << "gap " << line << " t=" << gap.time << " z=" << gap.utc_offset_seconds;
    if (gap.resumed) {
      text << " resumed " << gap.seconds << " s " << gap.missed << " missed";
    } else {
      text << " error " << gap.error;
    }
    log.push_back(text.str());
  }
  std::vector<std::string> log;
  std::vector<std::vector<double>> values;
};

// Feeds text in pieces of the given size; returns the torn line Finish gives.
std::uint64_t ReadInPieces(const std::string& text, std::size_t piece, Collector& sink) {
  RecordingReader reader(sink);
  for (std::size_t at = 0; at < text.size(); at += piece) reader.Feed(text.substr(at, piece));
  return reader.Finish();
}

const std::string kNewFormat =
    "# kelvran-eval 1.0.0 recording\n"
    "# medium: SMBus\n"
    "# chip address: 0x2D\n"
    "# started: 2026-12-06T01:02:03.456+01:00\n"
    "# limits: +12V 11.400 12.600; Fan 1 2657 -; External 1 - 90\n"
    "time,seconds,+12V [V],+12V raw,Fan 1 [RPM],Fan 1 raw,\"External 1 [°C]\",External 1 raw,"
    "INT Status 1,INT Status 2,alarms\r\n"
    "2026-12-06T01:02:03.456+01:00,0.000,12.031,192,4500,150,-2,254,0,16,+12V;Chassis\r\n"
    "\n"
    "# a note the reader does not know\n"
    "# bus error at 2026-12-06T01:02:03.956+01:00: reading 0x20: NACK\n"
    "# resumed at 2026-12-06T01:02:04.456+01:00 after 0.5 s, 1 sample missed\n"
    "2026-12-06T01:02:04.456+01:00,1.000,12.031,192,,255,40,40,,,\n"
    "# channel mode changed to 0x01 at 2026-12-06T01:02:05.000+01:00\n"
    "time,seconds,+12V [V],+12V raw,INT Status 1,INT Status 2\n"
    "2026-12-06T00:02:05.456Z,0.000,11.5,180,1,0\n";

// Everything the later format adds is read: limits, the alarms column, quoted column names,
// empty cells, a Channel Mode change, notes, CR LF line ends and blank lines; and the text
// reads the same whatever pieces it arrives in.
TEST(RecordingReader, ReadsTheLaterFormatInAnyPieces) {
  Collector whole;
  EXPECT_EQ(ReadInPieces(kNewFormat, kNewFormat.size(), whole), 0u);
  EXPECT_THAT(
      whole.log,
      ElementsAre("note medium=SMBus", "note chip address=0x2D",
                  "note started=2026-12-06T01:02:03.456+01:00",
                  "limits +12V:11.400000/12.600000 Fan 1:2657.000000/- External 1:-/90.000000",
                  "columns +12V[V] Fan 1[RPM] External 1[°C] +alarms",
                  "row 7 t=1796515323456000000 z=3600 s=0 12.031/192 4500/150 -2/254 st=0,16 "
                  "alarms=+12V;Chassis",
                  "note a note the reader does not know=",
                  "gap 10 t=1796515323956000000 z=3600 error reading 0x20: NACK",
                  "gap 11 t=1796515324456000000 z=3600 resumed 0.5 s 1 missed",
                  "row 12 t=1796515324456000000 z=3600 s=1 12.031/192 nan/255 40/40 st=-1,-1 "
                  "alarms=",
                  "note channel mode changed to 0x01 at 2026-12-06T01:02:05.000+01:00=",
                  "columns +12V[V]", "row 15 t=1796515325456000000 z=0 s=0 11.5/180 st=1,0"));
  for (const std::size_t piece : std::vector<std::size_t>{1, 2, 7, 64}) {
    Collector pieces;
    EXPECT_EQ(ReadInPieces(kNewFormat, piece, pieces), 0u);
    EXPECT_EQ(pieces.log, whole.log) << piece;
  }
}

// What the recorder writes reads back value for value: limits, an alarm, a stalled fan, gaps.
// The header comes with the first row; limits and columns are written again only on a change.
TEST(RecordingReader, ReadsWhatTheRecorderWrites) {
  const std::string path = ::testing::TempDir() + "recording_reader_test.csv";
  {
    RecordingFile file(path);
    const auto wall = std::chrono::system_clock::from_time_t(1796515323);
    const auto now = std::chrono::steady_clock::now();
    // Register values by address; Channel Mode 0x00 gives ten channels, the fans at 0x28 and
    // 0x29 (0x29 stalled at 255); +12V alarms in the second row.
    int status2 = 0;
    std::uint8_t mode = 0x00;
    std::uint8_t v12_high = 0xD3;
    AlarmStore alarms;
    auto read = [&](std::uint8_t address) -> std::uint8_t {
      if (address == 0x16) return mode;
      if (address == 0x33) return v12_high;
      if (address == 0x47) return 0x50;
      if (address == 0x29) return 0xFF;
      if (address == 0x42) {
        alarms.Latch(0, static_cast<std::uint8_t>(status2));
        return static_cast<std::uint8_t>(status2);
      }
      if (address == 0x41) return 0;
      return static_cast<std::uint8_t>(address + 100);
    };
    Sampler sampler(read, alarms);
    RecordingSession session({"1.0.0", {"SMBus", 0x2D, std::nullopt}, 0, {}}, file);
    // A gap before the first row waits for the header; one later goes where it happened.
    session.Mark(BusErrorMark("2026-12-06T01:02:02.000+01:00", "reading 0x20: NACK"), now);
    session.Row(sampler.Take(), wall, now);
    session.Mark(ResumedMark("2026-12-06T01:02:03.500+01:00", 1.5, 2), now);
    status2 = 0x01;
    session.Row(sampler.Take(), wall + std::chrono::seconds(1), now + std::chrono::seconds(1));
    status2 = 0;
    session.Row(sampler.Take(), wall + std::chrono::seconds(2), now + std::chrono::seconds(2));
    v12_high = 0xD4;
    session.Row(sampler.Take(), wall + std::chrono::seconds(3), now + std::chrono::seconds(3));
    mode = 0x0F;
    session.Row(sampler.Take(), wall + std::chrono::seconds(4), now + std::chrono::seconds(4));
    EXPECT_EQ(session.rows(), 5U);
    file.Flush();
  }
  const std::string text = kelvran_test::FileText(path);
  std::remove(path.c_str());
  Collector sink;
  EXPECT_EQ(ReadInPieces(text, text.size(), sink), 0u);
  ASSERT_EQ(sink.values.size(), 5u);
  ASSERT_EQ(sink.values[0].size(), 10u);
  EXPECT_NEAR(sink.values[0][0], 3.32 / 255 * (0x20 + 100) + 0.026, 0.0005);  // +2.5V
  EXPECT_TRUE(std::isnan(sink.values[0][9]));                                 // Fan 2 stalled
  EXPECT_THAT(sink.log, Contains(StartsWith("note started=")));
  EXPECT_THAT(sink.log, Contains(HasSubstr(" st=0,1 alarms=+12V")));
  EXPECT_THAT(sink.log, Contains(StartsWith("limits +2.5V:")));
  std::vector<char> kinds;  // g(ap), r(ow), l(imits), c(olumns), m(ode change), in file order
  for (const std::string& entry : sink.log) {
    if (entry.starts_with("gap") || entry.starts_with("row")) kinds.push_back(entry[0]);
    if (entry.starts_with("limits") || entry.starts_with("columns")) kinds.push_back(entry[0]);
    if (entry.starts_with("note channel mode changed to 0x0F")) kinds.push_back('m');
  }
  EXPECT_THAT(kinds, ElementsAre('g', 'l', 'c', 'r', 'g', 'r', 'r', 'l', 'r', 'm', 'l', 'c', 'r'));
  EXPECT_THAT(sink.log, Contains(HasSubstr("resumed 1.5 s 2 missed")));
  EXPECT_EQ(sink.values[4].size(), 9u) << "the columns of Channel Mode 0x0F";
}

// A recording still being written, or cut short by a crash, ends in part of a line: it is kept
// back, its number given, and read once the rest arrives.
TEST(RecordingReader, KeepsAnIncompleteLastLineUntilItEnds) {
  const std::string text = kNewFormat.substr(0, kNewFormat.size() - 20);
  Collector sink;
  RecordingReader reader(sink);
  reader.Feed(text);
  EXPECT_EQ(reader.Finish(), 15u);
  EXPECT_EQ(reader.rows(), 2u);
  reader.Feed(kNewFormat.substr(text.size()));
  EXPECT_EQ(reader.Finish(), 0u);
  EXPECT_EQ(reader.rows(), 3u);
  // Only the first line on its way: not yet wrong, not yet a recording.
  Collector early;
  RecordingReader started(early);
  started.Feed("# kelvran-ev");
  EXPECT_EQ(started.Finish(), 1u);
}

// Anything that is not a recording stops the reading with the line and what was expected there.
TEST(RecordingReader, ForeignOrDamagedTextNamesTheLineAndWhatWasExpected) {
  const std::string header =
      "# kelvran-eval 1.0.0 recording\n"
      "time,seconds,+12V [V],+12V raw,INT Status 1,INT Status 2\n";
  const std::string row = "2026-12-06T01:02:03.456+01:00,0.000,12.031,192,0,16\n";
  const struct {
    std::string text;
    std::uint64_t line;
    const char* expected;
  } cases[] = {
      {"", 1, "expected \"# kelvran-eval <version> recording\", found nothing"},
      {"Date,Value\n2026-12-06,1.5\n", 1, "found \"Date,Value\""},
      {"# kelvran-eval 1.0.0 recording\n2026-12-06T01:02:03.456+01:00,0.000\n", 2,
       "expected the column names"},
      {header + row + "2026-12-06T01:02:04.456+01:00,1.000,12.031,192,0\n", 4,
       "expected 6 fields as the column names on line 2 give, found 5"},
      {header + "2026-13-06T01:02:03.456+01:00,0.000,12.031,192,0,16\n", 3,
       "field 1 (time): expected a time such as 2026-12-06T01:02:03.456+01:00"},
      {header + "2026-12-06T01:02:03.456+01:00,soon,12.031,192,0,16\n", 3,
       "field 2 (seconds): expected a number of seconds, found \"soon\""},
      {header + "2026-12-06T01:02:03.456+01:00,0.000,12,0x31,192,0\n", 3,
       "field 4 (+12V raw): expected a whole number from 0 to 255, found \"0x31\""},
      {header + "2026-12-06T01:02:03.456+01:00,0.000,nan,192,0,16\n", 3,
       "field 3 (+12V [V]): expected a number or nothing"},
      {header + "2026-12-06T01:02:03.456+01:00,0.000,12.031,192,0,x\n", 3,
       "field 6 (INT Status 2): expected a whole number from 0 to 255 or nothing"},
      {"# kelvran-eval 1.0.0 recording\ntime,seconds,+12V [V],+12V,INT Status 1,INT Status 2\n", 2,
       "field 4 (+12V): expected a channel such as \"+12V [V]\""},
      {"# kelvran-eval 1.0.0 recording\ntime,seconds,INT Status 1,INT Status 2,alarm\n", 2,
       "field 5 (alarm): expected \"alarms\" or the end of the line"},
      {"# kelvran-eval 1.0.0 recording\n# bus error at yesterday: NACK\n", 2,
       "expected \"# bus error at <time>: <what failed>\""},
      {"# kelvran-eval 1.0.0 recording\n# resumed at 2026-12-06T01:02:03.456Z after 6 s\n", 2,
       "expected \"# resumed at <time> after <seconds> s, <n> samples missed\""},
      {"# kelvran-eval 1.0.0 recording\n# limits: +12V 11.4\n", 2,
       "expected limits as \"caption low high\""},
      {"# kelvran-eval 1.0.0 recording\ntime,seconds,\"+12V [V],+12V raw\n", 2,
       "expected a closing quote"},
      // A control character in a name is shown as a space: a NUL would cut the message short.
      {"# kelvran-eval 1.0.0 recording\ntime,seconds,+12V [V],+12" + std::string(1, '\0') +
           "V raw\n",
       2,
       "field 4 (+12 V raw): expected a channel such as \"+12V [V]\", \"INT Status 1\" or "
       "\"alarms\", found \"+12 V raw\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Collector sink;
    try {
      ReadInPieces(c.text, 5, sink);
      ADD_FAILURE() << "read without complaint";
    } catch (const RecordingFormatError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_THAT(e.what(), HasSubstr(c.expected));
      EXPECT_THAT(e.what(), HasSubstr("line " + std::to_string(c.line) + ": "));
    }
  }
}

TEST(RecordingReader, ParsesTimesWithTheirZones) {
  const struct {
    const char* text;
    std::int64_t ms;
    int offset;
  } good[] = {
      {"1970-01-01T00:00:00.000Z", 0, 0},
      {"1970-01-01T01:00:00.001+01:00", 1, 3600},
      {"2026-12-06T01:02:03.456+01:00", 1796515323456, 3600},
      {"2024-02-29T23:59:59.999-05:30", 1709270999999, -19800},
      {"2026-12-06T00:02:03Z", 1796515323000, 0},
  };
  for (const auto& g : good) {
    SCOPED_TRACE(g.text);
    const std::optional<ParsedTime> t = ParseIsoTime(g.text);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->time, g.ms * 1'000'000);
    EXPECT_EQ(t->utc_offset_seconds, g.offset);
  }
  for (const char* bad :
       {"2023-02-29T00:00:00.000Z", "2026-12-06 01:02:03.456+01:00", "2026-12-06T24:00:00.000Z",
        "2026-12-06T01:02:03.+01:00", "2026-12-06T01:02:03.456+0100", "2026-12-06T01:02:03.456",
        "4052-12-06T01:02:03.456Z", "0001-01-01T00:00:00.000Z", ""}) {
    EXPECT_FALSE(ParseIsoTime(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace chip
