#include "cli/run.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

#include "access/link_new_com_port.h"
#include "buslink/bus_error.h"
#include "chip/monitoring.h"
#include "chip/register_catalogue.h"
#include "chip/register_meaning.h"
#include "chip/register_write.h"
#include "cli/alarms.h"
#include "cli/arguments.h"
#include "cli/files.h"
#include "cli/registers_view.h"
#include "cli/serve.h"
#include "cli/session.h"
#include "cli/watch.h"
#include "cli/writes.h"
#include "files/file_text.h"

namespace cli {

namespace {

using devaccess::ReadAt;

int Detect(Session& s, std::ostream& out, std::ostream& err, const Arguments& args) {
  const std::vector<Found> found = s.Detect();
  if (args.verbose) {
    for (const buslink::I2cAdapterInfo& adapter : s.adapters()) {
      err << "kelvran: adapter " << DescribeAdapter(adapter) << '\n';
    }
  }
  for (const Found& f : found) out << Describe(f) << OnAdapter(f) << '\n';
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

// The command on the chip the options name, once everything typed has been checked.
int OnTheChip(Session& session, const Arguments& args, const chip::RegisterEntry* reg, int value,
              const chip::Snapshot& saved, std::ostream& out, std::ostream& err,
              const Terminal& terminal) {
  if (args.command == "detect") return Detect(session, out, err, args);
  if (args.command == "serve") return Serve(session, args, out, err, terminal);
  // A file that holds data is refused before anything reaches the bus.
  std::unique_ptr<files::RecordingFile> recording;
  if (args.command == "record") recording = OpenRecording(args);
  if (args.command == "snapshot" && args.operands[0] == "save") {
    RefuseToReplaceUnasked(args.operands[1], args);
  }
  const std::vector<Found> found = session.Detect();
  if (found.empty()) {
    err << "kelvran: " << NoChipMessage(args) << '\n';
    return kExitNoChip;
  }
  const bool restore = args.command == "snapshot" && args.operands[0] == "restore";
  if (args.command == "set" || restore) {
    if (const std::optional<int> refused = OneChipToWrite(found, err)) return *refused;
  }
  session.AttachTo(found.front());
  try {
    if (args.command == "dump") return Dump(session, out, err);
    if (args.command == "get") {
      out << LineNow(session.d(), *reg, ReadAt(session.d(), reg->address)) << '\n';
      return kExitOk;
    }
    if (args.command == "set") return Set(session, *reg, args, value, out, err, terminal);
    if (restore) return SnapshotRestore(session, saved, args, out, err, terminal);
    if (args.command == "snapshot") return SnapshotSave(session, args.operands[1], out);
    if (args.command == "alarms") return Alarms(session.d(), out, err);
    NoteIfNotMonitoring(ReadAt(session.d(), chip::reg::kConfiguration1), err);
    if (args.command == "record") {
      return Record(session, args, std::move(recording), out, err, terminal);
    }
    return Watch(session, args, out, err, terminal);
  } catch (const buslink::BusError& e) {
    if (!e.context()) throw;
    throw buslink::BusError(e.code(), DescribeFailure(e, session.chip()));
  }
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
      throw UsageError(chip::RegisterName(reg->address) +
                       " is read-only: the chip ignores writes to it");
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
  const int status = OnTheChip(session, args, reg, value, saved, out, err, terminal);
  if (!session.trace_failure().empty()) {
    // The transfers went on, but the trace the user asked for is incomplete: say so.
    err << "kelvran: " << files::PlainText(session.trace_failure()) << '\n';
    return status == kExitOk ? kExitBus : status;
  }
  return status;
}

}  // namespace

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
    err << "kelvran: " << files::PlainText(e.what()) << '\n';
    return kExitUsage;
  } catch (const std::exception& e) {  // a bus failure, a file that failed part way
    err << "kelvran: " << files::PlainText(e.what()) << '\n';
    return kExitBus;
  }
}

}  // namespace cli
