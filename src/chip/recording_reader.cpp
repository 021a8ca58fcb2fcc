#include "chip/recording_reader.h"
#include "notation/trim.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace chip {

namespace {

constexpr std::string_view kFirstLineStart = "# kelvran-eval ";
constexpr std::string_view kFirstLineEnd = " recording";
constexpr std::string_view kColumnsStart = "time,seconds,";
constexpr std::string_view kLimits = "limits";
constexpr std::string_view kStatus1 = "INT Status 1";
constexpr std::string_view kStatus2 = "INT Status 2";
constexpr std::string_view kAlarms = "alarms";
constexpr std::string_view kTimeExample = "2026-12-06T01:02:03.456+01:00";
constexpr std::size_t kShown = 40;  // characters of a wrong field shown in a message

// What was found, quoted and cut short, for a message.
// Text from the file as a message may show it: shortened, and no control characters (a NUL
// would end the message where it is read as a C string).
std::string Shown(std::string_view text) {
  std::string shown(text.substr(0, kShown));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return text.size() > kShown ? shown + "..." : shown;
}

std::string Found(std::string_view text) {
  if (text.empty()) return "nothing";
  return "\"" + Shown(text) + "\"";
}

constexpr std::array<double, 19> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                                 1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                                 1e14, 1e15, 1e16, 1e17, 1e18};

// A decimal number as the recorder writes it ("-12.031", "4500"), read exactly: the digits form
// a whole number below 2^53 and one division by a power of ten rounds it as a full parse would.
// Anything else goes to from_chars; only finite numbers count.
std::optional<double> Number(std::string_view s) {
  const char* p = s.data();
  const char* end = p + s.size();
  bool negative = false;
  if (p != end && *p == '-') {
    negative = true;
    ++p;
  }
  std::uint64_t digits = 0;
  int count = 0;
  int decimals = 0;
  bool point = false;
  const char* q = p;
  for (; q != end; ++q) {
    if (*q >= '0' && *q <= '9') {
      digits = digits * 10 + static_cast<std::uint64_t>(*q - '0');
      ++count;
      if (point) ++decimals;
      if (count > 15) break;
    } else if (*q == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (q == end && count > 0 && !(point && decimals == 0) && *p != '.') {
    const double v = static_cast<double>(digits) / kPowersOfTen[static_cast<std::size_t>(decimals)];
    return negative ? -v : v;
  }
  double v = 0.0;
  const auto result = std::from_chars(s.data(), end, v);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

// A whole number 0 .. 255.
std::optional<int> Byte(std::string_view s) {
  int v = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || result.ec != std::errc() || result.ptr != s.data() + s.size() || v < 0 ||
      v > 255)
    return std::nullopt;
  return v;
}

int Digits(std::string_view s, std::size_t at, std::size_t count) {
  int v = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    const char c = s[i];
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int year_of_era = y - era * 400;
  const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return std::int64_t{era} * 146097 + day_of_era - 719468;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

}  // namespace

std::optional<ParsedTime> ParseIsoTime(std::string_view s) {
  // YYYY-MM-DDThh:mm:ss[.f...](Z|+hh:mm|-hh:mm)
  if (s.size() < 20 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':')
    return std::nullopt;
  const int year = Digits(s, 0, 4);
  const int month = Digits(s, 5, 2);
  const int day = Digits(s, 8, 2);
  const int hour = Digits(s, 11, 2);
  const int minute = Digits(s, 14, 2);
  const int second = Digits(s, 17, 2);
  // Nanoseconds since 1970 in 64 bits reach from 1677 to 2262: years outside are no recording's.
  if (year < 1678 || year > 2261 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 60)
    return std::nullopt;
  std::size_t at = 19;
  std::int64_t nanos = 0;
  if (at < s.size() && s[at] == '.') {
    ++at;
    std::int64_t scale = 100'000'000;
    const std::size_t start = at;
    for (; at < s.size() && s[at] >= '0' && s[at] <= '9'; ++at) {
      if (at - start >= 9) return std::nullopt;
      nanos += (s[at] - '0') * scale;
      scale /= 10;
    }
    if (at == start) return std::nullopt;
  }
  int offset = 0;
  if (at + 1 == s.size() && s[at] == 'Z') {
    offset = 0;
  } else if (at + 6 == s.size() && (s[at] == '+' || s[at] == '-') && s[at + 3] == ':') {
    const int oh = Digits(s, at + 1, 2);
    const int om = Digits(s, at + 4, 2);
    if (oh < 0 || oh > 23 || om < 0 || om > 59) return std::nullopt;
    offset = (oh * 60 + om) * 60 * (s[at] == '-' ? -1 : 1);
  } else {
    return std::nullopt;
  }
  const std::int64_t local_seconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return ParsedTime{(local_seconds - offset) * 1'000'000'000 + nanos, offset};
}

RecordingFormatError::RecordingFormatError(std::uint64_t line, const std::string& expected)
    : std::runtime_error("line " + std::to_string(line) + ": " + expected), line_(line) {}

RecordingReader::RecordingReader(RecordingSink& sink) : sink_(sink) {}

void RecordingReader::Fail(const std::string& expected) const {
  throw RecordingFormatError(line_, expected);
}

void RecordingReader::FailField(std::size_t field, const std::string& expected) const {
  std::string name = field < column_names_.size() ? " (" + Shown(column_names_[field]) + ")" : "";
  throw RecordingFormatError(line_, "field " + std::to_string(field + 1) + name + ": expected " +
                                        expected + ", found " + Found(fields_[field]));
}

void RecordingReader::Feed(std::string_view bytes) {
  if (failed_) return;
  try {
    while (!bytes.empty()) {
      const void* found = std::memchr(bytes.data(), '\n', bytes.size());
      if (found == nullptr) {
        partial_.append(bytes);
        return;
      }
      const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
      ++line_;
      if (partial_.empty()) {
        Line(bytes.substr(0, length));
      } else {
        partial_.append(bytes.substr(0, length));
        Line(partial_);
        partial_.clear();
      }
      bytes.remove_prefix(length + 1);
    }
  } catch (const RecordingFormatError&) {
    failed_ = true;
    throw;
  }
}

std::uint64_t RecordingReader::Finish() const {
  if (line_ == 0) {
    // Nothing complete: an empty file, or a first line still on its way.
    const std::string_view start = std::string_view(partial_).substr(0, kFirstLineStart.size());
    const std::string_view columns = std::string_view(partial_).substr(0, kColumnsStart.size());
    if (partial_.empty() || (start != kFirstLineStart.substr(0, start.size()) &&
                             columns != kColumnsStart.substr(0, columns.size()))) {
      throw RecordingFormatError(
          1, "expected \"# kelvran-eval <version> recording\", found " + Found(partial_));
    }
  }
  return partial_.empty() ? 0 : line_ + 1;
}

void RecordingReader::Line(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line_ == 1) {
    if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);  // a byte order mark
    // A recording begins with its header; a saved `watch --csv`, a chart export and an A-B
    // export with their limits or column names.
    if (!line.starts_with(kColumnsStart) && !line.starts_with("# limits:")) {
      FirstLine(line);
      return;
    }
  }
  if (line.empty()) return;
  if (line.front() == '#') {
    CommentLine(line.substr(1));
    return;
  }
  Split(line);
  if (fields_.size() >= 2 && fields_[0] == "time" && fields_[1] == "seconds") {
    ColumnNames();
    return;
  }
  if (!has_columns_) Fail("expected the column names (\"time,seconds,...\"), found " + Found(line));
  DataRow();
}

void RecordingReader::FirstLine(std::string_view line) {
  if (!line.starts_with(kFirstLineStart) || !line.ends_with(kFirstLineEnd) ||
      line.size() <= kFirstLineStart.size() + kFirstLineEnd.size()) {
    Fail(
        "expected \"# kelvran-eval <version> recording\" (the first line of a recording) or "
        "the column names (\"time,seconds,...\"), found " +
        Found(line));
  }
}

// "bus error at <time>: <what>", "resumed at <time> after 6.0 s, 6 samples missed": false for
// any other line.
bool RecordingReader::GapLine(std::string_view text) {
  constexpr std::string_view kError = "bus error at ";
  constexpr std::string_view kResumed = "resumed at ";
  RecordedGap gap;
  gap.resumed = text.starts_with(kResumed);
  if (!gap.resumed && !text.starts_with(kError)) return false;
  text.remove_prefix(gap.resumed ? kResumed.size() : kError.size());
  const std::string expected =
      gap.resumed ? "expected \"# resumed at <time> after <seconds> s, <n> samples missed\""
                  : "expected \"# bus error at <time>: <what failed>\"";
  const std::size_t time_end = text.find(gap.resumed ? " after " : ": ");
  const std::optional<ParsedTime> time =
      time_end == std::string_view::npos ? std::nullopt : ParseIsoTime(text.substr(0, time_end));
  if (!time) Fail(expected + ", found " + Found(text));
  gap.time = time->time;
  gap.utc_offset_seconds = time->utc_offset_seconds;
  if (!gap.resumed) {
    gap.error = text.substr(time_end + 2);
  } else {
    const std::string_view figures = text.substr(time_end + 7);
    const std::size_t seconds_end = figures.find(" s, ");
    const std::size_t missed_end = figures.find(" sample");
    const std::optional<double> seconds = seconds_end == std::string_view::npos
                                              ? std::nullopt
                                              : Number(figures.substr(0, seconds_end));
    const std::optional<double> missed =
        missed_end == std::string_view::npos || missed_end < seconds_end + 4
            ? std::nullopt
            : Number(figures.substr(seconds_end + 4, missed_end - seconds_end - 4));
    // A count past what 64 bits hold is no count a recorder wrote.
    if (!seconds || !missed || *missed < 0 || *missed != std::floor(*missed) || *missed >= 0x1p64) {
      Fail(expected + ", found " + Found(text));
    }
    gap.seconds = *seconds;
    gap.missed = static_cast<std::uint64_t>(*missed);
  }
  sink_.Gap(line_, gap);
  return true;
}

void RecordingReader::CommentLine(std::string_view text) {
  text = notation::Trim(text);
  if (GapLine(text)) return;
  const std::size_t colon = text.find(": ");
  const std::string_view key = colon == std::string_view::npos ? text : text.substr(0, colon);
  const std::string_view value =
      colon == std::string_view::npos ? std::string_view() : notation::Trim(text.substr(colon + 2));
  if (key != kLimits) {
    sink_.Note(line_, key, value);
    return;
  }
  // "caption low high" entries joined by "; ", "-" for a limit the channel has not got. A
  // caption may hold spaces ("External 1"): the limits are its last two words.
  limits_.clear();
  const std::string expected =
      "expected limits as \"caption low high\" joined by \"; \" (such as \"+12V 11.400 12.600; "
      "Fan 1 2657 -\")";
  std::string_view rest = value;
  while (!rest.empty()) {
    const std::size_t end = rest.find(';');
    const std::string_view entry = notation::Trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::size_t high_at = entry.rfind(' ');
    if (high_at == std::string_view::npos) Fail(expected + ", found " + Found(entry));
    const std::string_view before = notation::Trim(entry.substr(0, high_at));
    const std::size_t low_at = before.rfind(' ');
    if (low_at == std::string_view::npos) Fail(expected + ", found " + Found(entry));
    RecordedLimits limits;
    limits.caption = std::string(notation::Trim(before.substr(0, low_at)));
    for (const auto& [word, into] : {std::pair{before.substr(low_at + 1), &limits.low},
                                     std::pair{entry.substr(high_at + 1), &limits.high}}) {
      if (word == "-") continue;
      *into = Number(word);
      if (!*into) Fail(expected + ", found " + Found(entry));
    }
    if (limits.caption.empty()) Fail(expected + ", found " + Found(entry));
    limits_.push_back(std::move(limits));
  }
  sink_.Limits(limits_);
}

void RecordingReader::Split(std::string_view line) {
  fields_.clear();
  if (line.find('"') == std::string_view::npos) {
    for (;;) {
      const std::size_t comma = line.find(',');
      fields_.push_back(line.substr(0, comma));
      if (comma == std::string_view::npos) return;
      line.remove_prefix(comma + 1);
    }
  }
  // Quoted fields as RFC 4180 has them: quotes around, quotes inside doubled.
  unquoted_.clear();
  std::vector<std::pair<bool, std::size_t>> parts;  // (quoted, index into unquoted_ or offset)
  std::size_t at = 0;
  for (;;) {
    if (at < line.size() && line[at] == '"') {
      std::string field;
      std::size_t i = at + 1;
      for (;; ++i) {
        if (i >= line.size()) Fail("expected a closing quote, found the end of the line");
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field.push_back('"');
            ++i;
            continue;
          }
          break;
        }
        field.push_back(line[i]);
      }
      unquoted_.push_back(std::move(field));
      at = i + 1;
      if (at < line.size() && line[at] != ',') {
        Fail("expected a comma after a quoted field, found " + Found(line.substr(at)));
      }
      fields_.emplace_back();  // filled in below, once unquoted_ stops moving
      parts.emplace_back(true, unquoted_.size() - 1);
    } else {
      const std::size_t comma = line.find(',', at);
      fields_.push_back(line.substr(at, comma == std::string_view::npos ? comma : comma - at));
      parts.emplace_back(false, 0);
      at = comma == std::string_view::npos ? line.size() : comma;
    }
    if (at >= line.size()) break;
    ++at;  // the comma
    if (at == line.size()) {
      fields_.emplace_back();
      parts.emplace_back(false, 0);
      break;
    }
  }
  for (std::size_t f = 0; f < fields_.size(); ++f) {
    if (parts[f].first) fields_[f] = unquoted_[parts[f].second];
  }
}

void RecordingReader::ColumnNames() {
  columns_.clear();
  value_fields_.clear();
  raw_fields_.clear();
  column_names_.assign(fields_.begin(), fields_.end());
  has_alarms_ = false;
  status_field_ = 0;
  std::size_t f = 2;
  // "<caption> [<unit>]", each followed by "<caption> raw" in a recording, then "INT Status 1"
  // and "INT Status 2" and "alarms" in a recording; exports have the values alone.
  for (; f < fields_.size() && fields_[f] != kStatus1 && fields_[f] != kAlarms; ++f) {
    const std::string_view name = fields_[f];
    const std::size_t open = name.rfind(" [");
    if (open == std::string_view::npos || open == 0 || !name.ends_with(']')) {
      FailField(f, "a channel such as \"+12V [V]\", \"INT Status 1\" or \"alarms\"");
    }
    RecordedColumn column{std::string(name.substr(0, open)),
                          std::string(name.substr(open + 2, name.size() - open - 3))};
    value_fields_.push_back(f);
    raw_fields_.push_back(0);
    if (f + 1 < fields_.size() && fields_[f + 1] == column.caption + " raw")
      raw_fields_.back() = ++f;
    columns_.push_back(std::move(column));
  }
  if (f < fields_.size() && fields_[f] == kStatus1) {
    if (f + 1 >= fields_.size()) {
      Fail("field " + std::to_string(f + 2) +
           ": expected \"INT Status 2\", found the end of the line");
    }
    if (fields_[f + 1] != kStatus2) FailField(f + 1, "\"INT Status 2\"");
    status_field_ = f;
    f += 2;
  }
  if (f < fields_.size()) {
    if (fields_[f] != kAlarms) FailField(f, "\"alarms\" or the end of the line");
    has_alarms_ = true;
    alarms_field_ = f;
    ++f;
  }
  if (f < fields_.size()) FailField(f, "the end of the line after \"alarms\"");
  has_columns_ = true;
  columns_line_ = line_;
  values_.assign(columns_.size(), 0.0);
  raws_.assign(columns_.size(), -1);
  sink_.Columns(columns_, has_alarms_);
}

void RecordingReader::DataRow() {
  const std::size_t expected = column_names_.size();
  if (fields_.size() != expected) {
    Fail("expected " + std::to_string(expected) + " fields as the column names on line " +
         std::to_string(columns_line_) + " give, found " + std::to_string(fields_.size()));
  }
  RecordedRow row;
  row.line = line_;
  const std::optional<ParsedTime> time = ParseIsoTime(fields_[0]);
  if (!time) FailField(0, "a time such as " + std::string(kTimeExample));
  row.time = time->time;
  row.utc_offset_seconds = time->utc_offset_seconds;
  const std::optional<double> seconds = Number(fields_[1]);
  if (!seconds) FailField(1, "a number of seconds");
  row.seconds = *seconds;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    const std::size_t f = value_fields_[c];
    if (fields_[f].empty()) {
      values_[c] = std::nan("");
    } else if (const std::optional<double> v = Number(fields_[f])) {
      values_[c] = *v;
    } else {
      FailField(f, "a number or nothing");
    }
    const std::size_t r = raw_fields_[c];
    if (r == 0 || fields_[r].empty()) {
      raws_[c] = -1;
    } else if (const std::optional<int> raw = Byte(fields_[r])) {
      raws_[c] = *raw;
    } else {
      FailField(r, "a whole number from 0 to 255");
    }
  }
  if (status_field_ != 0) {
    std::size_t f = status_field_;
    for (int* status : {&row.status1, &row.status2}) {
      if (fields_[f].empty()) {
        *status = -1;
      } else if (const std::optional<int> v = Byte(fields_[f])) {
        *status = *v;
      } else {
        FailField(f, "a whole number from 0 to 255 or nothing");
      }
      ++f;
    }
  }
  if (has_alarms_) row.alarms = fields_[alarms_field_];
  row.values = values_;
  row.raws = raws_;
  ++rows_;
  sink_.Row(row);
}

}  // namespace chip
