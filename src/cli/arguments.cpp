#include "cli/arguments.h"

#include <cstdlib>
#include <string_view>

#include "exporter/listen_address.h"
#include "notation/duration.h"

#ifndef KELVRAN_VERSION
#define KELVRAN_VERSION "0.0.0"
#endif

namespace cli {

namespace {

constexpr std::string_view kCommands[] = {"detect",   "dump",   "get",   "set",   "watch",
                                          "snapshot", "record", "serve", "alarms"};

bool IsCommand(std::string_view s) {
  for (const std::string_view c : kCommands) {
    if (s == c) return true;
  }
  return false;
}

// "--name=value" or "--name value": the value, advancing i past it; nullopt when the argument is
// not this option. missing is set when the option came without a value.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& i,
                                       std::string_view name, bool& missing) {
  const std::string_view arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) {
      missing = true;
      return std::string();
    }
    return args[++i];
  }
  if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
    return std::string(arg.substr(name.size() + 1));
  }
  return std::nullopt;
}

// A small whole number (a bus or port number, a count).
long WholeNumber(std::string_view s, long max) {
  if (s.empty() || s.size() > 10) return -1;
  long n = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n <= max ? n : -1;
}

struct OperandCount {
  std::string_view command;
  std::size_t min, max;
};
constexpr OperandCount kOperandCounts[] = {{"detect", 0, 0}, {"dump", 0, 0},  {"get", 1, 1},
                                           {"set", 1, 2},    {"watch", 0, 0}, {"snapshot", 2, 2},
                                           {"record", 1, 1}, {"serve", 0, 0}, {"alarms", 0, 0}};

// A time option in the grammar both programs share, in seconds; the message says why not.
std::optional<double> Seconds(std::string_view option, std::string_view text, std::string& error) {
  std::string why;
  const auto duration = notation::ParseDuration(text, &why);
  if (duration) return static_cast<double>(duration->count()) / 1000.0;
  error = std::string(option) + " takes a time " + std::string(notation::kDurationGrammar) +
          " (or 0), not '" + std::string(text) + "': " + why;
  return std::nullopt;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
  ParsedArguments out;
  Arguments& a = out.args;
  const auto fail = [&out](std::string message) {
    out.error = std::move(message);
    return out;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    bool missing = false;
    std::optional<std::string> v;
    if (arg == "--help" || arg == "-h") {
      a.help = true;
    } else if (arg == "--version") {
      a.version = true;
    } else if (arg == "--simulate") {
      a.simulate = true;
      a.scenario_file.clear();
    } else if (arg.substr(0, 11) == "--simulate=") {
      if (arg.size() == 11) return fail("--simulate= needs a scenario file name");
      a.simulate = true;
      a.scenario_file = arg.substr(11);
    } else if ((v = OptionValue(args, i, "--bus-trace", missing))) {
      if (v->empty()) return fail("--bus-trace needs a file name: --bus-trace=FILE");
      a.bus_trace_file = *v;
    } else if ((v = OptionValue(args, i, "--medium", missing))) {
      if (*v == "smbus") {
        a.medium = buslink::BusMedium::SMBus;
      } else if (*v == "printer") {
        a.medium = buslink::BusMedium::PrinterPort;
      } else {
        return fail("--medium takes smbus or printer, not '" + *v + "'");
      }
    } else if ((v = OptionValue(args, i, "--bus", missing))) {
      if (v->empty() || v->size() > 64) {
        return fail(
            "--bus takes an i2c adapter number such as 7 or a part of its name such as "
            "CP2112");
      }
      a.bus = *v;
      a.medium = buslink::BusMedium::SMBus;
    } else if ((v = OptionValue(args, i, "--port", missing))) {
      const long n = WholeNumber(*v, 255);
      if (n < 0) return fail("--port takes a printer port number such as 0, not '" + *v + "'");
      a.port = static_cast<int>(n);
      a.medium = buslink::BusMedium::PrinterPort;
    } else if ((v = OptionValue(args, i, "--address", missing))) {
      const ValueArg n = ParseValue(*v);
      if (!n.error.empty() || n.value > 0x7F) {
        return fail("--address takes a 7-bit bus address such as 0x2D, not '" + *v + "'");
      }
      a.address = n.value;
    } else if (arg == "--yes" || arg == "-y") {
      a.yes = true;
    } else if (arg == "--force") {
      a.force = true;
    } else if (arg == "--overwrite") {
      a.overwrite = true;
    } else if (arg == "--append") {
      a.append = true;
    } else if (arg == "--verbose" || arg == "-v") {
      a.verbose = true;
    } else if ((v = OptionValue(args, i, "--bit", missing))) {
      BitArg bit = ParseBit(*v);
      if (!bit.error.empty()) return fail(bit.error);
      a.bit = bit;
    } else if ((v = OptionValue(args, i, "--interval", missing))) {
      std::string error;
      const std::optional<double> seconds = Seconds("--interval", *v, error);
      if (!seconds) return fail(error);
      a.interval_seconds = *seconds;
    } else if ((v = OptionValue(args, i, "--give-up", missing))) {
      std::string error;
      const std::optional<double> seconds = Seconds("--give-up", *v, error);
      if (!seconds) return fail(error);
      if (*seconds <= 0) return fail("--give-up takes a time longer than 0, such as 10min");
      a.give_up_seconds = *seconds;
    } else if ((v = OptionValue(args, i, "--count", missing))) {
      a.count = WholeNumber(*v, 1000000000);
      if (a.count <= 0) return fail("--count takes a number of samples from 1, not '" + *v + "'");
    } else if ((v = OptionValue(args, i, "--listen", missing))) {
      const exporter::ParsedListen listen = exporter::ParseListenAddress(*v);
      if (!listen.ok()) return fail(listen.error);
      a.listen = *v;
    } else if ((v = OptionValue(args, i, "--min-interval", missing))) {
      std::string error;
      const std::optional<double> seconds = Seconds("--min-interval", *v, error);
      if (!seconds) return fail(error);
      a.min_interval_seconds = *seconds;
    } else if ((v = OptionValue(args, i, "--web-config", missing))) {
      if (v->empty()) return fail("--web-config takes a file name");
      a.web_config = *v;
    } else if (arg == "--csv") {
      a.format = Format::Csv;
    } else if (arg == "--json") {
      a.format = Format::Json;
    } else if (arg == "--until-alarm") {
      a.until_alarm = true;
    } else if (arg.size() > 1 && arg[0] == '-' &&
               !(arg.size() > 1 && arg[1] >= '0' && arg[1] <= '9')) {
      return fail("unknown option '" + std::string(arg) + "'");
    } else if (a.command.empty()) {
      if (!IsCommand(arg)) {
        return fail("unknown command '" + std::string(arg) +
                    "' (commands: detect, dump, get, set, watch, snapshot, record, serve, alarms)");
      }
      a.command = arg;
    } else {
      a.operands.emplace_back(arg);
    }
    if (missing) return fail(std::string(arg) + " needs a value");
  }
  if (a.help || a.version) return out;
  if (a.command.empty())
    return fail(
        "no command given (commands: detect, dump, get, set, watch, snapshot, record, serve, "
        "alarms)");
  for (const OperandCount& c : kOperandCounts) {
    if (c.command != a.command) continue;
    std::size_t max = c.max;
    std::size_t min = c.min;
    if (a.command == "set") {  // set REG VALUE, or set REG --bit N=V
      min = max = a.bit ? 1 : 2;
    }
    if (a.operands.size() < min)
      return fail(a.command + ": missing operand (see kelvran " + a.command + " --help)");
    if (a.operands.size() > max) {
      return fail(a.command + ": unexpected argument '" + a.operands[max] + "'");
    }
  }
  if (a.command == "snapshot" && a.operands[0] != "save" && a.operands[0] != "restore") {
    return fail("snapshot: say save or restore, not '" + a.operands[0] + "'");
  }
  if (a.bit && a.command != "set") return fail("--bit belongs to the set command");
  if (a.yes && a.command != "set" && a.command != "snapshot") {
    return fail("--yes belongs to the set and snapshot restore commands");
  }
  if (a.force && !(a.command == "snapshot" && a.operands[0] == "restore")) {
    return fail("--force belongs to the snapshot restore command");
  }
  const bool snapshot_save = a.command == "snapshot" && a.operands[0] == "save";
  if (a.overwrite && a.command != "record" && !snapshot_save) {
    return fail("--overwrite belongs to the record and snapshot save commands");
  }
  if (a.append && a.command != "record") return fail("--append belongs to the record command");
  if (a.overwrite && a.append) {
    return fail("record: --overwrite replaces the file and --append continues it; give one");
  }
  if (a.verbose && a.command != "detect") return fail("--verbose belongs to the detect command");
  if (a.format != Format::Auto && a.command != "watch") {
    return fail("--csv and --json belong to the watch command");
  }
  if (a.until_alarm && a.command != "watch")
    return fail("--until-alarm belongs to the watch command");
  if ((a.count != 0 || a.interval_seconds != 1.0) && a.command != "watch" &&
      a.command != "record") {
    return fail("--interval and --count belong to the watch and record commands");
  }
  if (a.give_up_seconds && a.command != "watch" && a.command != "record") {
    return fail("--give-up belongs to the watch and record commands");
  }
  if ((!a.listen.empty() || a.min_interval_seconds != 1.0) && a.command != "serve") {
    return fail("--listen and --min-interval belong to the serve command");
  }
  if (!a.web_config.empty() && a.command != "serve") {
    return fail("--web-config belongs to the serve command");
  }
  return out;
}

std::string VersionText() {
  return std::string("kelvran ") + KELVRAN_VERSION + "\n";
}

}  // namespace cli
