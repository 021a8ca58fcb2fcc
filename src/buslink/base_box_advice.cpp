#include "buslink/base_box_advice.h"

#include <cstdio>

namespace buslink {

namespace {

constexpr long kLargestTyped = 0xFFF;  // three hexadecimal digits

}  // namespace

std::string BoxHex(long base) {
  char text[24];
  std::snprintf(text, sizeof text, "%lXh", base);
  return text;
}

std::string BaseBoxAdvice(const std::vector<long>& bases) {
  std::string typed;
  for (const long base : bases) {
    if (base <= 0 || base > kLargestTyped) continue;
    typed += (typed.empty() ? "" : " or ") + BoxHex(base);
  }
  const std::string clear = "the box (or enter 0) to let the program choose the adapter";
  if (typed.empty()) return "Clear " + clear;
  return "Enter " + typed + " in the box, or clear " + clear;
}

}  // namespace buslink
