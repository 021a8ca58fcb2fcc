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
  std::FILE* f = std::fopen(path.c_str(), "a");
  if (f == nullptr) {
    throw std::runtime_error("cannot open bus trace file " + path + ": " + std::strerror(errno));
  }
  if (file_ != nullptr) std::fclose(file_);
  file_ = f;
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
  if (file_ != nullptr) {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
}

}  // namespace buslink
