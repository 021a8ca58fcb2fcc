#pragma once

#include <iosfwd>

#include "access/declarations.h"
#include "chip/sampler.h"

namespace cli {

// `kelvran alarms`: reads the chip once and prints each alarm that had latched, one per line with
// its channel's reading and limits; on stderr, that reading cleared them (or that the chip is not
// converting, so nothing can latch). Returns the exit status.
int Alarms(devaccess::Declarations& d, std::ostream& out, std::ostream& err);

// For `watch --until-alarm`: names on err each alarm the sample carries; false when it carries
// none.
bool ReportAlarms(const chip::Sample& sample, std::ostream& err);

}  // namespace cli
