#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "chip/snapshot.h"
#include "cli/arguments.h"
#include "cli/run.h"
#include "cli/session.h"
#include "files/recording_file.h"

// The commands that keep the chip in a file: snapshot save and record, in the same formats as the
// window's snapshots and recordings (snapshot restore is in writes.h).
namespace cli {

// Reads and checks a snapshot file before the bus is touched. Throws UsageError.
chip::Snapshot LoadSnapshot(const std::string& path);

// Refuses (UsageError), before the bus, to save a snapshot over a file that holds data unless
// --overwrite: the same rule as a recording's.
void RefuseToReplaceUnasked(const std::string& path, const Arguments& args);

int SnapshotSave(Session& s, const std::string& path, std::ostream& out);

// Opens record's file as --overwrite and --append say, before the bus is touched, so a file that
// holds data is refused before anything else happens. Throws UsageError.
std::unique_ptr<files::RecordingFile> OpenRecording(const Arguments& args);
// Records into file until --count rows, a stop or --give-up, marking every stretch the chip did
// not answer (SampleLoop); the file is closed (flushed and synced) at the end. A file that fails
// part way throws WriteError.
int Record(Session& s, const Arguments& args, std::unique_ptr<files::RecordingFile> file,
           std::ostream& out, std::ostream& err, const Terminal& terminal);

}  // namespace cli
