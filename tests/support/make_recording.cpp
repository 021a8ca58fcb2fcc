// Writes a made-up recording for screenshots and manual trials:
//   make_recording [--daily] [--seed=N] [--start-ms=MS] [--mode=N] FILE ROWS INTERVAL_MS
//                  [FIRST_ALARM_ROW LAST_ALARM_ROW]...
// +12V stands above its high limit (and alarms) in the rows given; with --daily temperatures and
// fans follow a day's cycle; --mode is the Channel Mode register's value.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/recording_generator.h"

int main(int argc, char** argv) {
  recordings::Spec spec;
  while (argc > 1 && std::string(argv[1]).starts_with("--")) {
    const std::string option = argv[1];
    const auto number = [&] { return std::atoll(option.c_str() + option.find('=') + 1); };
    if (option == "--daily") {
      spec.daily = true;
    } else if (option.starts_with("--seed=")) {
      spec.seed = static_cast<unsigned>(number());
    } else if (option.starts_with("--start-ms=")) {
      spec.start_ms = number();
    } else if (option.starts_with("--mode=")) {
      spec.channel_mode = static_cast<int>(number());
    } else {
      std::fprintf(stderr, "%s: unknown option %s\n", argv[0], option.c_str());
      return 2;
    }
    ++argv;
    --argc;
  }
  if (argc < 4 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: %s FILE ROWS INTERVAL_MS [FIRST_ALARM_ROW LAST_ALARM_ROW]...\n",
                 argv[0]);
    return 2;
  }
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
