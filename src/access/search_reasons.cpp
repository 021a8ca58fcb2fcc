#include "access/search_reasons.h"

namespace devaccess {

std::vector<std::string> NothingFoundLines(const MediumReport& printer_port,
                                           const MediumReport& smbus, std::string_view advice) {
  constexpr std::size_t kMostPerMedium = 3;
  std::vector<std::string> lines;
  const auto add = [&lines](const char* medium, const MediumReport& r) {
    if (r.found) return;
    std::vector<std::string> reasons;
    if (r.searched) reasons = r.problems;
    if (reasons.empty() && !r.unavailable.empty()) reasons.push_back(r.unavailable);
    if (reasons.size() > kMostPerMedium) reasons.resize(kMostPerMedium);
    for (const std::string& reason : reasons) lines.push_back(std::string(medium) + ": " + reason);
  };
  add("Printer port", printer_port);
  add("SMBus", smbus);
  if (!lines.empty()) lines.emplace_back(advice);
  return lines;
}

std::string NothingFoundAdvice(bool simulated, std::string_view help, std::string_view program) {
  if (simulated) {
    return "This is the simulated hardware: its scenario decides which printer ports, SMBus "
           "adapters and chips there are (docs/simulator.md); --simulate alone gives the built-in "
           "bench with a chip on each medium.";
  }
  return "See " + std::string(help) + ". To try the program without hardware, run " +
         std::string(program) + " --simulate.";
}

}  // namespace devaccess
