#pragma once

#include <optional>
#include <string>
#include <vector>

#include "buslink/bus_link.h"
#include "cli/reg_value.h"

// The command line of kelvran: a subcommand, its operands, the bus options every subcommand
// takes and the options of the subcommand.
namespace cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBus = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoChip = 3;
inline constexpr int kExitAlarm = 4;  // watch --until-alarm saw an alarm

enum class Format { Auto, Csv, Json };

struct Arguments {
  std::string
      command;  // detect, dump, get, set, watch, ..., serve; empty with --help or --version alone
  std::vector<std::string> operands;
  bool help = false;
  bool version = false;

  bool simulate = false;
  std::string scenario_file;  // with simulate: empty is the built-in hardware
  std::string bus_trace_file;

  // Which chip: the first found that matches every one given.
  std::optional<buslink::BusMedium> medium;
  std::string bus;             // i2c adapter: a number or a part of its name; empty: any
  std::optional<int> port;     // printer port index, from 0
  std::optional<int> address;  // 7-bit

  bool yes = false;
  bool force = false;      // restore a snapshot of another Company ID or Revision
  bool overwrite = false;  // record: replace a file that holds data
  bool append = false;     // record: continue the recording in the file
  bool verbose = false;    // detect: also the adapters seen, searched or not
  std::optional<BitArg> bit;
  double interval_seconds = 1.0;
  long count = 0;  // 0: until interrupted
  Format format = Format::Auto;
  std::string listen;                 // serve: ADDRESS:PORT; empty for loopback at the default port
  double min_interval_seconds = 1.0;  // serve: a scrape sooner than this gets the last reading
  bool until_alarm = false;           // watch: end at the first alarm
};

struct ParsedArguments {
  Arguments args;
  std::string error;  // one line; empty when the command line was understood
  bool ok() const { return error.empty(); }
};

// args are the arguments after the program name. Operand counts are checked too.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

// The longest interval taken: any longer and a pause is past what a watch or a recording is
// for, and far enough out, past what the clock's durations hold.
constexpr double kMaxIntervalSeconds = 24 * 3600;

// "1s", "500ms", "0.5", "2m" up to a day: seconds, or -1 when it is none of these.
double ParseInterval(std::string_view text);

std::string Usage(const std::string& command);  // the whole program's for an empty command
std::string VersionText();

}  // namespace cli
