#include "wizard/device_search.h"

#include <cstdio>

#include "chip/hex_digit.h"

namespace wizard {

namespace {

constexpr int kPrinterTagGap = 50;
constexpr int kSMBusTagGap = 98;
constexpr std::string_view kPrinterTag = "Printer";
constexpr std::string_view kSMBusTag = "SMBus";

}  // namespace

std::string Hex(unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", value);
  return buffer;
}

long SMBusBaseToSearch(std::string_view typed, long reported_base) {
  // An I/O address has at most four hexadecimal digits.
  if (typed.empty() || typed.size() > 4) return 0;
  long base = 0;
  for (const char c : typed) {
    const int digit = chip::HexDigit(c);
    if (digit < 0) return 0;
    base = base * 16 + digit;
  }
  return base == reported_base ? 0 : base;
}

std::string PrinterPortLine(std::uint8_t address8, int port_base, int line_number) {
  return std::string("Found an ") + kChipName + " at:" + Hex(address8 / 2u) +
         "h, on printer port:" + Hex(static_cast<unsigned>(port_base)) + "h" +
         std::string(kPrinterTagGap, ' ') + std::string(kPrinterTag) + " " +
         std::to_string(line_number);
}

std::string SMBusLine(std::uint8_t address7) {
  return SMBusLine(address7, std::string());
}

std::string SMBusLine(std::uint8_t address7, const std::string& adapter) {
  return std::string("An ") + kChipName + " was found at:" + Hex(address7) + "h, on the SMBus" +
         (adapter.empty() ? std::string() : " (" + adapter + ")") + std::string(kSMBusTagGap, ' ') +
         std::string(kSMBusTag) + Hex(address7);
}

LineTag ReadLineTag(std::string_view line) {
  LineTag tag;
  // "SMBus" and two hexadecimal digits.
  if (line.size() >= kSMBusTag.size() + 2 &&
      line.substr(line.size() - 2 - kSMBusTag.size(), kSMBusTag.size()) == kSMBusTag) {
    const int high = chip::HexDigit(line[line.size() - 2]);
    const int low = chip::HexDigit(line[line.size() - 1]);
    if (high >= 0 && low >= 0) {
      tag.kind = LineTag::Kind::SMBus;
      tag.address7 = static_cast<std::uint8_t>(high * 16 + low);
    }
    return tag;
  }
  // "Printer", a blank and the line number.
  std::size_t digits = 0;
  while (digits < line.size() && digits < 6 && line[line.size() - 1 - digits] >= '0' &&
         line[line.size() - 1 - digits] <= '9') {
    ++digits;
  }
  const std::size_t head = kPrinterTag.size() + 1;
  if (digits == 0 || line.size() < digits + head) return tag;
  const std::string_view before = line.substr(line.size() - digits - head, head);
  if (before.substr(0, kPrinterTag.size()) != kPrinterTag || before.back() != ' ') return tag;
  int number = 0;
  for (const char c : line.substr(line.size() - digits)) number = number * 10 + (c - '0');
  tag.kind = LineTag::Kind::Printer;
  tag.printer_line = number;
  return tag;
}

}  // namespace wizard
