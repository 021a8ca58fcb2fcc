// kelvran's command line, one argument per input line: every input is understood or refused with
// a message, what the register and value parsers accept is in range, and an --bus choice names
// what it says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "buslink/i2c_adapter.h"
#include "cli/arguments.h"
#include "cli/reg_value.h"
#include "notation/duration.h"

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
    // A duration is refused or within 0 .. the longest one, never overflowed.
    if (const auto d = notation::ParseDuration(a, nullptr);
        d && (d->count() < 0 || *d > notation::kLongestDuration)) {
      std::abort();
    }
    // An adapter choice is a number that names exactly that adapter, or a part of a name.
    if (const auto choice = buslink::BusChoice::Parse(a)) {
      buslink::I2cAdapterInfo adapter;
      adapter.number = 7;
      adapter.name = a;
      if (choice->number() && choice->Matches(adapter) != (*choice->number() == 7)) std::abort();
      if (!choice->number() && !choice->Matches(adapter)) std::abort();
    }
  }
  const cli::ParsedArguments parsed = cli::ParseArguments(args);
  if (parsed.ok() && !parsed.args.help && !parsed.args.version && parsed.args.command.empty()) {
    std::abort();  // understood, yet nothing to do
  }
  return 0;
}
