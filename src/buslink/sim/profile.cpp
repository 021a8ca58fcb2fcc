#include "buslink/sim/profile.h"
#include "notation/trim.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace buslink::sim {

namespace {

// Far beyond any reading or any run, and small enough that arithmetic on it stays finite.
constexpr double kLargest = 1e9;

std::optional<double> ValueFromText(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 40;  // a binary file's "line" could be megabytes long
  std::string shown(text.substr(0, kShown));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return "\"" + shown + (text.size() > kShown ? "...\"" : "\"");
}

}  // namespace

InputShape::Points ProfileFromCsv(std::string_view text, const std::string& name) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // spreadsheets write one
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  InputShape::Points points;
  std::string_view previous_time;
  bool header_allowed = true;
  std::size_t line_number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = notation::Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++line_number;
    if (line.empty() || line.front() == '#') continue;
    const auto fail = [&](const std::string& what) {
      throw ProfileError(name + " line " + std::to_string(line_number) + ": " + what);
    };
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || line.find(',', comma + 1) != std::string_view::npos) {
      fail("expected two fields, time and value, separated by a comma; got " + Quoted(line));
    }
    const std::string_view time_text = notation::Trim(line.substr(0, comma));
    const std::string_view value_text = notation::Trim(line.substr(comma + 1));
    const std::optional<double> time = SecondsFromText(time_text);
    if (!time && header_allowed && !ValueFromText(value_text)) {
      header_allowed = false;  // a line of column names
      continue;
    }
    header_allowed = false;
    if (!time) fail(Quoted(time_text) + " is not a time (seconds, or 250ms, 90s, 1.5min, 2h)");
    if (*time < 0.0) fail("the time " + std::string(time_text) + " is before 0");
    if (*time > kLargest) fail("the time " + std::string(time_text) + " is beyond 1e9 seconds");
    if (!points.empty() && *time <= points.back().first) {
      fail("the time " + std::string(time_text) + " does not come after the previous line's " +
           std::string(previous_time));
    }
    const std::optional<double> value = ValueFromText(value_text);
    if (!value) fail(Quoted(value_text) + " is not a number");
    if (std::fabs(*value) > kLargest)
      fail("the value " + std::string(value_text) + " is beyond 1e9");
    points.emplace_back(*time, *value);
    previous_time = time_text;
  }
  if (points.empty()) throw ProfileError(name + ": no points (lines of time,value)");
  return points;
}

InputShape::Points ProfileFromFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw ProfileError(path + ": cannot open the profile: " + std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    throw ProfileError(path + ": not a regular file");
  }
  if (static_cast<std::size_t>(info.st_size) > kMaxProfileBytes) {
    std::fclose(file);
    throw ProfileError(path + ": the profile is larger than " +
                       std::to_string(kMaxProfileBytes >> 20U) + " MiB");
  }
  std::string text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() <= kMaxProfileBytes) {
    text.append(buffer, n);
  }
  const int read_error = std::ferror(file) != 0 ? errno : 0;
  std::fclose(file);
  if (read_error != 0) {
    throw ProfileError(path + ": cannot read the profile: " + std::strerror(read_error));
  }
  if (text.size() > kMaxProfileBytes) {
    throw ProfileError(path + ": the profile is larger than " +
                       std::to_string(kMaxProfileBytes >> 20U) + " MiB");
  }
  return ProfileFromCsv(text, path);
}

}  // namespace buslink::sim
