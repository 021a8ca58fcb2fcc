#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/session.h"

// Where the Python module searches: the bus options `kelvran` takes, and the session that searches
// the backend they choose, exactly as `kelvran detect` does.
namespace pykelvran {

// The arguments of find() and open(), as the command line's options of the same names.
struct Filters {
  std::vector<std::string> options;  // "--simulate=FILE", "--bus=7", "--address=0x2D", ...
};

// One computer's buses. Every chip found on it keeps it alive and holds its lock around each
// transfer: chips of one computer share its backend (and a simulator's chips its state), so
// threads may use different chips of one computer at once.
struct Bench {
  explicit Bench(cli::Arguments arguments);
  cli::Arguments args;  // before session, which keeps a reference to it
  cli::Session session;
  std::mutex bus;
};

// The command line's reading of the filters: ValueError with its message when it refuses them.
cli::Arguments ArgumentsOf(const Filters& filters);

// Opens the backend the arguments choose; a scenario file that cannot be used is a FileFailure.
std::shared_ptr<Bench> OpenBench(const cli::Arguments& args);

}  // namespace pykelvran
