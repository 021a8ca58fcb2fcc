#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the program knows of one I2C adapter of the computer, whichever backend offers it, and
// which adapters the SMBus search covers.
namespace buslink {

// What an adapter is for. A chip on an evaluation board or a motherboard can sit on any of them
// but the display buses: those lead to a monitor's EDID memory, a DisplayPort sink or a graphics
// card's own parts, never to a board, and some monitors misbehave when probed.
enum class AdapterKind {
  SMBusController,  // the chipset's SMBus (i801, piix4 ...)
  UsbBridge,        // a USB-to-I2C bridge (CP2112, MCP2221, i2c-tiny-usb ...)
  Virtual,          // no hardware behind it (i2c-stub)
  Display,          // DDC/EDID, DisplayPort AUX, a GPU's internal bus: never searched unasked
  Other,            // any other I2C controller
};

// What the system tells about an adapter, gathered by the backend.
struct AdapterFacts {
  std::string name;        // the kernel's name for it
  std::string parent;      // subsystem of the device it hangs off: "pci", "hid", "usb", "drm",
                           // "platform", "i2c" (a mux); empty when it hangs off nothing
  unsigned pci_class = 0;  // class code of the nearest PCI device above it, 0 when none
  bool under_usb = false;  // a USB device sits above it
  bool under_drm = false;  // a DRM (graphics) device sits above it
};

AdapterKind ClassifyAdapter(const AdapterFacts& facts);
// "an SMBus controller", "a USB bridge", "a display bus" ...
std::string_view KindWords(AdapterKind kind);

// One adapter as the search and the windows see it.
struct I2cAdapterInfo {
  int number = 0;    // /dev/i2c-<number>
  std::string name;  // empty when the system does not say
  // Where it sits in the machine, as udev's by-path names give it: "usb-1-2" (the USB port),
  // "pci-0000:00:1f.4"; the same after a re-plug or a reboot. Empty when the system tells none.
  std::string path;
  AdapterKind kind = AdapterKind::Other;
  bool searched = true;      // the SMBus search probes it
  std::string not_searched;  // why not, when it is not: "a display bus", "--bus=7 names another"

  std::string Node() const;   // "/dev/i2c-7"
  std::string Label() const;  // "/dev/i2c-7, CP2112 SMBus Bridge on hidraw0"
  friend bool operator==(const I2cAdapterInfo&, const I2cAdapterInfo&) = default;
};

// The adapter --bus names: a number ("7") or a part of its name ("CP2112", any case).
class BusChoice {
 public:
  // nullopt for an empty text.
  static std::optional<BusChoice> Parse(std::string_view text);

  bool Matches(const I2cAdapterInfo& adapter) const;
  const std::string& text() const { return text_; }
  std::optional<int> number() const { return number_; }

 private:
  std::string text_;
  std::optional<int> number_;
};

// Marks which adapters a search covers: every one that is not a display bus, or, with a choice,
// exactly the ones it names (a display bus too, since the user asked for it).
void MarkSearched(std::vector<I2cAdapterInfo>& adapters, const std::optional<BusChoice>& choice);

// The adapter among `adapters` that stands where `was` stood: the same path, or, where no path is
// known, the same name, and only when exactly one matches; nullptr otherwise.
const I2cAdapterInfo* SameAdapter(const std::vector<I2cAdapterInfo>& adapters,
                                  const I2cAdapterInfo& was);

// How an adapter's disappearance reads: "/dev/i2c-7 is gone: the USB adapter was unplugged?"
std::string GoneText(const I2cAdapterInfo& adapter);

}  // namespace buslink
