#include "cli/alarms.h"

#include <ostream>
#include <string>

#include "access/link_new_com_port.h"
#include "chip/alarm_bits.h"
#include "cli/arguments.h"

namespace cli {

int Alarms(devaccess::Declarations& d, std::ostream& out, std::ostream& err) {
  chip::SamplerOptions options;
  options.read_configuration = true;
  chip::Sampler sampler(
      [&d](std::uint8_t address) {
        return static_cast<std::uint8_t>(devaccess::ReadAt(d, address));
      },
      d.alarm_store, options);
  const chip::Sample& sample = sampler.Take();
  const std::vector<std::string> lines = chip::AlarmLines(sample);
  for (const std::string& line : lines) out << line << '\n';
  if (!sample.converting()) {
    err << "kelvran: the chip is not converting (START clear in Configuration 1), so no limit "
           "can trip; 'kelvran set 0x40 --bit 0=1' starts it\n";
  } else if (lines.empty()) {
    err << "kelvran: no alarm has latched since the status registers were last read\n";
  } else {
    err << "kelvran: reading INT Status 1 and 2 has cleared them; an alarm that lasts latches "
           "again at the chip's next conversion\n";
  }
  return kExitOk;
}

bool ReportAlarms(const chip::Sample& sample, std::ostream& err) {
  if (!sample.status.any()) return false;
  for (const std::string& line : chip::AlarmLines(sample))
    err << "kelvran: alarm: " << line << '\n';
  return true;
}

}  // namespace cli
