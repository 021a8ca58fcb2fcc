#pragma once

#include <iosfwd>

#include "cli/run.h"
#include "cli/session.h"
#include "exporter/chip_reading.h"

namespace cli {

// kelvran serve: every chip found (or those the bus options pick) served to Prometheus over HTTP
// until Ctrl-C or SIGTERM. Returns the exit status.
int Serve(Session& session, const Arguments& args, std::ostream& out, std::ostream& err,
          const Terminal& terminal);

// The labels a chip has in every series: "smbus/pci-0000:00:1f.4/0x2D", "printer/port1/0x2E".
exporter::ChipLabels LabelsFor(const Found& chip);

}  // namespace cli
