#include "cli/run.h"

#include <cstdio>
#include <ostream>

#include "access/link_new_com_port.h"
#include "buslink/bus_error.h"
#include "chip/monitoring.h"
#include "chip/register_catalogue.h"
#include "chip/register_meaning.h"
#include "cli/alarms.h"
#include "cli/arguments.h"
#include "cli/files.h"
#include "cli/registers_view.h"
#include "cli/serve.h"
#include "cli/session.h"
#include "cli/watch.h"

namespace cli {

namespace {

using devaccess::ReadAt;

std::string RegisterName(int address) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", address & 0xFF);
  std::string name = text;
  for (const chip::RegisterEntry& r : chip::AllRegisters()) {
    if (r.address != address) continue;
    std::string_view caption = r.caption;
    while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
    name += " (" + std::string(caption) + ")";
    break;
  }
  return name;
}

int Detect(Session& s, std::ostream& out, std::ostream& err, const Arguments& args) {
  const std::vector<Found> found = s.Detect();
  for (const Found& f : found) out << Describe(f) << '\n';
  if (found.empty()) {
    err << "kelvran: " << NoChipMessage(args) << '\n';
    for (const std::string& reason : s.NothingFoundReasons()) err << "kelvran: " << reason << '\n';
    return kExitNoChip;
  }
  return kExitOk;
}

// Said on stderr before readings that would otherwise stand still without a word.
void NoteIfNotMonitoring(int configuration1, std::ostream& err) {
  if (chip::Monitoring(configuration1)) return;
  err << "kelvran: the chip is not monitoring: " << chip::kStartClear
      << ", so its readings stand still; 'kelvran set 0x40 --bit 0=1' starts it (EasySetup in "
         "kelvran-eval also sets its limits)\n";
}

// The register's line, with the meaning its byte has under the chip's Channel Mode now.
std::string LineNow(Session& s, const chip::RegisterEntry& r, int value) {
  if (!chip::HasMeaning(r.address)) return RegisterLine(r, value);
  int mode = 0;
  int divisors = 0;
  if (chip::MeaningDependsOnMode(r.address)) {
    mode = ReadAt(s.d(), chip::reg::kChannelMode);
    divisors = ReadAt(s.d(), chip::reg::kVidFanDivisor);
  }
  return RegisterLine(
      r, value,
      chip::RegisterMeaning(r.address, static_cast<std::uint8_t>(value),
                            static_cast<std::uint8_t>(mode), static_cast<std::uint8_t>(divisors)));
}

int Dump(Session& s, std::ostream& out, std::ostream& err) {
  // Every register once, in catalogue order; the meanings then take Channel Mode and the fan
  // divisors from what was read.
  const auto registers = chip::AllRegisters();
  std::vector<int> values;
  for (const chip::RegisterEntry& r : registers) values.push_back(ReadAt(s.d(), r.address));
  const auto value_of = [&](std::uint8_t address) {
    for (std::size_t i = 0; i < registers.size(); ++i) {
      if (registers[i].address == address) return values[i];
    }
    return 0;
  };
  const auto mode = static_cast<std::uint8_t>(value_of(chip::reg::kChannelMode));
  const auto divisors = static_cast<std::uint8_t>(value_of(chip::reg::kVidFanDivisor));
  for (std::size_t i = 0; i < registers.size(); ++i) {
    const chip::RegisterEntry& r = registers[i];
    const auto raw = static_cast<std::uint8_t>(values[i]);
    out << RegisterLine(r, raw, chip::RegisterMeaning(r.address, raw, mode, divisors)) << '\n';
  }
  NoteIfNotMonitoring(value_of(chip::reg::kConfiguration1), err);
  return kExitOk;
}

int Set(Session& s, const chip::RegisterEntry& r, const Arguments& args, int value,
        std::ostream& out, std::ostream& err, const Terminal& terminal) {
  devaccess::Declarations& d = s.d();
  if (args.bit) {
    const int mask = 1 << args.bit->bit;
    const int before = ReadAt(d, r.address);
    value = args.bit->value != 0 ? (before | mask) : (before & ~mask);
  }
  if (terminal.input_is_terminal && !args.yes) {
    char what[32];
    std::snprintf(what, sizeof what, "0x%02X", value);
    const std::string question = "Write " + std::string(what) + " to " + RegisterName(r.address) +
                                 " of the chip at " + Describe(s.chip()) + "?";
    if (!Confirm(question, err, terminal)) {
      err << "kelvran: nothing written\n";
      return kExitUsage;
    }
  }
  devaccess::WriteAt(d, r.address, value);
  const int now = ReadAt(d, r.address);
  out << LineNow(s, r, now) << '\n';
  return kExitOk;
}

int Command(const Arguments& args, std::ostream& out, std::ostream& err, const Terminal& terminal) {
  // Everything typed is checked before the bus is touched.
  const chip::RegisterEntry* reg = nullptr;
  int value = -1;
  if (args.command == "get" || args.command == "set") {
    const RegisterArg r = ParseRegister(args.operands[0]);
    if (r.entry == nullptr) throw UsageError(r.error);
    reg = r.entry;
  }
  if (args.command == "set") {
    if (chip::IsReadOnly(reg->address)) {
      throw UsageError(RegisterName(reg->address) + " is read-only: the chip ignores writes to it");
    }
    if (!args.bit) {
      const ValueArg v = ParseValue(args.operands[1]);
      if (!v.error.empty()) throw UsageError(v.error);
      value = v.value;
    }
  }
  const bool restore = args.command == "snapshot" && args.operands[0] == "restore";
  const chip::Snapshot saved = restore ? LoadSnapshot(args.operands[1]) : chip::Snapshot{};

  Session session(args);
  if (args.command == "detect") return Detect(session, out, err, args);
  if (args.command == "serve") return Serve(session, args, out, err, terminal);
  if (!session.Attach()) {
    err << "kelvran: " << NoChipMessage(args) << '\n';
    return kExitNoChip;
  }
  try {
    if (args.command == "dump") return Dump(session, out, err);
    if (args.command == "get") {
      const int now = ReadAt(session.d(), reg->address);
      out << LineNow(session, *reg, now) << '\n';
      return kExitOk;
    }
    if (args.command == "set") return Set(session, *reg, args, value, out, err, terminal);
    if (restore) return SnapshotRestore(session, saved, args, out, err, terminal);
    if (args.command == "snapshot") return SnapshotSave(session, args.operands[1], out);
    if (args.command == "alarms") return Alarms(session.d(), out, err);
    NoteIfNotMonitoring(ReadAt(session.d(), chip::reg::kConfiguration1), err);
    if (args.command == "record") return Record(session, args, out, terminal);
    return Watch(session.d(), args, out, err, terminal);
  } catch (const buslink::BusError& e) {
    if (!e.context()) throw;
    const buslink::TransferContext& c = *e.context();
    const char* doing =
        c.operation == buslink::TransferContext::Operation::Write ? "writing " : "reading ";
    throw buslink::BusError(e.code(), doing + RegisterName(c.reg) + " of the chip at " +
                                          Describe(session.chip()) + ": " + e.what());
  }
}

}  // namespace

bool WaitForNextSample(const Terminal& terminal, const Deadlines& deadlines, bool first) {
  if (!first && terminal.sleep_until) {
    terminal.sleep_until(deadlines.Next(terminal.now ? terminal.now() : Deadlines::Clock::now()));
  }
  return !(terminal.stop_requested && terminal.stop_requested());
}

bool Confirm(const std::string& question, std::ostream& err, const Terminal& terminal) {
  err << question << " [y/N] " << std::flush;
  const std::string answer = terminal.read_line ? terminal.read_line() : std::string();
  return answer == "y" || answer == "Y" || answer == "yes";
}

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
        const Terminal& terminal) {
  const ParsedArguments parsed = ParseArguments(argv);
  if (!parsed.ok()) {
    err << "kelvran: " << parsed.error << "\n(kelvran --help shows the commands)\n";
    return kExitUsage;
  }
  const Arguments& args = parsed.args;
  if (args.help) {
    out << Usage(args.command);
    return kExitOk;
  }
  if (args.version) {
    out << VersionText();
    return kExitOk;
  }
  try {
    return Command(args, out, err, terminal);
  } catch (const UsageError& e) {
    err << "kelvran: " << e.what() << '\n';
    return kExitUsage;
  } catch (const buslink::BusError& e) {
    err << "kelvran: " << e.what() << '\n';
    return kExitBus;
  } catch (const std::exception& e) {
    err << "kelvran: " << e.what() << '\n';
    return kExitBus;
  }
}

}  // namespace cli
