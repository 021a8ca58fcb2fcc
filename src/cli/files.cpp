#include "cli/files.h"

#include <sys/stat.h>

#include <chrono>
#include <ostream>

#include "access/chip_place.h"
#include "access/link_new_com_port.h"
#include "chip/local_time.h"
#include "chip/recording_session.h"
#include "chip/register_catalogue.h"
#include "chip/sampler.h"
#include "cli/sample_loop.h"
#include "files/file_replace.h"
#include "files/file_text.h"
#include "files/recording_file.h"

#ifndef KELVRAN_VERSION
#define KELVRAN_VERSION "0.0.0"
#endif

namespace cli {

namespace {

chip::Sampler::Read Reader(Session& s) {
  return [&s](std::uint8_t address) {
    return static_cast<std::uint8_t>(devaccess::ReadAt(s.d(), address));
  };
}

files::ExistingFile ExistingFileOf(const Arguments& args) {
  if (args.overwrite) return files::ExistingFile::Overwrite;
  if (args.append) return files::ExistingFile::Append;
  return files::ExistingFile::Refuse;
}

}  // namespace

chip::Snapshot LoadSnapshot(const std::string& path) {
  try {
    return chip::ParseSnapshot(files::ReadUserFile(path, "the snapshot"));
  } catch (const files::FileError& e) {
    throw UsageError(e.what());
  } catch (const chip::SnapshotError& e) {
    throw UsageError(path + ": " + e.what());
  }
}

void RefuseToReplaceUnasked(const std::string& path, const Arguments& args) {
  struct stat status {};
  if (args.overwrite || ::stat(path.c_str(), &status) != 0) return;
  if (S_ISREG(status.st_mode) && status.st_size > 0) {
    throw UsageError(path + " already holds data: start again with --overwrite to replace it");
  }
}

int SnapshotSave(Session& s, const std::string& path, std::ostream& out) {
  const chip::Snapshot snapshot = chip::TakeSnapshot(
      Reader(s), KELVRAN_VERSION, chip::IsoLocalTime(std::chrono::system_clock::now()),
      devaccess::PlaceOf(s.d()));
  // Everything is read before the file is touched, and the old file is replaced only by a whole
  // new one, so neither a bus failure nor a full disk leaves half a snapshot.
  try {
    files::ReplaceFile(path, chip::FormatSnapshot(snapshot), "the snapshot");
  } catch (const files::FileError& e) {
    throw WriteError(e.what());
  }
  out << "saved " << snapshot.registers.size() << " registers of the chip at " << Describe(s.chip())
      << " to " << path << '\n';
  return kExitOk;
}

std::unique_ptr<files::RecordingFile> OpenRecording(const Arguments& args) {
  try {
    return std::make_unique<files::RecordingFile>(args.operands[0], ExistingFileOf(args));
  } catch (const files::RecordingError& e) {
    throw UsageError(e.what());
  }
}

int Record(Session& s, const Arguments& args, std::unique_ptr<files::RecordingFile> file,
           std::ostream& out, std::ostream& err, const Terminal& terminal) {
  const std::string& path = args.operands[0];
  try {
    devaccess::ChipIdentity identity = IdentityOf(s.chip());
    devaccess::ReadIdentity(s.d(), identity);
    chip::RecordingHeader header;
    header.version = KELVRAN_VERSION;
    header.place = devaccess::PlaceOf(s.d());
    header.stable_place = devaccess::StablePlace(identity);
    chip::RecordingSession session(header, *file, Reader(s)(chip::reg::kConfiguration1));
    devaccess::UnattendedSampler sampler(s.d(), identity);
    SampleLoopHooks hooks;
    hooks.mark = [&session](std::string_view mark, SampleLoopHooks::Steady now) {
      session.Mark(mark, now);
    };
    // The header and the first row reach the file at once (RecordingSession::Row).
    hooks.row = [&session](const chip::Sample& sample, SampleLoopHooks::Wall wall,
                           SampleLoopHooks::Steady now) -> std::optional<int> {
      session.Row(sample, wall, now);
      return std::nullopt;
    };
    const int status = SampleLoop(sampler, args, terminal, err, hooks);
    file->Close();
    out << "recorded " << session.rows() << " rows to " << path << '\n';
    return status;
  } catch (const files::RecordingRefused& e) {
    throw UsageError(e.what());
  } catch (const files::RecordingError& e) {
    throw WriteError(e.what());
  }
}

}  // namespace cli
