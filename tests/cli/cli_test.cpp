#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "chip/recording_reader.h"
#include "cli/arguments.h"
#include "cli/kelvran_run.h"
#include "cli/run.h"
#include "support/rows_read.h"

namespace cli {
namespace {

using harness::FileText;
using harness::Lines;
using harness::SplitLines;
using harness::TestFile;

using Result = harness::RunResult;

const std::string kOneSMBusChip =
    harness::OneChip(R"("0x40": "0x02", "0x43": "0x81", "0x21": "0x9C")");

Result Kelvran(Lines args, const std::string& scenario = kOneSMBusChip,
               const Terminal& terminal = Terminal{}) {
  return harness::RunKelvran(std::move(args), scenario, terminal);
}

// A board on a PCIe card's printer port, whose base lies above 0x8000.
constexpr const char* kHighPort = R"({
  "printer_ports": [{"base": "0xD010", "boards": [{"address": "0x5C"}]}],
  "chip": {"registers": {"0x43": "0x81"}}})";

// A bench with a controller, a graphics bus and a USB bridge.
constexpr const char* kBench = R"({
    "smbus": {"number": 0, "name": "SMBus I801 adapter at efa0", "chips": [{"address": "0x2E"}]},
    "i2c_adapters": [
      {"number": 3, "name": "i915 gmbus dpb", "parent": "display", "chips": [{"address": "0x2D"}]},
      {"number": 7, "name": "CP2112 SMBus Bridge on hidraw0", "parent": "usb",
       "chips": [{"address": "0x2D", "registers": {"0x2B": "0x77"}}]}]})";

// detect lists the chips in the wizard's order (ports by index, ModeFlag false before true, then
// the SMBus), names each chip's adapter as --bus takes it and, with --verbose, which adapters were
// searched: a display bus only when --bus names it. With nothing found it says why as the wizard
// does, and on the simulated hardware points to the scenario rather than to --simulate.
TEST(Kelvran, DetectNamesEachChipWhereItSitsOrWhyThereIsNone) {
  const struct {
    Lines args;
    std::string scenario;
    int status;
    Lines out;
    std::vector<std::string> err;  // each somewhere on stderr
  } cases[] = {
      {{"detect"},
       R"({"printer_ports": [
             {"base": "0x378", "boards": [{"address": "0x5A", "answers_under": "true"},
                                          {"address": "0x5C", "answers_under": "false"}]},
             {"base": "0x278", "boards": [{"address": "0x58", "answers_under": "both"}]}],
           "smbus": {"chips": [{"address": "0x2D"}, {"address": "0x50"}]}})",
       0,
       {"printer port 0 (0x378) address 0x2E, direct-build board",
        "printer port 0 (0x378) address 0x2D, inverted-build board",
        "printer port 1 (0x278) address 0x2C, direct-build board",
        "printer port 1 (0x278) address 0x2C, inverted-build board",
        "smbus address 0x2D on --bus=0 (SMBus simulated adapter at 5000)"},
       {}},
      {{"detect"}, kHighPort, 0, {"printer port 0 (0xD010) address 0x2E, direct-build board"}, {}},
      {{"detect", "--verbose"},
       kBench,
       0,
       {"smbus address 0x2E on --bus=0 (SMBus I801 adapter at efa0)",
        "smbus address 0x2D on --bus=7 (CP2112 SMBus Bridge on hidraw0)"},
       {"kelvran: adapter /dev/i2c-0 (SMBus I801 adapter at efa0): an SMBus controller, searched\n",
        "kelvran: adapter /dev/i2c-3 (i915 gmbus dpb): a display bus (DDC, DisplayPort AUX or a "
        "graphics card's own), not searched\n",
        "kelvran: adapter /dev/i2c-7 (CP2112 SMBus Bridge on hidraw0): a USB bridge, searched\n"}},
      {{"detect", "--bus=3", "-v"},
       kBench,
       0,
       {"smbus address 0x2D on --bus=3 (i915 gmbus dpb)"},
       {"a USB bridge, not searched (--bus=3 names another)"}},
      {{"detect", "--bus=ft260"}, kBench, 3, {}, {"on an i2c adapter whose name holds 'ft260'"}},
      {{"detect"},
       "{}",
       3,
       {},
       {"Printer port: the simulated computer has no printer port",
        "SMBus: the simulated computer has no SMBus adapter", "scenario"}},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args, c.scenario);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(SplitLines(r.out), c.out);
    for (const std::string& says : c.err) EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("run kelvran"), std::string::npos) << r.err;
    EXPECT_EQ(r.Writes(), Lines{});
  }
  EXPECT_EQ(Kelvran({"detect", "--bus=ft260"}, kBench).trace, Lines{}) << "no adapter probed";
  const Result by_name = Kelvran({"get", "0x2B", "--bus", "cp2112"}, kBench);
  EXPECT_EQ(by_name.status, 0) << by_name.err;
  EXPECT_NE(by_name.out.find("0x77"), std::string::npos) << by_name.out;
}

// Each register decoded: its byte, bits and what they mean. A measurement or limit register
// shows its value in volts, degrees or RPM under the Channel Mode (and fan divisor) the chip has
// now; a register the mode leaves unused says so. A channel's name reads its measurement register.
TEST(Kelvran, GetSetAndDumpShowEachRegisterDecoded) {
  const Result dump = Kelvran({"dump"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  const Lines lines = SplitLines(dump.out);
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines.front().substr(0, 4), "0x13");
  EXPECT_EQ(lines.back().substr(0, 4), "0x4D");
  EXPECT_EQ(lines[10], "0x21  Vccp1                 0x9C  10011100  +Vccp1 reading 2.208 V");
  EXPECT_EQ(lines[39], "0x40  Configuration 1       0x02  00000010  INT Enable");

  const auto on = [](const std::string& mode, const std::string& fan) {
    return harness::OneChip(R"("0x16": "0x)" + mode + R"(", "0x47": "0x50", "0x24": "0xC0",
      "0x26": "0xE7", "0x28": "0x)" +
                            fan + R"(", "0x1A": "0x66", "0x3B": "0x54", "0x13": "0x64")");
  };
  const struct {
    Lines args;
    std::string scenario;
    std::string out;    // the whole line, or what follows the byte and its bits
    std::string write;  // the write in the trace, if any
  } cases[] = {
      {{"get", "0x43"},
       kOneSMBusChip,
       "0x43  INT Mask 1            0x81  10000001  2.5V/ExtTemp, FAN2/AIN2",
       ""},
      {{"get", " int mask 1 "},
       kOneSMBusChip,
       "0x43  INT Mask 1            0x81  10000001  2.5V/ExtTemp, FAN2/AIN2",
       ""},
      {{"set", "43h", "0b1111", "--yes"},
       kOneSMBusChip,
       "0x43  INT Mask 1            0x0F  00001111  2.5V/ExtTemp, Vccp1, Vcc, 5V",
       "SMB 2D W 43 0F"},
      {{"set", "INT Mask 1", "--bit", "7=0", "--yes"},
       kOneSMBusChip,
       "0x43  INT Mask 1            0x01  00000001  2.5V/ExtTemp",
       "SMB 2D W 43 01"},
      {{"set", "0x19", "200", "--address", "0x2D", "--yes"},
       kOneSMBusChip,
       "0x19  Analog Output         0xC8  11001000  Bit 3, Bit 6, Bit 7",
       "SMB 2D W 19 C8"},
      {{"get", "0x24"}, on("00", "54"), "+12V reading 12.062 V", ""},
      {{"get", "0x26"}, on("00", "54"), "External 1 reading -25 °C", ""},
      {{"get", "0x13"}, on("00", "54"), "Internal trip point 100 °C", ""},
      {{"get", "0x28"},
       on("00", "54"),
       "Fan 1 reading 8035 RPM (Channel Mode 0x00, divisor 2)",
       ""},
      {{"get", "0x28"},
       on("00", "FF"),
       "Fan 1 reading stalled or too slow to count (Channel Mode 0x00, divisor 2)",
       ""},
      {{"get", "0x3B"}, on("00", "54"), "Fan 1 limit 8035 RPM (Channel Mode 0x00, divisor 2)", ""},
      {{"get", "0x1A"}, on("00", "54"), "AIN 1 low limit: unused under Channel Mode 0x00", ""},
      {{"get", "0x28"}, on("01", "66"), "AIN 1 reading 1.006 V (Channel Mode 0x01)", ""},
      {{"get", "0x1A"}, on("01", "66"), "AIN 1 low limit 1.006 V (Channel Mode 0x01)", ""},
      {{"get", "+12V"}, on("00", "54"), "+12V reading 12.062 V", ""},
      {{"get", " ain 1"}, on("01", "66"), "AIN 1 reading 1.006 V (Channel Mode 0x01)", ""},
  };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args, c.scenario);
    ASSERT_EQ(r.status, 0) << c.args[1] << r.err;
    // After address, caption, byte and bits: "0x24  12V  (padded to 20)  0xC0  11000000  ".
    EXPECT_EQ(r.out.substr(c.out.starts_with("0x") ? 0 : 44), c.out + "\n") << c.args[1];
    EXPECT_EQ(r.Writes(), c.write.empty() ? Lines{} : Lines{c.write}) << c.args[1];
  }
}

// Readings that stand still because START is clear are pointed out, with how to start the chip.
TEST(Kelvran, WatchRecordAndDumpSayWhenTheChipIsNotMonitoring) {
  const std::string file = ::testing::TempDir() + "kelvran_at_rest.csv";
  for (const char* configuration : {"0x00", "0x01"}) {
    const std::string scenario =
        harness::OneChip(R"("0x40": ")" + std::string(configuration) + "\"");
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
  }
}

// Refused before anything reaches the bus, or at least before any write.
TEST(Kelvran, BadCommandsAreRefusedWithoutAWrite) {
  const std::string snapshot = TestFile(".snapshot");  // a value that fits in no register
  std::ofstream(snapshot) << R"({"program": "kelvran-eval", "version": "1", "time": "t",
    "medium": "SMBus", "chip_address": "0x2D", "registers": [
      {"address": "0x43", "caption": "INT Mask 1", "value": 256}]})";
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
      // A deadline that far would overflow the clock.
      {{"watch", "--interval=99999999999m"}, 2, "--interval takes a time"},
      {{"dump", "--give-up=1s"}, 2, "--give-up"},
      {{"get", "0x40", "--csv"}, 2, "--csv"},
      {{"dump", "--bit", "1=1"}, 2, "--bit"},
      {{"frobnicate"}, 2, "frobnicate"},
      {{"alarms", "--until-alarm"}, 2, "--until-alarm belongs to the watch command"},
      {{"alarms", "extra"}, 2, "extra"},
      {{"dump", "--listen=127.0.0.1:1"},
       2,
       "--listen and --min-interval belong to the serve command"},
      {{"record", ::testing::TempDir() + "no/such/folder/r.csv", "--count=1"}, 2, "no/such/folder"},
      {{"snapshot", "restore", snapshot, "--yes"}, 2, snapshot + ": registers[0].value: 256"},
      {{"snapshot", "restore", snapshot + ".gone", "--yes"}, 2, "cannot open the snapshot"},
      {{"detect", "--bus="}, 2, "--bus takes an i2c adapter number"},
      {{"get", "0x20", "--verbose"}, 2, "--verbose belongs to the detect command"},
      {{"serve", "--web-config=/nonexistent/web.yml"},
       2,
       "--web-config: /nonexistent/web.yml: the file /nonexistent/web.yml cannot be read: No such "
       "file"},
      {{"serve", "--listen=127.0.0.1"}, 2, "--listen takes ADDRESS:PORT"},
      {{"serve", "--min-interval=soon"}, 2, "--min-interval takes a time"},
      {{"serve", "extra"}, 2, "serve: unexpected argument 'extra'"},
  };
  Terminal stops;  // a serve that took its options would end at once rather than serve on
  stops.stop_requested = [] { return true; };
  for (const auto& c : cases) {
    const Result r = Kelvran(c.args, kOneSMBusChip, stops);
    EXPECT_EQ(r.status, c.status) << c.args[0];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(c.status == 2 ? r.trace : r.Writes(), Lines{}) << c.args[0];
  }
}

// A fan that stopped has no speed: watch says so rather than print a number.
TEST(Kelvran, WatchShowsAStoppedFanAsStalled) {
  const Result r = Kelvran({"watch", "--count=1"}, R"({"smbus": {"chips": [{"address": "0x2D"}]},
    "chip": {"registers": {"0x40": "0x01", "0x16": "0x02", "0x47": "0x50"},
             "inputs": {"fan1_rpm": 0}, "noise": 0}})");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("  Fan 1 stalled"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("10000"), std::string::npos) << "a speed for a stopped fan: " << r.out;
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

// A chip that stops answering for a while: the samples it misses are skipped, the rows go on after
// it, and the gap is marked once at each end, in the file and on stderr; --count counts rows.
TEST(Kelvran, ABusErrorBurstIsSkippedAndMarkedOnce) {
  const std::string file = TestFile(".csv");
  const Result r = Kelvran({"record", file, "--count", "5", "--interval", "0", "--overwrite"},
                           R"({"smbus": {"chips": [{"address": "0x2D"}]},
                               "chip": {"registers": {"0x40": "0x01"}},
                               "faults": [{"op": "R", "register": "0x20", "skip": 2, "times": 3}]})");
  ASSERT_EQ(r.status, 0) << r.err;
  const Lines lines = SplitLines(FileText(file));
  std::vector<std::size_t> rows, errors, resumed;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with("2")) rows.push_back(i);
    if (lines[i].starts_with("# bus error at ")) errors.push_back(i);
    if (lines[i].starts_with("# resumed at ")) resumed.push_back(i);
  }
  ASSERT_EQ(rows.size(), 5u);
  ASSERT_EQ(errors.size(), 1u);
  ASSERT_EQ(resumed.size(), 1u);
  EXPECT_TRUE(errors[0] > rows[1] && resumed[0] < rows[2]) << FileText(file);
  EXPECT_NE(lines[errors[0]].find(": reading 0x20"), std::string::npos) << lines[errors[0]];
  EXPECT_NE(lines[resumed[0]].find(" s, 3 samples missed"), std::string::npos);
  const Lines err = SplitLines(r.err);
  ASSERT_EQ(err.size(), 2u) << r.err;
  EXPECT_EQ("# " + err[0].substr(9), lines[errors[0]]);
  EXPECT_EQ("# " + err[1].substr(9), lines[resumed[0]]);
}

// A USB bridge unplugged under a run and back as another /dev/i2c-N: the run finds its chip there
// and goes on, with the gap marked; the recording names the place that stays.
TEST(Kelvran, ARecordingFollowsAReplugRenumberedBridge) {
  const std::string file = TestFile(".csv");
  Terminal sleeps;
  sleeps.sleep_until = [](Deadlines::Clock::time_point t) { std::this_thread::sleep_until(t); };
  const Result r = Kelvran({"record", file, "--overwrite", "--interval=50ms", "--count=8"},
                           R"({"chip": {"registers": {"0x40": "0x01"}},
      "i2c_adapters": [{"number": 3, "parent": "usb", "chips": [{"address": "0x2D"}],
                        "unplug": {"at": "0.25s", "for": "0.25s", "renumber": 9}}]})",
                           sleeps);
  ASSERT_EQ(r.status, 0) << r.err;
  const Lines err = SplitLines(r.err);
  ASSERT_EQ(err.size(), 2u) << r.err;
  EXPECT_NE(err[0].find("/dev/i2c-3 is gone"), std::string::npos) << err[0];
  EXPECT_TRUE(err[1].starts_with("kelvran: resumed at ")) << err[1];
  const std::string text = FileText(file);
  EXPECT_EQ(test_support::RowsRead(text), 8) << text;
  EXPECT_NE(text.find("# place: smbus/usb-1-4/0x2D\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n# resumed at "), std::string::npos) << text;
}

// --give-up ends a run whose chip has not answered for that long, with the last error (the
// register and the chip's place); without it a run waits for the chip however long it takes. The
// clock is the test's, so nobody waits.
TEST(Kelvran, GiveUpEndsARunWithoutAnswers) {
  const std::string scenario = R"({"smbus": {"chips": [{"address": "0x2D"}]},
                                   "faults": [{"op": "R", "register": "0x20", "skip": 1}]})";
  const struct {
    Lines args;
    int status;
    int attempts;
  } cases[] = {{{"watch", "--csv", "--interval=1s", "--give-up=3s"}, 1, 5},
               {{"watch", "--csv", "--interval=1s"}, 0, 51}};
  for (const auto& c : cases) {
    Deadlines::Clock::time_point now{};
    int attempts = 0;
    Terminal terminal;
    terminal.now = [&now] { return now; };
    terminal.sleep_until = [&now](Deadlines::Clock::time_point t) { now = t; };
    terminal.stop_requested = [&attempts] { return ++attempts > 50; };
    const Result r = Kelvran(c.args, scenario, terminal);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(attempts, c.attempts) << r.err;
    EXPECT_EQ(r.err.find("gave up: the chip has not answered for 3.0 s (4 samples missed); the "
                         "last error: reading 0x20 (2.5V/Ext.Temp 2) of the chip at "
                         "smbus/pci-0000:00:1f.4/0x2D: ") == std::string::npos,
              c.status == 0)
        << r.err;
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

// Found, read, and named with its whole base in detect, snapshots and recordings; a snapshot of
// it put back on it is not taken for one from another chip.
TEST(Kelvran, APortAbove8000IsReadAndNamedWhole) {
  const Result get = Kelvran({"get", "0x43"}, kHighPort);
  ASSERT_EQ(get.status, 0) << get.err;
  EXPECT_EQ(get.trace.back(), "PP 5C R 43 81");

  const std::string snapshot = TestFile(".json.snap");
  ASSERT_EQ(Kelvran({"snapshot", "save", snapshot, "--overwrite"}, kHighPort).status, 0);
  EXPECT_NE(FileText(snapshot).find(R"("port_base": "0xD010")"), std::string::npos);
  const Result restore = Kelvran({"snapshot", "restore", snapshot, "--yes"}, kHighPort);
  EXPECT_EQ(restore.status, 0) << restore.err;
  EXPECT_EQ(restore.err, "");

  const std::string recording = TestFile(".csv");
  std::remove(recording.c_str());
  const Result record =
      Kelvran({"record", recording, "--count", "1", "--interval", "0"}, kHighPort);
  ASSERT_EQ(record.status, 0) << record.err;
  EXPECT_NE(FileText(recording).find("# port base: 0xD010\n"), std::string::npos);
}

}  // namespace
}  // namespace cli
