// Writes from the command line: who may answer the question, which chip, what reaches it, and
// what a failure part way says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "cli/kelvran_run.h"

namespace cli::harness {
namespace {

const std::string kOneChip = OneChip(R"("0x40": "0x02", "0x43": "0x81")");

// Saves a snapshot of a chip whose registers hold these members into a file of the test's own.
std::string SnapshotOf(const std::string& registers) {
  const std::string file = TestFile(".snapshot");
  const RunResult r = RunKelvran({"snapshot", "save", file, "--overwrite"}, OneChip(registers));
  EXPECT_EQ(r.status, 0) << r.err;
  return file;
}

// A snapshot of kOneChip with other limits, taken first by each test that restores.
std::string SnapshotOfAnotherSetUp() {
  return SnapshotOf(R"("0x40": "0x02", "0x43": "0x0F", "0x2B": "0x50", "0x2E": "0x60")");
}

// Whether a question was put, what the command ended with and whether anything was written, by
// where stdin comes from and what it says. Ctrl-C at the question arrives while the read waits;
// the answer typed after it must not count.
TEST(KelvranWrites, OnlyATerminalsAnswerOrYesAllowsAWrite) {
  const std::string snapshot = SnapshotOfAnotherSetUp();
  enum class Stdin { Pipe, Terminal, TerminalCtrlC };
  const struct {
    Stdin in;
    const char* answer;
    bool yes;
    int status;
    bool asked, written;
    const char* says;
  } cases[] = {
      {Stdin::Pipe, "y", false, 2, false, false, "add --yes"},
      {Stdin::Pipe, "", true, 0, false, true, ""},
      {Stdin::Terminal, "y", false, 0, true, true, ""},
      {Stdin::Terminal, "n", false, 2, true, false, "nothing written"},
      {Stdin::Terminal, "n", true, 0, false, true, ""},
      {Stdin::TerminalCtrlC, "y", false, 2, true, false, "nothing written"},
  };
  for (const Lines& command :
       {Lines{"set", "0x19", "0x80"}, Lines{"snapshot", "restore", snapshot}}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(command[0] + " answering '" + c.answer + "' on " +
                   (c.in == Stdin::Pipe ? "a pipe" : "a terminal") + (c.yes ? " with --yes" : ""));
      bool interrupted = false;
      int asked = 0;
      Terminal terminal;
      terminal.input_is_terminal = c.in != Stdin::Pipe;
      terminal.read_line = [&] {
        ++asked;
        interrupted = c.in == Stdin::TerminalCtrlC;
        return std::string(c.answer);
      };
      terminal.stop_requested = [&] { return interrupted; };
      Lines args = command;
      if (c.yes) args.push_back("--yes");
      const RunResult r = RunKelvran(args, kOneChip, terminal);
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_EQ(asked, c.asked ? 1 : 0);
      EXPECT_EQ(!r.Writes().empty(), c.written);
      EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
  }
}

// With two chips and nothing to choose between them, a write is refused and the chips listed;
// reading takes the first, and any option that leaves one chip lets the write through.
TEST(KelvranWrites, AWriteNeedsOneChipNamedWhenThereAreSeveral) {
  const std::string snapshot = SnapshotOfAnotherSetUp();
  const std::string two_chips = R"({"smbus": {"chips": [{"address": "0x2D"}]},
    "printer_ports": [{"base": "0x378", "boards": [{"address": "0x5C"}]}]})";
  for (const Lines& write :
       {Lines{"set", "0x19", "0x80", "--yes"}, Lines{"snapshot", "restore", snapshot, "--yes"}}) {
    SCOPED_TRACE(write[0]);
    const RunResult refused = RunKelvran(write, two_chips);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("printer port 0 (0x378) address 0x2E, direct-build board\n"),
              std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("smbus address 0x2D\n"), std::string::npos) << refused.err;
    EXPECT_TRUE(refused.Writes().empty());
    for (const char* option : {"--medium=smbus", "--address=0x2D"}) {
      Lines narrowed = write;
      narrowed.push_back(option);
      const RunResult r = RunKelvran(narrowed, two_chips);
      EXPECT_EQ(r.status, 0) << option << r.err;
      ASSERT_FALSE(r.Writes().empty()) << option;
      EXPECT_EQ(r.Writes().front().substr(0, 7), "SMB 2D ") << option;
    }
  }
  const RunResult read = RunKelvran({"get", "0x19"}, two_chips);
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.trace.back(), "PP 5C R 19 FF");
}

// --bit changes one bit of what the register stores: a self-acting bit that reads set (RESET,
// Initialisation) is never written back, INT Clear keeps the chip's own setting.
TEST(KelvranWrites, OneBitChangesOnlyThatBit) {
  const struct {
    const char* config;
    const char* bit;
    const char* write;
  } cases[] = {
      {"0x81", "1=1", "SMB 2D W 40 03"},  // Initialisation reads set: not written back
      {"0x91", "0=0", "SMB 2D W 40 00"},  // RESET and Initialisation
      {"0x09", "1=1", "SMB 2D W 40 0B"},  // INT Clear stays as the chip has it
      {"0x01", "7=1", "SMB 2D W 40 81"},  // asked for: written
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.config) + " --bit " + c.bit);
    const RunResult r = RunKelvran({"set", "0x40", "--bit", c.bit, "--yes"},
                                   OneChip(R"("0x40": ")" + std::string(c.config) + "\""));
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.Writes().size(), 1u);
    EXPECT_EQ(r.Writes()[0], c.write);
  }
}

// A restore shows its plan before it asks, and writes it in that order.
TEST(KelvranWrites, ARestoreWritesThePlanItShows) {
  std::string file =
      SnapshotOf(R"("0x40": "0x03", "0x15": "0x55", "0x2B": "0x50", "0x43": "0x0F")");
  Terminal terminal;
  terminal.input_is_terminal = true;
  terminal.read_line = [&] { return std::string("y"); };
  const RunResult r =
      RunKelvran({"snapshot", "restore", file}, OneChip(R"("0x40": "0x09")"), terminal);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      SplitLines(r.out),
      (Lines{"0x40  Configuration 1: 0x09 -> 0x08  (START cleared while the others are written)",
             "0x2B  2.5V/Ext.Temp. High: 0xFF -> 0x50", "0x43  INT Mask 1: 0x00 -> 0x0F",
             "0x40  Configuration 1: 0x08 -> 0x0B", "restored 3 registers"}));
  EXPECT_EQ(r.Writes(),
            (Lines{"SMB 2D W 40 08", "SMB 2D W 2B 50", "SMB 2D W 43 0F", "SMB 2D W 40 0B"}));

  // A snapshot of another kind of chip (Company ID or Revision differ) is refused before anything
  // is written, unless --force.
  file = SnapshotOf(R"("0x3F": "0x02", "0x43": "0x0F")");
  const RunResult refused = RunKelvran({"snapshot", "restore", file, "--yes"}, kOneChip);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("Revision 0x02"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_TRUE(refused.Writes().empty());
  const RunResult forced = RunKelvran({"snapshot", "restore", file, "--yes", "--force"}, kOneChip);
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(forced.Writes(), (Lines{"SMB 2D W 43 0F", "SMB 2D W 40 00"}));
}

// A write the bus refuses: the message says it was a write and names the register and the chip;
// a restore's also lists what was written before it and says whether the chip converts. The exit
// status is 1 and nothing after it is written.
TEST(KelvranWrites, AFailedWriteSaysWhatWasWrittenBeforeIt) {
  const std::string running = SnapshotOf(R"("0x40": "0x03", "0x2B": "0x50", "0x2E": "0x60")");
  const auto chip_failing = [](const char* fault) {
    return std::string(R"({"smbus": {"chips": [{"address": "0x2D"}]}, "chip": {"registers":
      {"0x40": "0x03", "0x43": "0x81"}}, "faults": [{"medium": "SMB", "op": "W", )") +
           fault + "}]}";
  };
  const struct {
    Lines args;
    const char* fault;
    Lines writes;  // tried, the last one failing
    Lines says;
  } cases[] = {
      {{"set", "0x43", "0x0F", "--yes"},
       R"("register": "0x43", "error": "NACK")",
       {"SMB 2D W 43 ERR NACK"},
       {"writing 0x43 (INT Mask 1) of the chip at smbus address 0x2D"}},
      {{"snapshot", "restore", running, "--yes"},
       R"("register": "0x2E", "error": "TIMEOUT")",
       {"SMB 2D W 40 02", "SMB 2D W 2B 50", "SMB 2D W 2E ERR TIMEOUT", "SMB 2D W 40 03"},
       {"already written: 0x40 Configuration 1 = 0x02, 0x2B 2.5V/Ext.Temp. High = 0x50",
        "\nkelvran: the chip is converting (START is set)\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const RunResult r = RunKelvran(c.args, chip_failing(c.fault));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.Writes(), c.writes);
    for (const std::string& says : c.says) {
      EXPECT_NE(r.err.find(says), std::string::npos) << says << "\nin: " << r.err;
    }
  }
}

// What is written follows what the chip holds once the question is answered: the register is
// read after the answer, not only before the question.
TEST(KelvranWrites, TheChipIsReadAgainAfterTheAnswer) {
  const std::string snapshot = SnapshotOfAnotherSetUp();
  for (const Lines& command :
       {Lines{"set", "0x2B", "--bit", "7=0"}, Lines{"snapshot", "restore", snapshot}}) {
    SCOPED_TRACE(command[0]);
    std::size_t asked_at = 0;
    Terminal terminal;
    terminal.input_is_terminal = true;
    terminal.read_line = [&] {
      asked_at = SplitLines(FileText(TestFile(".trace"))).size();
      return std::string("y");
    };
    const RunResult r = RunKelvran(command, kOneChip, terminal);
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_GT(asked_at, 0u);
    const Lines after(r.trace.begin() + static_cast<long>(asked_at), r.trace.end());
    const auto read = std::find(after.begin(), after.end(), "SMB 2D R 2B FF");
    const auto write = std::find_if(after.begin(), after.end(), [](const std::string& l) {
      return l.rfind("SMB 2D W 2B ", 0) == 0;
    });
    EXPECT_LT(read - after.begin(), write - after.begin());
    EXPECT_NE(write, after.end());
  }
}

}  // namespace
}  // namespace cli::harness
