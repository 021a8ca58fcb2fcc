#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/pacing.h"

// kelvran's commands over the chip library, with the terminal as a parameter so tests run them
// in-process on the simulated chip.
namespace cli {

struct Terminal {
  bool output_is_terminal = false;
  bool input_is_terminal = false;
  std::function<std::string()> read_line;  // one answer, without its newline
  // Waits between samples until the deadline or a stop request; without it there is no wait.
  std::function<void(std::chrono::steady_clock::time_point deadline)> sleep_until;
  std::function<std::chrono::steady_clock::time_point()> now;  // the steady clock when empty
  std::function<bool()> stop_requested;  // Ctrl-C: end a watch or a recording cleanly
};

// Asks question on err and reads the answer: true for y, Y or yes.
bool Confirm(const std::string& question, std::ostream& err, const Terminal& terminal);

// args are the arguments after the program name; returns the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Terminal& terminal);

}  // namespace cli
