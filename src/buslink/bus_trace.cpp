#include "buslink/bus_trace.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace buslink {

namespace {

void AppendHex(std::string& out, std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(kDigits[byte >> 4]);
  out.push_back(kDigits[byte & 0x0F]);
}

}  // namespace

BusTrace::~BusTrace() {
  if (file_ != nullptr) std::fclose(file_);
}

void BusTrace::OpenFile(const std::string& path) {
  // "e": close-on-exec, so a helper the program starts never holds the trace open.
  std::FILE* f = std::fopen(path.c_str(), "ae");
  if (f == nullptr) {
    throw std::runtime_error("cannot open bus trace file " + path + ": " + std::strerror(errno));
  }
  if (file_ != nullptr) std::fclose(file_);
  file_ = f;
  path_ = path;
  failure_.clear();
}

std::string BusTrace::Format(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
                             std::optional<std::uint8_t> value, ErrorCode code) {
  std::string line = medium == TraceMedium::PP ? "PP " : "SMB ";
  AppendHex(line, device);
  line.push_back(' ');
  line.push_back(op);
  line.push_back(' ');
  AppendHex(line, reg);
  line.push_back(' ');
  if (value) {
    AppendHex(line, *value);
  } else {
    line += "ERR ";
    line += ErrorCodeName(code);
  }
  return line;
}

void BusTrace::Record(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
                      std::uint8_t value) {
  if (file_ == nullptr && !keep_lines_) return;
  Emit(Format(medium, device, op, reg, value));
}

void BusTrace::RecordError(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
                           ErrorCode code) {
  if (file_ == nullptr && !keep_lines_) return;
  Emit(Format(medium, device, op, reg, std::nullopt, code));
}

void BusTrace::Emit(const std::string& line) {
  if (keep_lines_) lines_.push_back(line);
  if (file_ == nullptr) return;
  errno = 0;
  if (std::fputs(line.c_str(), file_) >= 0 && std::fputc('\n', file_) != EOF &&
      std::fflush(file_) == 0) {
    return;
  }
  const int error = errno != 0 ? errno : EIO;
  std::fclose(file_);
  file_ = nullptr;
  failure_ = "cannot write the bus trace file " + path_ + ": " + std::strerror(error) +
             "; the transfers after it are not traced";
  if (report_) report_(failure_);
}

}  // namespace buslink
