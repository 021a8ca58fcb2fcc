#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/run.h"

namespace {

volatile std::sig_atomic_t stop = 0;

extern "C" void RequestStop(int) {
  stop = 1;
}

// Ctrl-C, a closed terminal (SIGHUP) and a shutdown (SIGTERM) end a watch or a recording after
// the sample in hand, with everything written out. Without SA_RESTART, so a read waiting for an
// answer returns at once: Ctrl-C at a question is a no.
void StopOnSignals() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

// One line from stdin, without its newline; what was typed so far when a signal stops the read.
std::string ReadLine() {
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR && stop == 0) continue;
    if (n <= 0 || c == '\n') return line;
    line.push_back(c);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe (kelvran watch | head) ends the output quietly instead of killing the program.
  std::signal(SIGPIPE, SIG_IGN);
  StopOnSignals();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  cli::Terminal terminal;
  terminal.output_is_terminal = isatty(STDOUT_FILENO) == 1;
  terminal.input_is_terminal = isatty(STDIN_FILENO) == 1;
  terminal.read_line = ReadLine;
  terminal.sleep_until = [](std::chrono::steady_clock::time_point end) {
    // In short steps, so Ctrl-C does not wait out a long interval.
    using Clock = std::chrono::steady_clock;
    const Clock::duration step = std::chrono::milliseconds(100);
    for (Clock::time_point now = Clock::now(); stop == 0 && now < end; now = Clock::now()) {
      std::this_thread::sleep_for(std::min(step, end - now));
    }
  };
  terminal.stop_requested = [] { return stop != 0; };
  return cli::Run(args, std::cout, std::cerr, terminal);
}
