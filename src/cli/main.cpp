#include <unistd.h>

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

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe (kelvran watch | head) ends the output quietly instead of killing the program.
  std::signal(SIGPIPE, SIG_IGN);
  // Ctrl-C ends a watch or a recording after the sample in hand, with everything written out.
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  cli::Terminal terminal;
  terminal.output_is_terminal = isatty(STDOUT_FILENO) == 1;
  terminal.input_is_terminal = isatty(STDIN_FILENO) == 1;
  terminal.read_line = [] {
    std::string line;
    std::getline(std::cin, line);
    return line;
  };
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
