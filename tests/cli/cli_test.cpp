#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chip/recording_reader.h"
#include "cli/arguments.h"
#include "cli/kelvran_run.h"
#include "cli/run.h"

namespace cli {
namespace {

using harness::FileText;
using harness::Lines;
using harness::SplitLines;

// kelvran run in-process on a scenario file, with its bus trace.
struct Result : harness::RunResult {
  bool Wrote() const { return !Writes().empty(); }
};

constexpr const char* kOneSMBusChip = R"({"smbus": {"chips": [{"address": "0x2D"}]}, "chip": {
  "registers": {"0x40": "0x02", "0x43": "0x81", "0x21": "0x9C"}}})";

Result Kelvran(Lines args, const std::string& scenario = kOneSMBusChip,
               const Terminal& terminal = Terminal{}) {
  return {harness::RunKelvran(std::move(args), scenario, terminal)};
}

// Several printer ports and an SMBus chip: the wizard's order is ports by index, ModeFlag false
// before true, then the SMBus.
TEST(Kelvran, DetectListsTheChipsInTheWizardsOrder) {
  const Result r = Kelvran({"detect"}, R"({
    "printer_ports": [
      {"base": "0x378", "boards": [{"address": "0x5A", "answers_under": "true"},
                                   {"address": "0x5C", "answers_under": "false"}]},
      {"base": "0x278", "boards": [{"address": "0x58", "answers_under": "both"}]}],
    "smbus": {"chips": [{"address": "0x2D"}, {"address": "0x50"}]}})");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(SplitLines(r.out),
            (Lines{"printer port 0 (378h) address 0x2E, direct-build board",
                   "printer port 0 (378h) address 0x2D, inverted-build board",
                   "printer port 1 (278h) address 0x2C, direct-build board",
                   "printer port 1 (278h) address 0x2C, inverted-build board",
                   "smbus address 0x2D on --bus=0 (SMBus simulated adapter at 5000)"}));
  EXPECT_FALSE(r.Wrote());
  const Result none = Kelvran({"detect"}, R"({"smbus": {"chips": []}})");
  EXPECT_EQ(none.status, 3);
  EXPECT_NE(none.err.find("no KELVRAN answered"), std::string::npos);
}

TEST(Kelvran, DumpShowsEveryRegisterDecoded) {
  const Result r = Kelvran({"dump"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Lines lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines.front().substr(0, 4), "0x13");
  EXPECT_EQ(lines.back().substr(0, 4), "0x4D");
  EXPECT_EQ(lines[10], "0x21  Vccp1                 0x9C  10011100  +Vccp1 reading 2.208 V");
  EXPECT_EQ(lines[39], "0x40  Configuration 1       0x02  00000010  INT Enable");
  EXPECT_EQ(lines[42], "0x43  INT Mask 1            0x81  10000001  2.5V/ExtTemp, FAN2/AIN2");
}

TEST(Kelvran, GetAndSetByAddressOrName) {
  const struct {
    Lines args;
    std::string out;
    std::string write;  // the write in the trace, if any
  } cases[] = {
      {{"get", "0x43"}, "0x43  INT Mask 1            0x81  10000001  2.5V/ExtTemp, FAN2/AIN2", ""},
      {{"get", " int mask 1 "},
       "0x43  INT Mask 1            0x81  10000001  2.5V/ExtTemp, FAN2/AIN2",
       ""},
      {{"set", "43h", "0b1111", "--yes"},
       "0x43  INT Mask 1            0x0F  00001111  2.5V/ExtTemp, Vccp1, Vcc, 5V",
       "SMB 2D W 43 0F"},
      {{"set", "INT Mask 1", "--bit", "7=0", "--yes"},
       "0x43  INT Mask 1            0x01  00000001  2.5V/ExtTemp",
       "SMB 2D W 43 01"},
      {{"set", "0x19", "200", "--address", "0x2D", "--yes"},
       "0x19  Analog Output         0xC8  11001000  Bit 3, Bit 6, Bit 7",
       "SMB 2D W 19 C8"},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args);
    EXPECT_EQ(r.status, 0) << c.args[1] << r.err;
    EXPECT_EQ(r.out, c.out + "\n");
    const bool wrote = std::find(r.trace.begin(), r.trace.end(), c.write) != r.trace.end();
    EXPECT_EQ(c.write.empty() ? r.Wrote() : wrote, !c.write.empty()) << c.args[1];
  }
}

// A measurement or limit register shows what its byte means in volts, degrees or RPM, under the
// Channel Mode (and fan divisor) the chip has now; a register the mode leaves unused says so.
TEST(Kelvran, GetShowsTheConvertedValueUnderTheChannelModeInUse) {
  const std::string chip = R"({"smbus": {"chips": [{"address": "0x2D"}]}, "chip": {"registers": {
    "0x16": "0x%MODE%", "0x47": "0x50", "0x24": "0xC0", "0x26": "0xE7", "0x28": "0x%FAN%",
    "0x1A": "0x66", "0x3B": "0x54", "0x13": "0x64"}}})";
  const auto on = [&chip](const char* mode, const char* fan) {
    std::string s = chip;
    s.replace(s.find("%MODE%"), 6, mode);
    s.replace(s.find("%FAN%"), 5, fan);
    return s;
  };
  const struct {
    std::string scenario;
    std::string reg;
    std::string meaning;
  } cases[] = {
      {on("00", "54"), "0x24", "+12V reading 12.062 V"},
      {on("00", "54"), "0x26", "External 1 reading -25 °C"},
      {on("00", "54"), "0x13", "Internal trip point 100 °C"},
      {on("00", "54"), "0x28", "Fan 1 reading 8035 RPM (Channel Mode 0x00, divisor 2)"},
      {on("00", "FF"), "0x28",
       "Fan 1 reading stalled or too slow to count (Channel Mode 0x00, divisor 2)"},
      {on("00", "54"), "0x3B", "Fan 1 limit 8035 RPM (Channel Mode 0x00, divisor 2)"},
      {on("00", "54"), "0x1A", "AIN 1 low limit: unused under Channel Mode 0x00"},
      {on("01", "66"), "0x28", "AIN 1 reading 1.006 V (Channel Mode 0x01)"},
      {on("01", "66"), "0x1A", "AIN 1 low limit 1.006 V (Channel Mode 0x01)"},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran({"get", c.reg}, c.scenario);
    ASSERT_EQ(r.status, 0) << r.err;
    // After address, caption, byte and bits: "0x24  12V  (padded to 20)  0xC0  11000000  ".
    EXPECT_EQ(r.out.substr(44), c.meaning + "\n") << c.reg;
  }
}

// Readings that stand still because START is clear are pointed out, with how to start the chip.
TEST(Kelvran, WatchRecordAndDumpSayWhenTheChipIsNotMonitoring) {
  const std::string file = ::testing::TempDir() + "kelvran_at_rest.csv";
  for (const char* configuration : {"0x00", "0x01"}) {
    const std::string scenario = std::string(R"({"smbus": {"chips": [{"address": "0x2D"}]},
      "chip": {"registers": {"0x40": ")") +
                                 configuration + R"("}}})";
    const bool at_rest = std::string(configuration) == "0x00";
    for (const Lines& args :
         {Lines{"watch", "--count", "1"}, Lines{"dump"},
          Lines{"record", file, "--overwrite", "--count", "1", "--interval", "0"}}) {
      const Result r = Kelvran(args, scenario);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err.find("not monitoring") != std::string::npos, at_rest)
          << args[0] << " " << configuration << ": " << r.err;
      if (at_rest) {
        EXPECT_NE(r.err.find("kelvran set 0x40 --bit 0=1"), std::string::npos);
      }
    }
    EXPECT_EQ(FileText(file).find("# not monitoring") != std::string::npos, at_rest);
  }
}

// With nothing found, detect says why as the window's wizard does, and on the simulated hardware
// points to the scenario rather than to --simulate.
TEST(Kelvran, DetectWithNothingFoundGivesTheReasons) {
  const Result r = Kelvran({"detect"}, "{}");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("Printer port: the simulated computer has no printer port"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("SMBus: the simulated computer has no SMBus adapter"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("scenario"), std::string::npos);
  EXPECT_EQ(r.err.find("run kelvran"), std::string::npos) << r.err;
}

// Refused before anything reaches the bus, or at least before any write.
TEST(Kelvran, BadWritesAreRefusedWithoutAWrite) {
  const struct {
    Lines args;
    int status;
    std::string message;
  } cases[] = {
      {{"set", "0x3E", "1"}, 2, "0x3E (Company ID) is read-only"},
      {{"set", "0x40", "256"}, 2, "does not fit in a register"},
      {{"set", "0x40", "0xBBBBBBBBBBBBBBBB"}, 2, "does not fit in a register"},
      {{"set", "0xFFFFFFFFFFFFFF40", "1"}, 2, "is not one of the chip's registers"},
      {{"set", "0x40", "0x1G"}, 2, "'0x1G' is not a number"},
      {{"set", "Int. Temp. Trip", "1"}, 2, "belongs to 0x13 and 0x17"},
      {{"set", "0x40", "1", "--address", "0x2C"},
       3,
       "no KELVRAN answered on any printer port or SMBus at 0x2C"},
      {{"set", "0x40", "1", "--bus", "1"}, 3, "no KELVRAN answered on i2c adapter 1"},
      {{"get"}, 2, "missing operand"},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(r.Wrote()) << c.args[1];
  }
}

// On a terminal a write waits for a yes; --yes or a pipe skips the question.
TEST(Kelvran, WritesOnATerminalAreConfirmedFirst) {
  const struct {
    std::string answer;
    bool yes_option;
    bool written;
  } cases[] = {{"n", false, false}, {"", false, false}, {"y", false, true}, {"n", true, true}};
  for (const auto& c : cases) {
    Terminal terminal;
    terminal.input_is_terminal = true;
    int asked = 0;
    terminal.read_line = [&] {
      ++asked;
      return c.answer;
    };
    Lines args{"set", "0x19", "0x80"};
    if (c.yes_option) args.push_back("--yes");
    const Result r = Kelvran(args, kOneSMBusChip, terminal);
    EXPECT_EQ(r.Wrote(), c.written) << c.answer;
    EXPECT_EQ(r.status, c.written ? 0 : 2) << c.answer;
    EXPECT_EQ(asked, c.yes_option ? 0 : 1);
  }
}

TEST(Kelvran, IntervalsAndMisplacedOptions) {
  const struct {
    const char* text;
    double seconds;
  } intervals[] = {{"1s", 1},  {"500ms", 0.5}, {"2m", 120}, {"0", 0},  {"1.5", 1.5},
                   {"1h", -1}, {"", -1},       {"-1", -1},  {"ms", -1}};
  for (const auto& i : intervals) EXPECT_DOUBLE_EQ(ParseInterval(i.text), i.seconds) << i.text;
  EXPECT_EQ(Kelvran({"get", "0x40", "--csv"}).status, 2);
  EXPECT_EQ(Kelvran({"dump", "--bit", "1=1"}).status, 2);
  EXPECT_EQ(Kelvran({"frobnicate"}).status, 2);
}

TEST(Kelvran, WatchCsvGivesTheConvertedReadings) {
  const Result r = Kelvran({"watch", "--count", "3", "--csv", "--interval=0"}, R"({
    "smbus": {"chips": [{"address": "0x2D"}]},
    "chip": {"registers": {"0x40": "0x01", "0x16": "0x02", "0x47": "0x50", "0x33": "0xD3"},
             "inputs": {"v12": 12.0, "temp_internal": 30, "fan1_rpm": 4500, "ain2": 1.0},
             "noise": 0}})");
  ASSERT_EQ(r.status, 0) << r.err;
  // The recording's layout: limits, column names, rows stamped in local time with its offset.
  const Lines lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_TRUE(lines[0].starts_with("# limits: ")) << lines[0];
  EXPECT_NE(lines[0].find(" 13.250;"), std::string::npos) << lines[0];  // +12V's high, 0xD3
  EXPECT_TRUE(lines[1].starts_with("time,seconds,")) << lines[1];
  EXPECT_NE(lines[1].find(",+12V [V],+12V raw,"), std::string::npos);
  EXPECT_NE(lines[1].find(",Fan 1 [RPM],"), std::string::npos);
  EXPECT_NE(lines[1].find(",AIN 2 [V],"), std::string::npos);
  for (std::size_t i = 2; i < 5; ++i) {
    EXPECT_TRUE(chip::ParseIsoTime(lines[i].substr(0, lines[i].find(','))).has_value()) << lines[i];
    EXPECT_NE(lines[i].find(",12.000,"), std::string::npos) << lines[i];  // +12V
    EXPECT_NE(lines[i].find(",30,"), std::string::npos) << lines[i];      // Internal
    EXPECT_NE(lines[i].find(",4500,"), std::string::npos) << lines[i];    // Fan 1
  }
  // The review reads it as a recording.
  struct Rows : chip::RecordingSink {
    void Columns(std::span<const chip::RecordedColumn>, bool) override {}
    void Row(const chip::RecordedRow&) override { ++rows; }
    int rows = 0;
  } rows;
  chip::RecordingReader reader(rows);
  reader.Feed(r.out);
  EXPECT_EQ(reader.Finish(), 0u);
  EXPECT_EQ(rows.rows, 3);
}

// Without a file, kelvran meets the built-in bench: a chip that was set up before and converts
// from the first read (External 1 starts near 33 degrees; a stopped chip would read 0).
TEST(Kelvran, TheBuiltInBenchConvertsFromTheStart) {
  std::ostringstream config, config_err, ext1, ext1_err;
  ASSERT_EQ(cli::Run({"--simulate", "get", "Configuration 1"}, config, config_err, Terminal{}), 0)
      << config_err.str();
  EXPECT_EQ(config.str().rfind("0x40  Configuration 1       0x03  00000011", 0), 0U)
      << config.str();
  ASSERT_EQ(cli::Run({"--simulate", "get", "0x26"}, ext1, ext1_err, Terminal{}), 0)
      << ext1_err.str();
  const std::string line = ext1.str();
  const std::size_t value = line.find("0x", 2);
  ASSERT_NE(value, std::string::npos) << line;
  const long degrees = std::stol(line.substr(value + 2, 2), nullptr, 16);
  EXPECT_GE(degrees, 30) << line;
  EXPECT_LE(degrees, 36) << line;
}

// Saved from a chip set up differently, put back onto the usual one: only writable registers are
// written, the measurement in the file (0x21) is left alone, and Configuration 1 comes last.
TEST(Kelvran, SnapshotRestorePutsBackTheWritableRegistersConfigurationLast) {
  const std::string file = ::testing::TempDir() + "kelvran_snapshot_round_trip.json";
  const std::string other = R"({"smbus": {"chips": [{"address": "0x2D"}]}, "chip": {
    "registers": {"0x40": "0x03", "0x43": "0x0F", "0x2B": "0x50", "0x21": "0x10"}}})";
  ASSERT_EQ(Kelvran({"snapshot", "save", file}, other).status, 0);
  const Result r = Kelvran({"snapshot", "restore", file, "--yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  Lines writes;
  for (const std::string& l : r.trace) {
    if (l.find(" W ") != std::string::npos) writes.push_back(l);
  }
  EXPECT_EQ(writes, (Lines{"SMB 2D W 2B 50", "SMB 2D W 43 0F", "SMB 2D W 40 03"}));
}

TEST(Kelvran, AMalformedSnapshotIsRefusedBeforeTheBus) {
  const std::string file = ::testing::TempDir() + "kelvran_bad_snapshot.json";
  const std::string head = R"({"program": "kelvran-eval", "version": "1", "time": "t",
    "medium": "SMBus", "chip_address": "0x2D", "registers": [)";
  const std::string mask = R"({"address": "0x43", "caption": "INT Mask 1", "value": )";
  const struct {
    std::string text;
    std::string says;
  } cases[] = {
      {head + mask + "256}]}", "256"},
      {head + mask + "\"0x01\"}, " + mask + "\"0x02\"}]}", "0x43"},
      {head, file},
  };
  for (const auto& c : cases) {
    std::ofstream(file) << c.text;
    const Result r = Kelvran({"snapshot", "restore", file, "--yes"});
    EXPECT_EQ(r.status, 2) << c.text;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_TRUE(r.trace.empty()) << c.text;
  }
  std::remove(file.c_str());
  EXPECT_EQ(Kelvran({"snapshot", "restore", file, "--yes"}).status, 2);
}

// Every row has as many fields as the column names; --count and Ctrl-C both end the recording.
TEST(Kelvran, RecordWritesParseableRows) {
  const std::string file = ::testing::TempDir() + "kelvran_record.csv";
  int polls = 0;
  Terminal ctrl_c;
  ctrl_c.stop_requested = [&polls] { return ++polls > 2; };
  const struct {
    Lines args;
    Terminal terminal;
    std::size_t rows;
  } cases[] = {
      {{"record", file, "--count", "3", "--interval", "0", "--overwrite"}, Terminal{}, 3},
      {{"record", file, "--interval", "0", "--overwrite"}, ctrl_c, 2},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args, kOneSMBusChip, c.terminal);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.Wrote());
    std::size_t columns = 0, rows = 0;
    for (const std::string& line : SplitLines(FileText(file))) {
      if (line.starts_with("#")) continue;
      const auto fields = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
      if (line.starts_with("time,")) {
        columns = fields;
        continue;
      }
      EXPECT_EQ(fields, columns) << line;
      ++rows;
    }
    EXPECT_GT(columns, 4u);
    EXPECT_EQ(rows, c.rows);
  }
  EXPECT_EQ(Kelvran({"record", ::testing::TempDir() + "no/such/folder/r.csv", "--count=1"}).status,
            2);
}

TEST(Kelvran, ABusFailureNamesTheOperationAndTheRegister) {
  const struct {
    Lines args;
    const char* fault;
    const char* says;
  } cases[] = {
      {{"watch", "--count", "1"},
       R"("op": "R", "register": "0x41")",
       "reading 0x41 (INT Status 1) of the chip at smbus address 0x2D: "},
      {{"set", "0x19", "0x80", "--yes"},
       R"("op": "W", "register": "0x19")",
       "writing 0x19 (Analog Output) of the chip at smbus address 0x2D: "},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args, std::string(R"({"smbus": {"chips": [{"address": "0x2D"}]},
        "faults": [{"medium": "SMB", "error": "NACK", )") +
                                         c.fault + "}]}");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

// A fan that stopped has no speed: each format says so rather than print a number.
TEST(Kelvran, WatchShowsAStoppedFanAsStalled) {
  const std::string chip = R"({"smbus": {"chips": [{"address": "0x2D"}]},
    "chip": {"registers": {"0x40": "0x01", "0x16": "0x02", "0x47": "0x50"},
             "inputs": {"fan1_rpm": 0}, "noise": 0}})";
  const struct {
    Lines args;
    const char* says;
  } cases[] = {
      {{"watch", "--count=1", "--csv"}, ",Fan 1 [RPM],Fan 1 raw,"},
      {{"watch", "--count=1", "--json"}, R"("name":"Fan 1","unit":"RPM","value":null,)"},
      {{"watch", "--count=1"}, "  Fan 1 stalled"},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args, chip);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("10000"), std::string::npos) << "a speed for a stopped fan: " << r.out;
  }
  const Lines csv = SplitLines(Kelvran({"watch", "--count=1", "--csv"}, chip).out);
  ASSERT_EQ(csv.size(), 3u);
  const std::string before_fan = csv[1].substr(0, csv[1].find(",Fan 1 [RPM]"));
  const auto fan = std::count(before_fan.begin(), before_fan.end(), ',');
  std::istringstream cells(csv[2]);
  std::string cell;
  for (long i = 0; i <= fan + 1; ++i) std::getline(cells, cell, ',');
  EXPECT_EQ(cell, "") << csv[2];
}

// An output that fails (a full disk) ends watch with a message; a reader that went away (a closed
// pipe) ends it quietly.
TEST(Kelvran, WatchOutputThatFailsEndsIt) {
  struct FailingBuffer : std::streambuf {
    explicit FailingBuffer(int e) : error(e) {}
    int overflow(int) override {
      errno = error;
      return traits_type::eof();
    }
    int error;
  };
  const struct {
    int error;
    int status;
    const char* says;
  } cases[] = {{ENOSPC, 1, "kelvran: cannot write the samples: No space left on device\n"},
               {EPIPE, 0, ""}};
  for (const auto& c : cases) {
    FailingBuffer buffer(c.error);
    std::ostream out(&buffer);
    std::ostringstream err;
    int samples = 0;
    Terminal terminal;
    terminal.stop_requested = [&samples] { return ++samples > 5; };
    EXPECT_EQ(cli::Run({"watch", "--csv", "--simulate"}, out, err, terminal), c.status);
    EXPECT_EQ(err.str(), c.says);
    EXPECT_EQ(samples, 1) << "the first sample's failure ends it";
  }
}

// Slots lie on a grid from the first sample: slow samples never add up to drift, and one that
// overran skips the slots it missed.
TEST(Kelvran, SamplesKeepToTheirIntervalByDeadline) {
  using namespace std::chrono_literals;
  const Deadlines::Clock::time_point t0{};
  const Deadlines deadlines(t0, 1.0);
  Deadlines::Clock::time_point now = t0;
  for (int n = 1; n < 3600; ++n) {
    now = deadlines.Next(now + 300ms);  // each sample takes 0.3 s, then waits
  }
  EXPECT_EQ(now - t0, 3599s);
  EXPECT_EQ(deadlines.Next(t0 + 2500ms), t0 + 3s);
  EXPECT_EQ(deadlines.Next(t0 + 3s), t0 + 4s);
  EXPECT_EQ(Deadlines(t0, 0.0).Next(t0 + 5s), t0) << "no interval: no wait";
}

// A bench with a controller, a graphics bus and a USB bridge: detect names each chip's adapter
// as --bus takes it, --bus by number or by a part of the name picks the adapter, and --verbose
// tells which adapters were searched.
TEST(Kelvran, DetectNamesEachChipsAdapterAndBusPicksIt) {
  const std::string bench = R"({
    "smbus": {"number": 0, "name": "SMBus I801 adapter at efa0", "chips": [{"address": "0x2E"}]},
    "i2c_adapters": [
      {"number": 3, "name": "i915 gmbus dpb", "parent": "display", "chips": [{"address": "0x2D"}]},
      {"number": 7, "name": "CP2112 SMBus Bridge on hidraw0", "parent": "usb",
       "chips": [{"address": "0x2D", "registers": {"0x2B": "0x77"}}]}]})";
  const Result all = Kelvran({"detect", "--verbose"}, bench);
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(SplitLines(all.out),
            (Lines{"smbus address 0x2E on --bus=0 (SMBus I801 adapter at efa0)",
                   "smbus address 0x2D on --bus=7 (CP2112 SMBus Bridge on hidraw0)"}));
  EXPECT_EQ(SplitLines(all.err),
            (Lines{"kelvran: adapter /dev/i2c-0 (SMBus I801 adapter at efa0): an SMBus "
                   "controller, searched",
                   "kelvran: adapter /dev/i2c-3 (i915 gmbus dpb): a display bus (DDC, DisplayPort "
                   "AUX or a graphics card's own), not searched",
                   "kelvran: adapter /dev/i2c-7 (CP2112 SMBus Bridge on hidraw0): a USB bridge, "
                   "searched"}));
  EXPECT_EQ(all.trace.size(), 6u) << "the graphics bus was probed";

  for (const char* bus : {"7", "cp2112", "Bridge"}) {
    const Result r = Kelvran({"get", "0x2B", "--bus", bus}, bench);
    EXPECT_EQ(r.status, 0) << bus << ": " << r.err;
    EXPECT_NE(r.out.find("0x77"), std::string::npos) << bus << ": " << r.out;
  }
  const Result on_graphics = Kelvran({"detect", "--bus=3", "-v"}, bench);
  EXPECT_EQ(SplitLines(on_graphics.out), (Lines{"smbus address 0x2D on --bus=3 (i915 gmbus dpb)"}))
      << "a display bus named by hand is searched";
  EXPECT_NE(on_graphics.err.find("a USB bridge, not searched (--bus=3 names another)"),
            std::string::npos)
      << on_graphics.err;
  const Result elsewhere = Kelvran({"detect", "--bus=0", "--address=0x2D"}, bench);
  EXPECT_EQ(elsewhere.status, 3);
  EXPECT_NE(elsewhere.err.find("no KELVRAN answered on i2c adapter 0 at 0x2D"), std::string::npos)
      << elsewhere.err;
  const Result unknown = Kelvran({"detect", "--bus=ft260"}, bench);
  EXPECT_EQ(unknown.status, 3);
  EXPECT_NE(unknown.err.find("on an i2c adapter whose name holds 'ft260'"), std::string::npos)
      << unknown.err;
  EXPECT_TRUE(unknown.trace.empty());
  for (const Lines& bad : {Lines{"detect", "--bus="}, Lines{"get", "0x20", "--verbose"}}) {
    EXPECT_EQ(Kelvran(bad, bench).status, 2) << bad.back();
  }
}

}  // namespace
}  // namespace cli
