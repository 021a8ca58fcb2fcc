#pragma once

#include <iosfwd>

#include "access/declarations.h"
#include "cli/arguments.h"
#include "cli/run.h"

namespace cli {

// Samples every channel the Channel Mode register selects: reading, limits, alarm flag.
void Watch(devaccess::Declarations& d, const Arguments& args, std::ostream& out,
           const Terminal& terminal);

}  // namespace cli
