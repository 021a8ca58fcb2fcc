// Writes a made-up recording for screenshots and manual trials:
//   make_recording FILE ROWS INTERVAL_MS [FIRST_ALARM_ROW LAST_ALARM_ROW]...
// +12V stands above its high limit (and alarms) in the rows given.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/recording_generator.h"

int main(int argc, char** argv) {
  if (argc < 4 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: %s FILE ROWS INTERVAL_MS [FIRST_ALARM_ROW LAST_ALARM_ROW]...\n",
                 argv[0]);
    return 2;
  }
  recordings::Spec spec;
  spec.rows = std::atoll(argv[2]);
  spec.interval_ms = std::atoll(argv[3]);
  for (int i = 4; i + 1 < argc; i += 2) {
    spec.v12_alarms.emplace_back(std::atoll(argv[i]), std::atoll(argv[i + 1]));
  }
  if (!recordings::WriteFile(spec, argv[1])) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
