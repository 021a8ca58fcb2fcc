#include "cli/writes.h"

#include <ostream>

#include "access/chip_place.h"
#include "access/link_new_com_port.h"
#include "chip/register_access.h"
#include "chip/register_write.h"
#include "chip/restore_flow.h"
#include "cli/registers_view.h"
#include "files/file_text.h"

namespace cli {

namespace {

chip::RegisterRead Reader(Session& s) {
  return [&s](std::uint8_t address) {
    return static_cast<std::uint8_t>(devaccess::ReadAt(s.d(), address));
  };
}

chip::RegisterWrite Writer(Session& s) {
  return
      [&s](std::uint8_t address, std::uint8_t value) { devaccess::WriteAt(s.d(), address, value); };
}

}  // namespace

std::optional<int> AllowWrites(const std::string& question, const Arguments& args,
                               std::ostream& err, const Terminal& terminal) {
  if (args.yes) return std::nullopt;
  if (!terminal.input_is_terminal) {
    // A script, a cron job or a pipe cannot have read the question: nothing it sends is a yes.
    err << "kelvran: nothing written: stdin is not a terminal, so nobody was asked; add --yes to "
           "write without asking\n";
    return kExitUsage;
  }
  const bool yes = Confirm(question, err, terminal);
  if (terminal.stop_requested && terminal.stop_requested()) {
    err << "\nkelvran: interrupted, nothing written\n";
    return kExitUsage;
  }
  if (!yes) {
    err << "kelvran: nothing written\n";
    return kExitUsage;
  }
  return std::nullopt;
}

std::optional<int> OneChipToWrite(const std::vector<Found>& found, std::ostream& err) {
  if (found.size() <= 1) return std::nullopt;
  err << "kelvran: nothing written: " << found.size()
      << " chips answer; name the one to write to with --medium, --bus, --port or --address:\n";
  for (const Found& f : found) err << "  " << Describe(f) << '\n';
  return kExitUsage;
}

int Set(Session& s, const chip::RegisterEntry& r, const Arguments& args, int value,
        std::ostream& out, std::ostream& err, const Terminal& terminal) {
  // With --bit the byte is made from what the register holds after the answer, not before it:
  // the chip may have changed while the question was open.
  const std::string what =
      args.bit ? "bit " + std::to_string(args.bit->bit) + " = " + std::to_string(args.bit->value)
               : chip::HexByte(static_cast<std::uint8_t>(value));
  const std::string question = "Write " + what + " to " + chip::RegisterName(r.address) +
                               " of the chip at " + Describe(s.chip()) + "?";
  if (const std::optional<int> refused = AllowWrites(question, args, err, terminal)) {
    return *refused;
  }
  if (args.bit) {
    const auto now = static_cast<std::uint8_t>(devaccess::ReadAt(s.d(), r.address));
    value = chip::WithBit(r.address, now, args.bit->bit, args.bit->value != 0);
  }
  const auto byte = static_cast<std::uint8_t>(value);
  try {
    // A bus error passes on: it says itself that it was a write, of which register.
    const std::uint8_t kept = chip::WriteAndReadBack(r.address, byte, Reader(s), Writer(s));
    out << LineNow(s.d(), r, kept) << '\n';
  } catch (const chip::ReadBackError& e) {
    err << "kelvran: the chip at " << Describe(s.chip()) << " did not keep the write: " << e.what()
        << '\n';
    return kExitBus;
  }
  return kExitOk;
}

int SnapshotRestore(Session& s, const chip::Snapshot& snapshot, const Arguments& args,
                    std::ostream& out, std::ostream& err, const Terminal& terminal) {
  const std::string note = chip::PlaceNote(snapshot.place, devaccess::PlaceOf(s.d()));
  if (!note.empty()) err << "kelvran: " << files::PlainText(note) << '\n';
  const chip::RestorePreview preview = chip::PreviewRestore(snapshot, Reader(s));
  if (!preview.other_chip.empty() && !args.force) {
    err << "kelvran: nothing written: " << preview.other_chip
        << "; add --force to restore it all the same\n";
    return kExitUsage;
  }
  if (!preview.other_chip.empty()) {
    err << "kelvran: " << preview.other_chip << "; restoring it all the same (--force)\n";
  }
  const std::string already = "the chip at " + Describe(s.chip()) + " already holds the snapshot\n";
  if (preview.plan.empty()) {
    out << already;
    return kExitOk;
  }
  for (const chip::RestoreStep& step : preview.plan) out << chip::DescribeStep(step) << '\n';
  out << std::flush;
  if (const std::optional<int> refused =
          AllowWrites("Write these " + std::to_string(preview.plan.size()) +
                          " registers of the chip at " + Describe(s.chip()) + "?",
                      args, err, terminal)) {
    return *refused;
  }
  const chip::RestoreOutcome outcome =
      chip::ApplyRestore(snapshot, chip::RestoredRegisters(preview.plan), Reader(s), Writer(s));
  if (outcome.error) {
    std::string text = chip::DescribeFailure(outcome, Describe(s.chip()));
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
      text.insert(at + 1, "kelvran: ");
    }
    err << "kelvran: " << text << '\n';
    return kExitBus;
  }
  if (outcome.steps.empty()) {
    out << already;
    return kExitOk;
  }
  out << "restored " << outcome.restored << " registers\n";
  return kExitOk;
}

}  // namespace cli
