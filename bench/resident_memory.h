#pragma once

#include <cstdio>

// The process's resident set in kB, from /proc/self/statm (0 where it cannot be read).
inline long ResidentKilobytes() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;  // 4 KiB pages
}
