#include "wizard/device_search.h"

#include <cstdio>
#include <exception>

#include "chip/register_catalogue.h"

namespace wizard {

namespace {

constexpr int kPrinterTagGap = 50;
constexpr int kSMBusTagGap = 98;
constexpr std::string_view kPrinterTag = "Printer";
constexpr std::string_view kSMBusTag = "SMBus";

bool IsChipAt(const std::function<std::uint8_t()>& read_company_id) {
  try {
    return read_company_id() == chip::kCompanyIdValue;
  } catch (const std::exception&) {
    return false;  // a probe the bus refuses finds nothing there; the search goes on
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void DeviceSearch::ProbeBoards(buslink::ParallelDevice& device, std::uint8_t port, bool mode) {
  for (const std::optional<std::uint8_t>& slot : kCandidateAddresses) {
    if (!slot) continue;
    const std::uint8_t a = *slot;
    if (!IsChipAt([&] { return device.ReadByte(a, chip::reg::kCompanyId); })) continue;
    bool flag = mode;
    try {
      flag = device.ModeFlag();  // the record keeps what the component reports
    } catch (const std::exception&) {
      // keep the setting just made
    }
    pp_finds_.push_back({a, port, flag});
  }
}

void DeviceSearch::SearchPrinterPorts(buslink::BusLink& link, const ProgressStep& advance) {
  buslink::ParallelPorts* ports = nullptr;
  std::uint8_t count = 0;
  try {
    ports = &link.GetParallelPorts();
    count = ports->PortCount();
  } catch (const std::exception&) {
    return;  // no printer ports to step through: nothing is listed for this medium
  }
  for (unsigned p = 0; p < count; ++p) {
    advance(kPrinterPortStep);
    const auto port = static_cast<std::uint8_t>(p);
    try {
      ports->SetSelectedPort(port);
    } catch (const std::exception&) {
      continue;  // probing now would address whichever port was selected before
    }
    // Boards are wired one of two ways; a board may answer under either setting or both.
    for (const bool mode : {false, true}) {
      buslink::ParallelDevice* device = nullptr;
      try {
        device = &ports->Device();
        device->SetModeFlag(mode);
      } catch (const std::exception&) {
        continue;
      }
      ProbeBoards(*device, port, mode);
    }
  }
}

void DeviceSearch::SearchSMBus(buslink::BusLink& link, const ProgressStep& advance,
                               long base_address) {
  buslink::SMBusDevice* smbus = nullptr;
  try {
    buslink::SMBusDevice& device = link.SMBus();
    device.SetBaseAddress(base_address);
    smbus = &device;
  } catch (const std::exception&) {
    // no adapter, or not the one asked for: the slots are still stepped so the bar ends where
    // it should
  }
  for (const std::optional<std::uint8_t>& slot : kCandidateAddresses) {
    advance(kSlotStep);
    if (!slot || smbus == nullptr) continue;
    const auto a7 = static_cast<std::uint8_t>(*slot / 2);
    if (IsChipAt([&] { return smbus->ReadByte(a7, chip::reg::kCompanyId); })) {
      smbus_finds_.push_back(a7);
    }
  }
}

void DeviceSearch::SearchUSB(const ProgressStep& advance) {
  // USB is offered in name only: the steps move the bar, nothing is sent.
  for (std::size_t i = 0; i < kCandidateAddresses.size(); ++i) advance(kSlotStep);
}

void DeviceSearch::Clear() {
  pp_finds_.clear();
  smbus_finds_.clear();
}

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
    const int digit = HexDigit(c);
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
  return std::string("An ") + kChipName + " was found at:" + Hex(address7) + "h, on the SMBus" +
         std::string(kSMBusTagGap, ' ') + std::string(kSMBusTag) + Hex(address7);
}

LineTag ReadLineTag(std::string_view line) {
  LineTag tag;
  // "SMBus" and two hexadecimal digits.
  if (line.size() >= kSMBusTag.size() + 2 &&
      line.substr(line.size() - 2 - kSMBusTag.size(), kSMBusTag.size()) == kSMBusTag) {
    const int high = HexDigit(line[line.size() - 2]);
    const int low = HexDigit(line[line.size() - 1]);
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
