#include "buslink/i2c_adapter.h"

#include <algorithm>
#include <charconv>

namespace buslink {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return lower;
}

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// Names the graphics drivers give their buses: i915's "i915 gmbus dpb", "DPDDC-B" and
// "AUX B/DDI B/PHY B", amdgpu's "AMDGPU DM i2c hw bus 0" and "dmdc", nouveau's
// "nvkm-0000:01:00.0-bus-0005", radeon's "Radeon i2c bit bus 0x90", and whatever says DDC,
// EDID or HDMI. They catch the buses whose parent device does not give them away (a platform
// display controller, say).
bool NamedAsDisplayBus(const std::string& lower) {
  static constexpr std::string_view kWords[] = {"gmbus",  "dpddc",  "ddc",     "edid",
                                                "hdmi",   "dp aux", "dp-aux",  "dpmst",
                                                "amdgpu", "radeon", "nouveau", "i915"};
  for (std::string_view word : kWords) {
    if (Contains(lower, word)) return true;
  }
  return lower == "dmdc" || lower.rfind("aux ", 0) == 0 || lower.rfind("nvkm-", 0) == 0;
}

// PCI base classes 0x03 (display controller) and 0x04 sub-class 0x00 (video capture): the bus
// of a graphics card or a TV card.
bool DisplayPciClass(unsigned pci_class) {
  return (pci_class >> 16) == 0x03 || (pci_class >> 8) == 0x0400;
}

constexpr unsigned kSMBusPciClass = 0x0C05;  // serial bus controller, SMBus

}  // namespace

AdapterKind ClassifyAdapter(const AdapterFacts& facts) {
  const std::string name = Lower(facts.name);
  if (facts.under_drm || facts.parent == "drm" || DisplayPciClass(facts.pci_class) ||
      NamedAsDisplayBus(name)) {
    return AdapterKind::Display;
  }
  if (facts.under_usb) return AdapterKind::UsbBridge;
  if (Contains(name, "stub")) return AdapterKind::Virtual;
  if ((facts.pci_class >> 8) == kSMBusPciClass || Contains(name, "smbus")) {
    return AdapterKind::SMBusController;
  }
  if (facts.parent.empty()) return AdapterKind::Virtual;
  return AdapterKind::Other;
}

std::string_view KindWords(AdapterKind kind) {
  switch (kind) {
    case AdapterKind::SMBusController:
      return "an SMBus controller";
    case AdapterKind::UsbBridge:
      return "a USB bridge";
    case AdapterKind::Virtual:
      return "a virtual adapter";
    case AdapterKind::Display:
      return "a display bus (DDC, DisplayPort AUX or a graphics card's own)";
    case AdapterKind::Other:
      break;
  }
  return "an I2C adapter";
}

std::string I2cAdapterInfo::Node() const {
  return "/dev/i2c-" + std::to_string(number);
}

std::string I2cAdapterInfo::Label() const {
  return name.empty() ? Node() : Node() + ", " + name;
}

std::optional<BusChoice> BusChoice::Parse(std::string_view text) {
  if (text.empty()) return std::nullopt;
  BusChoice choice;
  choice.text_ = std::string(text);
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc() && end == text.data() + text.size() && number >= 0) {
    choice.number_ = number;
  }
  return choice;
}

bool BusChoice::Matches(const I2cAdapterInfo& adapter) const {
  if (number_) return adapter.number == *number_;
  return Contains(Lower(adapter.name), Lower(text_));
}

void MarkSearched(std::vector<I2cAdapterInfo>& adapters, const std::optional<BusChoice>& choice) {
  for (I2cAdapterInfo& adapter : adapters) {
    if (choice) {
      adapter.searched = choice->Matches(adapter);
      adapter.not_searched = adapter.searched ? "" : "--bus=" + choice->text() + " names another";
    } else {
      adapter.searched = adapter.kind != AdapterKind::Display;
      adapter.not_searched = adapter.searched ? "" : std::string(KindWords(adapter.kind));
    }
  }
}

const I2cAdapterInfo* SameAdapter(const std::vector<I2cAdapterInfo>& adapters,
                                  const I2cAdapterInfo& was) {
  const I2cAdapterInfo* found = nullptr;
  for (const I2cAdapterInfo& adapter : adapters) {
    const bool same = was.path.empty() ? adapter.path.empty() && adapter.name == was.name
                                       : adapter.path == was.path && adapter.name == was.name;
    if (!same) continue;
    if (found != nullptr) return nullptr;  // two alike: neither is taken for it
    found = &adapter;
  }
  return found;
}

std::string GoneText(const I2cAdapterInfo& adapter) {
  return adapter.Node() + " is gone: " +
         (adapter.kind == AdapterKind::UsbBridge
              ? "the USB adapter was unplugged?"
              : "the adapter was removed or its driver unloaded?");
}

}  // namespace buslink
