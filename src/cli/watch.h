#pragma once

#include <iosfwd>

#include "cli/arguments.h"
#include "cli/run.h"
#include "cli/session.h"

namespace cli {

// Samples every channel the Channel Mode register selects (reading, limits, alarms latched since
// the previous sample) until --count, a stop request or, with --until-alarm, an alarm. Returns the
// exit status: 1 when the output cannot be written (a full disk) or --give-up gave up, 4 at an
// alarm, 0 when it ends or its reader goes away. A sample the chip does not answer is skipped and
// the gap said on err (SampleLoop).
int Watch(Session& s, const Arguments& args, std::ostream& out, std::ostream& err,
          const Terminal& terminal);

}  // namespace cli
