// The built kelvran as a user starts it: its stdin a pipe, signals from the terminal or from the
// system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/kelvran_run.h"
#include "support/rows_read.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

using cli::harness::FileText;
using cli::harness::TestFile;

// kelvran with stdin from stdin_fd, its stdout and stderr in a file of the test's own.
struct Kelvran {
  Kelvran(std::vector<std::string> args, int stdin_fd) {
    const int out = ::open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdin_fd, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, out, 2);
    std::string program = KELVRAN_PATH;
    std::vector<char*> argv{program.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid, KELVRAN_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out);
  }
  ~Kelvran() {
    if (pid > 0 && status < 0) {
      ::kill(pid, SIGKILL);
      Wait();
    }
  }
  // The exit status, or 128 + the signal that killed it.
  int Wait() {
    int s = 0;
    ::waitpid(pid, &s, 0);
    status = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
    output = FileText(output_file);
    return status;
  }

  std::string output_file = TestFile(".out"), output;
  pid_t pid = -1;
  int status = -1;
};

// A "y" from a pipe is no answer: the write is refused with the way to make it.
TEST(KelvranProcess, APipedYesIsNoAnswer) {
  const std::string trace = TestFile(".trace"), out = TestFile(".out");
  std::remove(trace.c_str());
  const int status = std::system(
      ("echo y | '" KELVRAN_PATH "' set 0x19 0x80 --simulate --medium=smbus --bus-trace=" + trace +
       " >" + out + " 2>&1")
          .c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2) << FileText(out);
  EXPECT_NE(FileText(out).find("--yes"), std::string::npos) << FileText(out);
  EXPECT_EQ(FileText(trace).find(" W "), std::string::npos) << "written";
}

// SIGHUP (the terminal closed), SIGTERM (a shutdown) and SIGINT end a recording cleanly: every
// row read is on disk and counted.
TEST(KelvranProcess, SignalsEndARecordingWithItsRowsOnDisk) {
  for (const int signal : {SIGHUP, SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    const std::string file = TestFile(".csv");
    std::remove(file.c_str());
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    Kelvran k({"record", file, "--interval=20ms", "--simulate", "--medium=smbus"}, null);
    ::close(null);
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (FileText(file).find("time,") == std::string::npos && Clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(k.pid, signal);
    EXPECT_EQ(k.Wait(), 0) << k.output;
    const int rows = test_support::RowsRead(FileText(file)).value_or(-1);
    EXPECT_GT(rows, 2);
    EXPECT_NE(k.output.find("recorded " + std::to_string(rows) + " rows"), std::string::npos)
        << k.output;
  }
}

}  // namespace
