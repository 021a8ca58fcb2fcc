#include <unistd.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/run.h"

int main(int argc, char** argv) {
  // A closed pipe (kelvran watch | head) ends the output quietly instead of killing the program.
  std::signal(SIGPIPE, SIG_IGN);
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
  terminal.sleep_for = [](double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  };
  return cli::Run(args, std::cout, std::cerr, terminal);
}
