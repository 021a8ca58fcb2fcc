#include "python/bench.h"

#include "python/errors.h"

namespace pykelvran {

Bench::Bench(cli::Arguments arguments) : args(std::move(arguments)), session(args) {}

cli::Arguments ArgumentsOf(const Filters& filters) {
  std::vector<std::string> argv{"detect"};
  argv.insert(argv.end(), filters.options.begin(), filters.options.end());
  cli::ParsedArguments parsed = cli::ParseArguments(argv);
  if (!parsed.ok()) throw ArgumentError(parsed.error);
  return parsed.args;
}

std::shared_ptr<Bench> OpenBench(const cli::Arguments& args) {
  try {
    return std::make_shared<Bench>(args);
  } catch (const cli::UsageError& e) {
    throw FileFailure(e.what(), args.scenario_file);
  }
}

}  // namespace pykelvran
