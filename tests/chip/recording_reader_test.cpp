#include "chip/recording_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace chip {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

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

// A recording whose first line is still on its way is not yet wrong: the part is kept back and
// its number given, as for any torn last line.
TEST(RecordingReader, AFirstLineOnItsWayIsNoError) {
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
      {"# kelvran-eval 1.0.0 recording\n2026-12-06T01:02:03.456+01:00,0.000\n", 2,
       "expected the column names"},
      {header + row + "2026-12-06T01:02:04.456+01:00,1.000,12.031,192,0\n", 4,
       "expected 6 fields as the column names on line 2 give, found 5"},
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
      {"# kelvran-eval 1.0.0 recording\n# resumed at 2026-12-06T01:02:03.456Z after 6 s, "
       "99999999999999999999999 "
       "samples missed\n",
       2, "expected \"# resumed at <time> after <seconds> s, <n> samples missed\""},
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
