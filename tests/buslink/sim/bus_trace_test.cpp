// The trace file as the operating system sees it: how it is opened, and what a failing write does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "buslink/bus_trace.h"

namespace buslink {
namespace {

// The descriptor this process holds for path, or -1.
int DescriptorOf(const std::string& path) {
  const auto target = std::filesystem::canonical(path);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == target) {
      return std::stoi(entry.path().filename().string());
    }
  }
  return -1;
}

// Appended to (so several runs and programs share one trace), and never inherited by a program
// started from here.
TEST(BusTraceFile, OpensForAppendingAndClosesOnExec) {
  const std::string path = ::testing::TempDir() + "bus_trace_flags.trace";
  std::ofstream(path) << "SMB 2D R 3E 41\n";
  BusTrace trace;
  trace.OpenFile(path);
  const int fd = DescriptorOf(path);
  ASSERT_GE(fd, 0);
  EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_NE(fcntl(fd, F_GETFL) & O_APPEND, 0);
  trace.Record(TraceMedium::SMB, 0x2D, 'W', 0x40, 0x01);
  std::ifstream in(path);
  std::string first, second;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(first, "SMB 2D R 3E 41");
  EXPECT_EQ(second, "SMB 2D W 40 01");
}

// A write that fails is said once, with the file and the reason; the transfers go on.
TEST(BusTraceFile, AFailingWriteIsReportedOnce) {
  BusTrace trace;
  trace.OpenFile("/dev/full");
  std::vector<std::string> reports;
  trace.SetFailureReport([&](const std::string& message) { reports.push_back(message); });
  for (int i = 0; i < 3; ++i) trace.Record(TraceMedium::SMB, 0x2D, 'R', 0x3E, 0x41);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("/dev/full"), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("No space left on device"), std::string::npos) << reports[0];
  EXPECT_EQ(trace.Failure(), reports[0]);
}

}  // namespace
}  // namespace buslink
