#pragma once

#include <string>
#include <vector>

// The command line of kelvran-eval: which bus backend to use and how to trace it. Plain C++ so
// it can be parsed (and its errors printed) before anything graphical exists.
namespace app {

inline constexpr const char* kProgramName = "kelvran-eval";
// Exit status for a command line, scenario file or trace file the program cannot use.
inline constexpr int kUsageExitStatus = 2;

struct Options {
  enum class Action { Run, Help, Version };
  Action action = Action::Run;
  bool simulate = false;       // false: this computer's buses
  std::string scenario_file;   // with simulate: empty means the built-in hardware
  std::string bus_trace_file;  // empty: no trace
  std::string bus;             // --bus: the i2c adapter to search, a number or part of its name
  bool a11y_ids = false;
  std::string record_file;  // --record: empty means no recording at start
  int record_interval_ms = 1000;
  std::string view_file;          // --view: a recording to review, without any bus
  std::string compare_file;       // --compare: a second recording compared with it
  bool record_overwrite = false;  // --overwrite: replace a file that holds data
  bool record_append = false;     // --append: continue the recording in the file
};

struct ParseOutcome {
  Options options;
  std::string error;  // one line, without the program name; empty when the line was understood
  bool ok() const { return error.empty(); }
};

// args are the arguments after the program name.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

std::string HelpText();
std::string VersionText();

}  // namespace app
