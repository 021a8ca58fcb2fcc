#pragma once

#include <string>

namespace app {

// A write to the bus trace file failed: said on stderr at once, and in a box once the event loop
// is free (the failure comes in the middle of a transfer, where no box may open). The program
// goes on without the trace.
void ReportTraceFailure(const std::string& message);

}  // namespace app
