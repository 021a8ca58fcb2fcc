#pragma once

#include <iosfwd>

#include "access/declarations.h"
#include "cli/arguments.h"
#include "cli/run.h"

namespace cli {

// Samples every channel the Channel Mode register selects (reading, limits, alarms latched since
// the previous sample) until --count, a stop request or, with --until-alarm, an alarm. Returns the
// exit status: 1 when the output cannot be written (a full disk), 4 at an alarm, 0 when it ends or
// its reader goes away.
int Watch(devaccess::Declarations& d, const Arguments& args, std::ostream& out, std::ostream& err,
          const Terminal& terminal);

}  // namespace cli
