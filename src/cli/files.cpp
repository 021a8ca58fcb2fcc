#include "cli/files.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>

#include "access/link_new_com_port.h"
#include "chip/local_time.h"
#include "chip/recording_file.h"
#include "chip/recording_session.h"
#include "chip/sampler.h"

#ifndef KELVRAN_VERSION
#define KELVRAN_VERSION "0.0.0"
#endif

namespace cli {

namespace {

// The same place the window writes for the chip it has open.
chip::ChipPlace PlaceOf(const devaccess::Declarations& d) {
  if (d.comms_medium == 1) return {"printer port", d.device_address, d.pp_base_address};
  return {"SMBus", d.device_address, std::nullopt, d.adapter};
}

chip::Sampler::Read Reader(Session& s) {
  return [&s](std::uint8_t address) {
    return static_cast<std::uint8_t>(devaccess::ReadAt(s.d(), address));
  };
}

}  // namespace

chip::Snapshot LoadSnapshot(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw UsageError(path + ": cannot open the snapshot: " + std::strerror(errno));
  std::ostringstream text;
  text << file.rdbuf();
  try {
    return chip::ParseSnapshot(text.str());
  } catch (const chip::SnapshotError& e) {
    throw UsageError(path + ": " + e.what());
  }
}

int SnapshotSave(Session& s, const std::string& path, std::ostream& out) {
  const chip::Snapshot snapshot =
      chip::TakeSnapshot(Reader(s), KELVRAN_VERSION,
                         chip::IsoLocalTime(std::chrono::system_clock::now()), PlaceOf(s.d()));
  // Everything is read before the file is opened, so a bus failure leaves an old file as it was.
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << chip::FormatSnapshot(snapshot);
  file.close();
  if (!file) throw UsageError(path + ": cannot write the snapshot: " + std::strerror(errno));
  out << "saved " << snapshot.registers.size() << " registers of the chip at " << Describe(s.chip())
      << " to " << path << '\n';
  return kExitOk;
}

int SnapshotRestore(Session& s, const chip::Snapshot& snapshot, const Arguments& args,
                    std::ostream& out, std::ostream& err, const Terminal& terminal) {
  const std::string note = chip::PlaceNote(snapshot.place, PlaceOf(s.d()));
  if (!note.empty()) err << "kelvran: " << note << '\n';
  const std::vector<chip::RestoreStep> steps = chip::PlanRestore(snapshot, Reader(s));
  if (steps.empty()) {
    out << "the chip at " << Describe(s.chip()) << " already holds the snapshot\n";
    return kExitOk;
  }
  for (const chip::RestoreStep& step : steps) {
    out << chip::HexByte(step.address) << "  " << step.caption << ": " << chip::HexByte(step.now)
        << " -> " << chip::HexByte(step.write) << '\n';
  }
  if (terminal.input_is_terminal && !args.yes &&
      !Confirm("Write these " + std::to_string(steps.size()) + " registers of the chip at " +
                   Describe(s.chip()) + "?",
               err, terminal)) {
    err << "kelvran: nothing written\n";
    return kExitUsage;
  }
  for (const chip::RestoreStep& step : steps) devaccess::WriteAt(s.d(), step.address, step.write);
  out << "restored " << steps.size() << " registers\n";
  return kExitOk;
}

int Record(Session& s, const Arguments& args, std::ostream& out, const Terminal& terminal) {
  const std::string& path = args.operands[0];
  try {
    chip::RecordingFile file(path);
    chip::RecordingHeader header;
    header.version = KELVRAN_VERSION;
    header.place = PlaceOf(s.d());
    chip::RecordingSession session(header, file);
    chip::Sampler sampler(Reader(s), s.d().alarm_store);
    const Deadlines deadlines(terminal.now ? terminal.now() : Deadlines::Clock::now(),
                              args.interval_seconds);
    for (long n = 0; args.count == 0 || n < args.count; ++n) {
      if (!WaitForNextSample(terminal, deadlines, n == 0)) break;
      const chip::Sample& sample = sampler.Take();
      session.Row(sample, std::chrono::system_clock::now(), chip::RecordingFile::Clock::now());
      // The header and first row are on disk at once, so a wrong folder or a full disk shows now.
      if (n == 0) file.Flush();
    }
    file.Flush();
    out << "recorded " << session.rows() << " rows to " << path << '\n';
  } catch (const chip::RecordingError& e) {
    throw UsageError(e.what());
  }
  return kExitOk;
}

}  // namespace cli
