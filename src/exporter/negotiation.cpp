#include <algorithm>
#include <array>
#include <cstddef>

#include "exporter/exposition.h"
#include "notation/trim.h"

namespace exporter {

namespace {

constexpr std::string_view kTextType = "text/plain; version=0.0.4; charset=utf-8";
constexpr std::string_view kOpenMetrics100 =
    "application/openmetrics-text; version=1.0.0; charset=utf-8";
constexpr std::string_view kOpenMetrics001 =
    "application/openmetrics-text; version=0.0.1; charset=utf-8";

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// "1", "0.5", "0.125": at most three decimals, as HTTP writes a weight; -1 for anything else.
int Weight(std::string_view q) {
  q = notation::Trim(q);
  if (q.size() >= 2 && q.front() == '"' && q.back() == '"') q = q.substr(1, q.size() - 2);
  if (q.empty() || (q[0] != '0' && q[0] != '1')) return -1;
  int thousandths = (q[0] - '0') * 1000;
  if (q.size() > 1) {
    if (q[1] != '.' || q.size() > 5) return -1;
    int scale = 100;
    for (const char c : q.substr(2)) {
      if (c < '0' || c > '9') return -1;
      thousandths += (c - '0') * scale;
      scale /= 10;
    }
  }
  return thousandths <= 1000 ? thousandths : -1;
}

struct Range {
  std::string_view type;
  std::string_view version;
  int weight = 1000;
  std::size_t order = 0;
};

Range ParseRange(std::string_view text, std::size_t order) {
  Range r;
  r.order = order;
  std::size_t semicolon = text.find(';');
  r.type = notation::Trim(text.substr(0, semicolon));
  while (semicolon != std::string_view::npos) {
    text.remove_prefix(semicolon + 1);
    semicolon = text.find(';');
    const std::string_view param = text.substr(0, semicolon);
    const std::size_t equals = param.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = notation::Trim(param.substr(0, equals));
    std::string_view value = notation::Trim(param.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (SameText(key, "q")) {
      r.weight = Weight(value);
    } else if (SameText(key, "version")) {
      r.version = value;
    }
  }
  return r;
}

}  // namespace

NegotiatedFormat Negotiate(std::string_view accept) {
  // A scraper names a handful of ranges; more than this is not a scraper.
  constexpr std::size_t kMaxRanges = 32;
  std::array<Range, kMaxRanges> ranges{};
  std::size_t count = 0;
  while (!accept.empty() && count < kMaxRanges) {
    const std::size_t comma = accept.find(',');
    const Range r = ParseRange(accept.substr(0, comma), count);
    if (r.weight > 0 && !r.type.empty()) ranges[count++] = r;
    if (comma == std::string_view::npos) break;
    accept.remove_prefix(comma + 1);
  }
  std::stable_sort(ranges.begin(), ranges.begin() + static_cast<std::ptrdiff_t>(count),
                   [](const Range& a, const Range& b) { return a.weight > b.weight; });
  for (std::size_t i = 0; i < count; ++i) {
    const Range& r = ranges[i];
    if (SameText(r.type, "application/openmetrics-text")) {
      if (r.version.empty() || r.version == "1.0.0") return {Format::OpenMetrics, kOpenMetrics100};
      if (r.version == "0.0.1") return {Format::OpenMetrics, kOpenMetrics001};
    } else if (SameText(r.type, "text/plain")) {
      if (r.version.empty() || r.version == "0.0.4") return {Format::Text, kTextType};
    }
  }
  return {Format::Text, kTextType};
}

}  // namespace exporter
