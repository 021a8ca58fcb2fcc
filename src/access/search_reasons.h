#pragma once

#include <string>
#include <string_view>
#include <vector>

// Why a device search found nothing: the same lines under the wizard's results and from
// `kelvran detect`.
namespace devaccess {

// What the search of one medium met.
struct MediumReport {
  bool searched = false;              // ticked and searched
  bool found = false;                 // a chip was found there
  std::string unavailable;            // why the computer offers nothing on it (the backend's word)
  std::vector<std::string> problems;  // what stopped its probes
};

// One line per medium that found nothing for a known reason ("Printer port: ..."), at most three
// per medium, then `advice` as the last line; nothing at all when no reason is known. A medium
// not searched has a line only if it is unavailable (its box is off).
std::vector<std::string> NothingFoundLines(const MediumReport& printer_port,
                                           const MediumReport& smbus, std::string_view advice);

// The last line: where to read more and, on real hardware, how to try the simulated chip
// (`program` is "kelvran-eval" or "kelvran detect"). On simulated hardware the scenario decides
// what is there, so the line points to its format instead.
std::string NothingFoundAdvice(bool simulated, std::string_view help, std::string_view program);

}  // namespace devaccess
