// A board on a PCIe card's printer port, whose base lies above 0x8000.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/kelvran_run.h"

namespace cli::harness {
namespace {

constexpr const char* kHighPort = R"({
  "printer_ports": [{"base": "0xD010", "boards": [{"address": "0x5C"}]}],
  "chip": {"registers": {"0x43": "0x81"}}})";

// Found, read, and named with its whole base in detect, snapshots and recordings; a snapshot of
// it put back on it is not taken for one from another chip.
TEST(KelvranPortBase, APortAbove8000IsReadAndNamedWhole) {
  const RunResult detect = RunKelvran({"detect"}, kHighPort);
  EXPECT_EQ(detect.out, "printer port 0 (0xD010) address 0x2E, direct-build board\n");

  const RunResult get = RunKelvran({"get", "0x43"}, kHighPort);
  ASSERT_EQ(get.status, 0) << get.err;
  EXPECT_EQ(get.trace.back(), "PP 5C R 43 81");

  const std::string snapshot = TestFile(".json.snap");
  ASSERT_EQ(RunKelvran({"snapshot", "save", snapshot, "--overwrite"}, kHighPort).status, 0);
  EXPECT_NE(FileText(snapshot).find(R"("port_base": "0xD010")"), std::string::npos);
  const RunResult restore = RunKelvran({"snapshot", "restore", snapshot, "--yes"}, kHighPort);
  EXPECT_EQ(restore.status, 0) << restore.err;
  EXPECT_EQ(restore.err, "");

  const std::string recording = TestFile(".csv");
  std::remove(recording.c_str());
  const RunResult record =
      RunKelvran({"record", recording, "--count", "1", "--interval", "0"}, kHighPort);
  ASSERT_EQ(record.status, 0) << record.err;
  EXPECT_NE(FileText(recording).find("# port base: 0xD010\n"), std::string::npos);
}

}  // namespace
}  // namespace cli::harness
