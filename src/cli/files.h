#pragma once

#include <iosfwd>
#include <string>

#include "chip/snapshot.h"
#include "cli/arguments.h"
#include "cli/run.h"
#include "cli/session.h"

// The commands that keep the chip in a file: snapshot save/restore and record, in the same
// formats as the window's snapshots and recordings.
namespace cli {

// Reads and checks a snapshot file before the bus is touched. Throws UsageError.
chip::Snapshot LoadSnapshot(const std::string& path);

int SnapshotSave(Session& s, const std::string& path, std::ostream& out);
int SnapshotRestore(Session& s, const chip::Snapshot& snapshot, const Arguments& args,
                    std::ostream& out, std::ostream& err, const Terminal& terminal);
int Record(Session& s, const Arguments& args, std::ostream& out, const Terminal& terminal);

}  // namespace cli
