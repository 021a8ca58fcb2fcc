// kelvran's command line, one argument per input line: every input is understood or refused with
// a message, and what the register and value parsers accept is in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/reg_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) args.push_back(line);

  for (const std::string& a : args) {
    const cli::RegisterArg reg = cli::ParseRegister(a);
    if ((reg.entry == nullptr) == reg.error.empty()) std::abort();
    const cli::ValueArg value = cli::ParseValue(a);
    if (value.error.empty() != (value.value >= 0 && value.value <= 255)) std::abort();
    const cli::BitArg bit = cli::ParseBit(a);
    if (bit.error.empty() && (bit.bit < 0 || bit.bit > 7 || bit.value < 0 || bit.value > 1)) {
      std::abort();
    }
    cli::ParseInterval(a);
  }
  const cli::ParsedArguments parsed = cli::ParseArguments(args);
  if (parsed.ok() && !parsed.args.help && !parsed.args.version && parsed.args.command.empty()) {
    std::abort();  // understood, yet nothing to do
  }
  return 0;
}
