#pragma once

// Putting a snapshot back on a chip: the plan, shown before anything is written, and its writes,
// each read back. The window and the command line run the same plan.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "chip/register_write.h"
#include "chip/snapshot.h"

namespace chip {

// One write of a restore.
struct RestoreStep {
  enum class Role {
    Restore,  // a register the snapshot sets
    Pause,    // Configuration 1 with START clear, while the others are written
    Resume,   // Configuration 1 as it was, START again
  };
  std::uint8_t address = 0;
  std::string caption;     // the catalogue's, whatever the file says
  std::uint8_t now = 0;    // what the register holds before this write
  std::uint8_t saved = 0;  // the snapshot's value (Restore only)
  std::uint8_t write = 0;
  Role role = Role::Restore;
};

// The registers whose stored bits differ between the chip now and the snapshot: writable ones
// only, never the test register, in address order with Configuration 1 last. Each write keeps the
// chip's own INT Clear and never sets RESET or Initialisation. read(address) is asked only for
// registers the snapshot holds that can be restored.
std::vector<RestoreStep> PlanRestore(const Snapshot& snapshot, const RegisterRead& read);

// The order to write chosen steps of a plan in, for a chip whose Configuration 1 reads
// configuration_now: while the chip runs, START is cleared first, so no limit half written
// latches an alarm, and Configuration 1 comes last (the saved one, or the chip's own again).
std::vector<RestoreStep> OrderRestore(std::vector<RestoreStep> chosen,
                                      std::uint8_t configuration_now);

// PlanRestore and OrderRestore in one: every write of the restore, in order.
std::vector<RestoreStep> PlanWrites(const Snapshot& snapshot, const RegisterRead& read);

// "" when the snapshot came from the same kind of chip (Company ID and Revision as the chip
// reads them), otherwise a sentence saying how they differ.
std::string IdentityDifference(const Snapshot& snapshot, const RegisterRead& read);

// "0x40  Configuration 1: 0x09 -> 0x08  (START cleared while the others are written)".
std::string DescribeStep(const RestoreStep& step);

// A restore that stopped part way: which write failed and why, what was written before it and
// what was not.
class RestoreError : public std::runtime_error {
 public:
  RestoreError(RestoreStep failed, std::string reason, std::vector<RestoreStep> written,
               std::vector<RestoreStep> not_written, bool bus_failed);
  const RestoreStep& failed() const { return failed_; }
  bool bus_failed() const { return bus_failed_; }  // false: the register did not keep its value
  // "writing 0x2E (Vccp1 Low) of the chip at <where> failed: <reason>", then a line "already
  // written: 0x2B 2.5V/Ext.Temp. High = 0x50, ..." and a line "not written: ...".
  std::string Describe(const std::string& where) const;

 private:
  RestoreStep failed_;
  std::string reason_;
  std::vector<RestoreStep> written_, not_written_;
  bool bus_failed_;
};

// Writes the steps in order, each read back. Throws RestoreError at the first that fails (a bus
// error or a register that did not keep its value); nothing after it is written.
void RunRestore(const std::vector<RestoreStep>& steps, const RegisterRead& read,
                const RegisterWrite& write);

}  // namespace chip
