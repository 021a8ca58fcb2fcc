#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "chip/register_catalogue.h"
#include "chip/snapshot.h"
#include "cli/arguments.h"
#include "cli/run.h"
#include "cli/session.h"

// The commands that write to the chip, and the rules every write follows: a yes from the person
// at the terminal (or --yes), one chip named unambiguously, every write read back.
namespace cli {

// Whether the writes may go ahead: nullopt when they may, otherwise the exit status to end with
// (the reason is said on err). With --yes nothing is asked; otherwise only a terminal's answer
// counts, and Ctrl-C at the question is a no.
std::optional<int> AllowWrites(const std::string& question, const Arguments& args,
                               std::ostream& err, const Terminal& terminal);

// nullopt when found holds exactly the one chip to write to; otherwise the exit status, with the
// chips listed on err.
std::optional<int> OneChipToWrite(const std::vector<Found>& found, std::ostream& err);

// kelvran set: value (or --bit) to register r, read back.
int Set(Session& s, const chip::RegisterEntry& r, const Arguments& args, int value,
        std::ostream& out, std::ostream& err, const Terminal& terminal);

// kelvran snapshot restore: the plan, the question, the writes.
int SnapshotRestore(Session& s, const chip::Snapshot& snapshot, const Arguments& args,
                    std::ostream& out, std::ostream& err, const Terminal& terminal);

}  // namespace cli
