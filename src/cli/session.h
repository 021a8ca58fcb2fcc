#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/declarations.h"
#include "access/device_search.h"
#include "access/unattended_sampler.h"
#include "buslink/bus_error.h"
#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"
#include "cli/arguments.h"

// The chip a command talks to: the backend the bus options choose, the search that finds chips as
// the window's wizard does, and the shared state set up for the one chosen.
namespace cli {

// A command line, scenario or trace file that cannot be used (exit 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that failed part way, while it was written (exit 1).
class WriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Found {
  buslink::BusMedium medium;
  std::uint8_t port = 0;        // printer port index
  std::uint16_t port_base = 0;  // its base I/O address
  bool mode_flag = false;
  std::uint8_t address7 = 0;
  std::optional<buslink::I2cAdapterInfo> adapter =
      {};  // SMBus: the adapter, when the backend names it
};

// "printer port 0 (378h) address 0x2E, direct-build board" or "smbus address 0x2D". A board
// answers only under the wiring of its build (docs/evaluation-board.md).
std::string Describe(const Found& f);
// " on --bus=7 (CP2112 SMBus Bridge on hidraw0)": an SMBus chip's adapter in the form --bus
// takes; empty when the backend names none.
std::string OnAdapter(const Found& f);
// "/dev/i2c-0 (SMBus I801 adapter at efa0): an SMBus controller, searched".
std::string DescribeAdapter(const buslink::I2cAdapterInfo& adapter);

class Session {
 public:
  // Loads the scenario or opens this computer's buses, and opens the trace. Throws UsageError.
  explicit Session(const Arguments& args);
  ~Session();

  // Every chip that identifies, printer ports first, in the wizard's order, narrowed to the
  // medium, port and address the options name.
  std::vector<Found> Detect();
  // After a Detect that found nothing: why, in the wizard's words, one reason a line.
  const std::vector<std::string>& NothingFoundReasons() const { return reasons_; }

  // Points the shared state at the first chip found. Returns false when there is none.
  bool Attach();
  // Points the shared state at this chip, one that Detect() found.
  void AttachTo(const Found& chip);
  // Why the bus trace stopped, when a write to it failed; empty while it works.
  const std::string& trace_failure() const { return trace_failure_; }
  const Found& chip() const { return chip_; }
  // The I2C adapters the last Detect saw, each marked searched or not.
  const std::vector<buslink::I2cAdapterInfo>& adapters() const { return adapters_; }
  devaccess::Declarations& d() { return d_; }
  buslink::Backend& backend() { return *backend_; }

 private:
  std::vector<std::string> Reasons(const devaccess::DeviceSearch& search, bool printer,
                                   bool smbus) const;

  const Arguments& args_;
  std::unique_ptr<buslink::BusTrace> trace_;
  std::unique_ptr<buslink::Backend> backend_;
  devaccess::Declarations d_;
  Found chip_{};
  std::vector<std::string> reasons_;
  std::string trace_failure_;
  std::vector<buslink::I2cAdapterInfo> adapters_;
  int adapters_searched_ = 0;
};

// What a chip Detect found is known by, before its Company ID and Revision are read.
devaccess::ChipIdentity IdentityOf(const Found& chip);

// Points a shared state at a chip Detect found, as the wizard's Finish does.
void PointAt(devaccess::Declarations& d, const Found& chip);

// "reading 0x41 (INT Status 1) of the chip at smbus address 0x2D: <the bus's message>": a failed
// register transfer as the programs report it. e must name its transfer (context()).
std::string DescribeFailure(const buslink::BusError& e, const Found& chip);

// What to tell the user when nothing matched: "no KELVRAN answered on the SMBus at 0x2C".
std::string NoChipMessage(const Arguments& args);

}  // namespace cli
