#include "app/command_line.h"

#include <optional>
#include <string_view>
#include <utility>

#include "notation/duration.h"

#ifndef KELVRAN_VERSION
#define KELVRAN_VERSION "0.0.0"
#endif

namespace app {

namespace {

constexpr std::string_view kSimulate = "--simulate";
constexpr std::string_view kBusTrace = "--bus-trace";
constexpr std::string_view kRecord = "--record";
constexpr std::string_view kView = "--view";
constexpr std::string_view kCompare = "--compare";
constexpr std::string_view kBus = "--bus";
constexpr int kMaxIntervalMs = 3600 * 1000;

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// What the recording interval dialog offers, 1 ms .. 1 h, in the words of ParseDuration.
std::optional<int> IntervalMs(std::string_view text) {
  const auto duration = notation::ParseDuration(text, nullptr);
  if (!duration || duration->count() < 1 || duration->count() > kMaxIntervalMs) return {};
  return static_cast<int>(duration->count());
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
  ParseOutcome out;
  Options& o = out.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      o.action = Options::Action::Help;
    } else if (arg == "--version") {
      // --help wins when both are given: it is the more useful answer.
      if (o.action != Options::Action::Help) o.action = Options::Action::Version;
    } else if (arg == "--a11y-ids") {
      o.a11y_ids = true;
    } else if (arg == kSimulate) {
      o.simulate = true;
      o.scenario_file.clear();
    } else if (StartsWith(arg, std::string(kSimulate) + "=")) {
      const std::string_view file = arg.substr(kSimulate.size() + 1);
      if (file.empty()) {
        out.error = "--simulate= needs a scenario file name (or use --simulate alone)";
        return out;
      }
      o.simulate = true;
      o.scenario_file = file;
    } else if (arg == kBusTrace) {
      // The file may also follow as the next argument, as with most programs.
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        out.error = "--bus-trace needs a file name: --bus-trace=FILE";
        return out;
      }
      o.bus_trace_file = args[++i];
    } else if (StartsWith(arg, std::string(kBusTrace) + "=")) {
      const std::string_view file = arg.substr(kBusTrace.size() + 1);
      if (file.empty()) {
        out.error = "--bus-trace= needs a file name";
        return out;
      }
      o.bus_trace_file = file;
    } else if (StartsWith(arg, std::string(kRecord) + "=")) {
      std::string_view file = arg.substr(kRecord.size() + 1);
      o.record_interval_ms = 1000;
      if (const std::size_t comma = file.rfind(','); comma != std::string_view::npos) {
        const std::optional<int> ms = IntervalMs(file.substr(comma + 1));
        if (!ms) {
          out.error = "--record: '" + std::string(file.substr(comma + 1)) +
                      "' is not an interval from 1ms to 1h, " +
                      std::string(notation::kDurationGrammar);
          return out;
        }
        o.record_interval_ms = *ms;
        file = file.substr(0, comma);
      }
      if (file.empty()) {
        out.error = "--record= needs a file name: --record=FILE[,INTERVAL]";
        return out;
      }
      o.record_file = file;
    } else if (arg == kBus || StartsWith(arg, std::string(kBus) + "=")) {
      // "--bus=7", "--bus=CP2112", or the value as the next argument.
      const bool joined = arg != kBus;
      if (!joined && i + 1 >= args.size()) {
        out.error = "--bus needs an i2c adapter: --bus=N or --bus=NAME";
        return out;
      }
      const std::string value = joined ? std::string(arg.substr(kBus.size() + 1)) : args[++i];
      if (value.empty() || value.size() > 64) {
        out.error =
            "--bus takes an i2c adapter number such as 7 or a part of its name such as "
            "CP2112";
        return out;
      }
      o.bus = value;
    } else if (arg == "--overwrite") {
      o.record_overwrite = true;
    } else if (arg == "--append") {
      o.record_append = true;
    } else if (arg == kRecord) {
      out.error = "--record needs a file name: --record=FILE[,INTERVAL]";
      return out;
    } else if (arg == kView || StartsWith(arg, std::string(kView) + "=")) {
      // The file may also follow as the next argument.
      const bool next = arg == kView;
      if (next && (i + 1 >= args.size() || args[i + 1].empty())) {
        out.error = "--view needs a recording's file name: --view=FILE";
        return out;
      }
      o.view_file = next ? args[++i] : std::string(arg.substr(kView.size() + 1));
      if (o.view_file.empty()) {
        out.error = "--view= needs a recording's file name";
        return out;
      }
    } else if (arg == kCompare || StartsWith(arg, std::string(kCompare) + "=")) {
      const bool next = arg == kCompare;
      if (next && (i + 1 >= args.size() || args[i + 1].empty())) {
        out.error = "--compare needs a recording's file name: --compare=FILE";
        return out;
      }
      o.compare_file = next ? args[++i] : std::string(arg.substr(kCompare.size() + 1));
      if (o.compare_file.empty()) {
        out.error = "--compare= needs a recording's file name";
        return out;
      }
    } else if (StartsWith(arg, "-") && arg != "-") {
      out.error = "unknown option '" + std::string(arg) + "'";
      return out;
    } else {
      out.error = "unexpected argument '" + std::string(arg) +
                  "' (a scenario file is given as --simulate=FILE)";
      return out;
    }
  }
  if (!o.view_file.empty() &&
      (o.simulate || !o.bus.empty() || !o.bus_trace_file.empty() || !o.record_file.empty())) {
    out.error =
        "--view shows a recording without any bus: it takes no --simulate, --bus, --bus-trace "
        "or --record";
  } else if (!o.compare_file.empty() && o.view_file.empty()) {
    out.error = "--compare goes with --view: --view=FILE --compare=OTHER";
  } else if ((o.record_overwrite || o.record_append) && o.record_file.empty()) {
    out.error = "--overwrite and --append go with --record=FILE";
  } else if (o.record_overwrite && o.record_append) {
    out.error = "--overwrite replaces the recording file and --append continues it: give one";
  }
  return out;
}

std::string HelpText() {
  return std::string("Usage: ") + kProgramName +
         " [--simulate[=FILE]] [--bus=N|NAME] [--bus-trace=FILE]\n"
         "       [--record=FILE[,INTERVAL] [--overwrite|--append]] [--a11y-ids]\n"
         "       kelvran-eval --view=FILE [--compare=OTHER]\n"
         "\n"
         "Evaluation software for the KELVRAN hardware-monitor chip: finds the chip on a\n"
         "printer-port evaluation board or on the computer's SMBus, then shows and sets its\n"
         "voltages, temperatures, fan speeds, limits and registers.\n"
         "\n"
         "Bus backends:\n"
         "  (no option)        this computer's hardware: SMBus adapters through i2c-dev\n"
         "                     (/dev/i2c-*) and printer ports through ppdev (/dev/parport*)\n"
         "  --simulate         simulated hardware: a printer port at 378h with an evaluation\n"
         "                     board, and an SMBus adapter with a chip at 2Dh, both set up\n"
         "                     and running, their readings moving\n"
         "  --simulate=FILE    simulated hardware described by a JSON scenario file\n"
         "                     (format in /usr/share/doc/kelvran-eval/simulator.md)\n"
         "\n"
         "  --bus=N|NAME       search only the i2c adapter /dev/i2c-N, or those whose name\n"
         "                     holds NAME (any case, e.g. --bus=CP2112); without it the SMBus\n"
         "                     search covers every adapter but the display buses (DDC,\n"
         "                     DisplayPort AUX, graphics cards). 'kelvran detect' names the\n"
         "                     adapter of each chip it finds\n"
         "\n"
         "Other options:\n"
         "  --bus-trace=FILE   append one line per bus transfer to FILE, e.g. \"SMB 2D R 3E 41\"\n"
         "  --record=FILE[,INTERVAL]\n"
         "                     record every channel to the CSV file FILE from the moment the\n"
         "                     main window shows, one row per INTERVAL (10ms, 1s, 5min, 1h;\n"
         "                     1s when left out); File > Stop Recording ends it. A file\n"
         "                     that holds data is kept unless one of these follows:\n"
         "  --overwrite        replace it\n"
         "  --append           continue the recording in it (same columns only)\n"
         "  --view=FILE        review a recording (one this program or `kelvran record`\n"
         "                     wrote, also one still being written): its channels on charts\n"
         "                     with cursors, statistics, limits and alarms; no chip, no bus\n"
         "  --compare=OTHER    with --view: draw the recording OTHER over it, dashed, aligned\n"
         "                     at the starts (View menu: by clock time), read beside it\n"
         "  --a11y-ids         publish each control's name to accessibility tools, as its\n"
         "                     accessible description \"id=<name>\" (for driving the program\n"
         "                     from test tools)\n"
         "  -h, --help         show this text and exit\n"
         "  --version          show the version and exit\n"
         "\n"
         "No hardware at hand: start kelvran-eval --simulate to use the simulated chips.\n"
         "\n"
         "USB-to-I2C bridges (modules hid-cp2112, hid-mcp2221, i2c-tiny-usb) appear as one\n"
         "more /dev/i2c-N and are searched like the motherboard's SMBus.\n"
         "\n"
         "Permissions: on real hardware the program opens /dev/i2c-* and /dev/parport*.\n"
         "Load the i2c-dev module (modprobe i2c-dev), add your user to the i2c group (and lp\n"
         "for printer ports) and log in again; the udev rule the package installs gives the\n"
         "devices to those groups. /usr/share/doc/kelvran-eval/linux-permissions.md has it all.\n"
         "When the search finds nothing, the wizard and stderr say why.\n"
         "\n"
         "Help: press F1 in any window. The user's guide is KELVRAN.html, kept beside the\n"
         "executable.\n"
         "\n"
         "Without a display (DISPLAY or WAYLAND_DISPLAY), as over ssh without -X, the program\n"
         "says what is missing and ends; kelvran does the same work in a terminal.\n"
         "\n"
         "Exit status: 0 when the program ends normally, 1 after an error report, 2 for a\n"
         "command line, scenario file or trace file that cannot be used, or no display.\n";
}

std::string VersionText() {
  return std::string(kProgramName) + " " + KELVRAN_VERSION + "\n";
}

}  // namespace app
