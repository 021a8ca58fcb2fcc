#include "buslink/sim/scenario_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "buslink/sim/input_shape.h"

namespace buslink::sim::scenario_format {

namespace {

constexpr std::size_t kMaxNameLength = 100;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::optional<double> NumberFromText(std::string_view text) {
  if (auto whole = IntegerFromText(text)) return static_cast<double>(*whole);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string Key(const std::string& path, std::string_view key) {
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string Index(const std::string& path, std::size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

std::string Hex(std::int64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<long long>(value));
  return text;
}

std::optional<std::int64_t> IntegerFromText(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

const json* Find(const json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

void Reader::Fail(const std::string& what) const {
  throw ScenarioError(source_ + ": " + what);
}

std::string Reader::Describe(const json& value) {
  const std::string type = value.type_name();
  if (type == "array" || type == "object") return "an " + type;
  if (type == "null") return "null";
  return "a " + type;
}

void Reader::RequireObject(const json& value, const std::string& path) const {
  if (!value.is_object()) Fail(path + ": expected an object, got " + Describe(value));
}

void Reader::RequireArray(const json& value, const std::string& path) const {
  if (!value.is_array()) Fail(path + ": expected an array, got " + Describe(value));
}

std::int64_t Reader::Integer(const json& value, const std::string& path, std::int64_t min,
                             std::int64_t max, bool hex) const {
  std::int64_t number = 0;
  std::string written;
  if (value.is_number_unsigned()) {
    const auto u = value.get<std::uint64_t>();
    number = u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                 ? std::numeric_limits<std::int64_t>::max()
                 : static_cast<std::int64_t>(u);
    written = std::to_string(u);
  } else if (value.is_number_integer()) {
    number = value.get<std::int64_t>();
    written = std::to_string(number);
  } else if (value.is_number_float()) {
    const double d = value.get<double>();
    if (std::floor(d) != d || std::fabs(d) > 9e15) {
      Fail(path + ": expected a whole number, got " + value.dump());
    }
    number = static_cast<std::int64_t>(d);
    written = value.dump();
  } else if (value.is_string()) {
    written = value.get<std::string>();
    const auto parsed = IntegerFromText(written);
    if (!parsed) Fail(path + ": \"" + written + "\" is not a whole number");
    number = *parsed;
  } else {
    Fail(path + ": expected a number, got " + Describe(value));
  }
  if (number < min || number > max) {
    const std::string range =
        hex ? Hex(min) + ".." + Hex(max) : std::to_string(min) + ".." + std::to_string(max);
    Fail(path + ": " + written + " is outside " + range);
  }
  return number;
}

double Reader::Number(const json& value, const std::string& path, double min) const {
  double number = 0;
  if (value.is_number()) {
    number = value.get<double>();
  } else if (value.is_string()) {
    const auto parsed = NumberFromText(value.get<std::string>());
    if (!parsed) Fail(path + ": \"" + value.get<std::string>() + "\" is not a number");
    number = *parsed;
  } else {
    Fail(path + ": expected a number, got " + Describe(value));
  }
  if (!std::isfinite(number) || number < min) {
    Fail(path + ": " + value.dump() + " must be a number of at least " + std::to_string(min));
  }
  return number;
}

bool Reader::Boolean(const json& value, const std::string& path) const {
  if (value.is_boolean()) return value.get<bool>();
  if (value.is_string()) {
    const std::string text = Lower(value.get<std::string>());
    if (text == "true") return true;
    if (text == "false") return false;
  }
  Fail(path + ": expected true or false, got " + value.dump());
}

std::size_t Reader::ChoiceIndex(const json& value, const std::string& path,
                                std::span<const std::string_view> texts) const {
  std::string list;
  for (std::string_view text : texts) list += (list.empty() ? "" : ", ") + std::string(text);
  if (value.is_string()) {
    const std::string given = Lower(value.get<std::string>());
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (given == Lower(std::string(texts[i]))) return i;
    }
  }
  Fail(path + ": expected one of " + list + ", got " + value.dump());
}

double Reader::Duration(const json& value, const std::string& path, bool zero_allowed) const {
  double seconds = 0.0;
  if (value.is_number()) {
    seconds = value.get<double>();
  } else if (value.is_string()) {
    const auto parsed = SecondsFromText(value.get<std::string>());
    if (!parsed) {
      Fail(path + ": " + value.dump() + " is not a duration (30s, 250ms, 1.5min, 2h or seconds)");
    }
    seconds = *parsed;
  } else {
    Fail(path + ": expected a duration such as \"30s\", got " + Describe(value));
  }
  if (!std::isfinite(seconds) || seconds < 0.0 || (!zero_allowed && seconds == 0.0)) {
    Fail(path + ": " + value.dump() +
         (zero_allowed ? " must not be negative" : " must be longer than 0"));
  }
  return seconds;
}

std::string Reader::Name(const json& value, const std::string& path) const {
  if (!value.is_string()) Fail(path + ": expected a text, got " + Describe(value));
  const std::string name = value.get<std::string>();
  if (name.size() > kMaxNameLength) {
    Fail(path + ": longer than " + std::to_string(kMaxNameLength) + " characters");
  }
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      Fail(path + ": control characters are not allowed in an adapter name");
    }
  }
  return name;
}

}  // namespace buslink::sim::scenario_format
