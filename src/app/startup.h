#pragma once

#include <memory>
#include <stdexcept>

#include "app/command_line.h"
#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"

namespace boxes {
class MessageBoxes;
}

namespace app {

class KelvranApplication;

// A scenario or trace file the program cannot use; the message is one line naming the file.
class StartupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The bus backend the command line asks for, with its trace. The trace outlives every transfer,
// so it is kept here beside the backend that writes to it.
struct Hardware {
  std::unique_ptr<buslink::BusTrace> trace;  // null without --bus-trace
  std::unique_ptr<buslink::Backend> backend;
};

// Loads the scenario (before any window, so its errors reach the terminal) and opens the trace.
// Throws StartupError.
Hardware PrepareHardware(const Options& options);

// Everything after the command line: the application object, the wizard and the event loop.
// Returns the program's exit status.
int RunWindows(int& argc, char** argv, const Options& options, buslink::Backend& backend);

// The windows' part of that on an application that exists already: the shared state, the wizard
// and the event loop, until the last window closes (status 0) or an error report ends it
// (KelvranApplication::kFatalExitStatus).
int RunWizard(KelvranApplication& application, const Options& options, buslink::Backend& backend,
              boxes::MessageBoxes& boxes);

// --view: the review window on the application, until it closes; kUsageExitStatus when the file
// could not be shown (a box said why).
int RunReview(KelvranApplication& application, const Options& options, boxes::MessageBoxes& boxes);

// The whole program; main() is this.
int RunProgram(int argc, char** argv);

}  // namespace app
