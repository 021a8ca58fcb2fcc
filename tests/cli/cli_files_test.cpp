// The files kelvran writes and reads: recordings that never replace data unasked, snapshots that
// are replaced whole or not at all, files read from the user, the bus trace.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

#include "cli/kelvran_run.h"
#include "support/rows_read.h"

namespace cli::harness {
namespace {

using ::testing::ExitedWithCode;

constexpr const char* kFanMode = R"({"smbus": {"chips": [{"address": "0x2D"}]},
  "chip": {"registers": {"0x16": "0x00"}}})";
constexpr const char* kAinMode = R"({"smbus": {"chips": [{"address": "0x2D"}]},
  "chip": {"registers": {"0x16": "0x03"}}})";

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// What record does with a file that is there already, by option: nothing replaces data unasked,
// --append continues only a recording of the same columns.
TEST(KelvranFiles, ARecordingNeverReplacesDataUnasked) {
  const std::string file = TestFile(".csv");
  const std::string not_a_recording = "notes I keep\n";
  std::remove(file.c_str());
  ASSERT_EQ(RunKelvran({"record", file, "--count=2", "--interval=0"}, kFanMode).status, 0);
  const std::string first = FileText(file);
  ASSERT_EQ(test_support::RowsRead(first), 2);
  const struct {
    const char* what;
    std::string before;  // the file's text; "-" for no file
    const char* option;  // "" for none
    const char* scenario;
    int status;
    int rows_after;  // -1: the file is as it was
    const char* says;
  } cases[] = {
      {"a recording, no option", first, "", kFanMode, 2, -1, "--overwrite"},
      {"other data, no option", not_a_recording, "", kFanMode, 2, -1, "--append"},
      {"an empty file", "", "", kFanMode, 0, 1, ""},
      {"no file", "-", "", kFanMode, 0, 1, ""},
      {"a recording, --overwrite", first, "--overwrite", kFanMode, 0, 1, ""},
      {"a recording, --append", first, "--append", kFanMode, 0, 3, ""},
      {"no file, --append", "-", "--append", kFanMode, 0, 1, ""},
      {"other columns, --append", first, "--append", kAinMode, 2, -1, "columns"},
      {"other data, --append", not_a_recording, "--append", kFanMode, 2, -1, "not a recording"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.before == "-") {
      std::remove(file.c_str());
    } else {
      WriteFile(file, c.before);
    }
    Lines args{"record", file, "--count=1", "--interval=0"};
    if (*c.option != '\0') args.push_back(c.option);
    const RunResult r = RunKelvran(args, c.scenario);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    const std::string after = FileText(file);
    if (c.rows_after < 0) {
      EXPECT_EQ(after, c.before);
      EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
      // Only the chip's Channel Mode says which columns a recording would have.
      if (c.scenario != kAinMode) {
        EXPECT_EQ(r.trace.size(), 0u) << "refused before the bus";
      }
      continue;
    }
    EXPECT_EQ(test_support::RowsRead(after), c.rows_after);
    if (std::string(c.option) == "--append" && c.before != "-") {
      ASSERT_EQ(after.substr(0, first.size()), first);
      const std::string added = after.substr(first.size());
      EXPECT_TRUE(added.starts_with("# appended: ")) << added;
      EXPECT_EQ(added.find("time,"), std::string::npos) << "the same columns go on";
    }
  }
  EXPECT_EQ(RunKelvran({"record", file, "--append", "--overwrite"}, kFanMode).status, 2);
  // --overwrite replaces the old recording only with a first row: with no chip it stays.
  WriteFile(file, first);
  EXPECT_EQ(RunKelvran({"record", file, "--overwrite", "--count=1"}, R"({"smbus": {"chips": []}})")
                .status,
            3);
  EXPECT_EQ(FileText(file), first);
}

// The header and the first row go to the file at once, so a file that cannot take them stops the
// recording at its first row rather than seconds or rows later; the failure ends the command with
// status 1.
TEST(KelvranFiles, ARecordingIntoAFullDiskStopsAtItsFirstRow) {
  const RunResult r = RunKelvran({"record", "/dev/full", "--count=3", "--interval=0"}, kFanMode);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  EXPECT_EQ(std::count_if(r.trace.begin(), r.trace.end(),
                          [](const std::string& line) { return line.starts_with("SMB 2D R 20 "); }),
            1)
      << "rows read";
}

// A save that cannot be finished (the file size limit a quota or a full disk sets) leaves the old
// snapshot whole and says so; one not asked to replace it leaves it too.
TEST(KelvranFilesDeathTest, APartialSnapshotSaveLeavesTheOldFile) {
  const std::string file = TestFile(".snapshot");
  ASSERT_EQ(RunKelvran({"snapshot", "save", file, "--overwrite"}, kFanMode).status, 0);
  const std::string before = FileText(file);
  ASSERT_GT(before.size(), 1000u);
  EXPECT_EXIT(
      {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 1000;
        setrlimit(RLIMIT_FSIZE, &limit);
        const RunResult r = RunKelvran({"snapshot", "save", file, "--overwrite"}, kAinMode);
        std::fprintf(stderr, "%s", r.err.c_str());
        std::_Exit(r.status);
      },
      ExitedWithCode(1), "cannot write the snapshot");
  EXPECT_EQ(FileText(file), before);
  // A snapshot there is replaced only when asked to, as a recording is.
  const RunResult kept = RunKelvran({"snapshot", "save", file}, kAinMode);
  EXPECT_EQ(kept.status, 2);
  EXPECT_NE(kept.err.find("--overwrite"), std::string::npos) << kept.err;
  EXPECT_EQ(FileText(file), before);
  const RunResult saved = RunKelvran({"snapshot", "save", file, "--overwrite"}, kAinMode);
  EXPECT_EQ(saved.status, 0) << saved.err;
  EXPECT_NE(FileText(file), before);
}

// Files kelvran reads from the user: at most 1 MiB, and what they say reaches the terminal without
// control characters.
TEST(KelvranFiles, FilesReadFromTheUserAreSmallAndShownPlain) {
  const std::string big = TestFile(".big");
  WriteFile(big, std::string(2 * 1024 * 1024, ' ') + "{}");
  std::ostringstream out, err;
  EXPECT_EQ(cli::Run({"get", "0x40", "--simulate=" + big}, out, err, Terminal{}), 2);
  EXPECT_NE(err.str().find("larger than 1 MiB"), std::string::npos) << err.str();

  const std::string scenario = TestFile(".scenario");
  WriteFile(scenario, R"({"smbus": {}, "\u001b[2Jwipe\u0007": 1})");
  err.str("");
  EXPECT_EQ(cli::Run({"get", "0x40", "--simulate=" + scenario}, out, err, Terminal{}), 2);
  EXPECT_NE(err.str().find("[2Jwipe"), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find_first_of("\x1b\x07"), std::string::npos) << err.str();
}

// A trace that cannot be written ends the command with the reason rather than losing it quietly.
TEST(KelvranFiles, ATraceThatFailsEndsTheCommand) {
  std::ostringstream out, err;
  EXPECT_EQ(cli::Run({"get", "0x3E", "--simulate", "--medium=smbus", "--bus-trace=/dev/full"}, out,
                     err, Terminal{}),
            1);
  EXPECT_NE(err.str().find("bus trace"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("No space left on device"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace cli::harness
