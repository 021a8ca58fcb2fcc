#pragma once

// A restore from the question to the end, the same for every front end (the terminal, the
// window, the Python module):
//   1. PreviewRestore reads the chip and says what the restore would write, for the question.
//   2. The front end asks; the user may keep only some registers.
//   3. ApplyRestore reads the chip again (it may have changed while the question was open), plans
//      the kept registers from what the chip holds now, writes them in order (START cleared while
//      the others are written), each read back. A failure after START was cleared sets it back,
//      and the outcome says whether the chip is converting.
// A bus error while reading the chip before any write passes on as it is.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chip/register_write.h"
#include "chip/restore_plan.h"
#include "chip/snapshot.h"

namespace chip {

struct RestorePreview {
  std::string other_chip;         // IdentityDifference: "" for the same kind of chip
  std::vector<RestoreStep> plan;  // every write, in order; empty when nothing differs
};

RestorePreview PreviewRestore(const Snapshot& snapshot, const RegisterRead& read);

// The registers a plan restores from the snapshot (not its pause and resume of START).
std::vector<std::uint8_t> RestoredRegisters(const std::vector<RestoreStep>& plan);

struct RestoreOutcome {
  std::vector<RestoreStep> steps;     // planned after the answer, in the order written
  std::size_t restored = 0;           // of them, registers set from the snapshot
  std::optional<RestoreError> error;  // where the restore stopped, if it did
  // After a failure: "the chip is converting (START is set)", "the chip is not converting
  // (START is clear)" or "whether the chip is converting is not known: <why>".
  std::string converting;
};

// Step 3 above, for the registers in `kept` (as RestoredRegisters gives them).
RestoreOutcome ApplyRestore(const Snapshot& snapshot, const std::vector<std::uint8_t>& kept,
                            const RegisterRead& read, const RegisterWrite& write);

// A stopped restore for a person: RestoreError::Describe, then a line saying whether the chip
// is converting.
std::string DescribeFailure(const RestoreOutcome& outcome, const std::string& where);

}  // namespace chip
