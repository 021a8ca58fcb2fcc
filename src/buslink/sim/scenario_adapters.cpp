// The I2C side of a scenario: the "smbus" adapter, the adapters beside it, their chips, and a USB
// bridge's unplug schedule.
#include "buslink/sim/scenario_reader.h"

namespace buslink::sim::scenario_format {

namespace {

constexpr long kDefaultSMBusBase = 0x5000;

constexpr Field<SMBusChipSetup> kBusChipKeys[] = {
    {"address", Whole<&SMBusChipSetup::address, 0x03, 0x77, kHex>},
};

// The chips of one adapter, each at its own 7-bit address.
template <auto kChips>
void ReadBusChips(Reader& r, const json& value, const std::string& path, ClassOf<kChips>& into) {
  std::vector<SMBusChipSetup>& chips = into.*kChips;
  r.ReadList(value, path, [&](const json& entry, const std::string& entry_path, std::size_t i) {
    SMBusChipSetup chip;
    chip.chip = r.chip;
    r.Read(entry, entry_path, Fields{kBusChipKeys, chip}, Fields{kChipKeys, chip.chip});
    for (std::size_t j = 0; j < i; ++j) {
      if (chips[j].address == chip.address) {
        r.Fail(Key(entry_path, "address") + ": " + Hex(chip.address) + " is already taken by " +
               Index(path, j));
      }
    }
    chips.push_back(std::move(chip));
  });
}

constexpr Field<SMBusSetup> kSMBusKeys[] = {
    {"present", Flag<&SMBusSetup::present>},
    {"base_address", Whole<&SMBusSetup::base_address, 0, 0xFFFF, kHex>},
    {"chips", ReadBusChips<&SMBusSetup::chips>},
    {"number", Whole<&SMBusSetup::number, 0, kMaxAdapterNumber>},
    {"name", Text<&SMBusSetup::name>},
};

void ReadEvery(Reader& r, const json& value, const std::string& path, AdapterUnplug& into) {
  into.every = r.Duration(value, path, false);
  if (*into.every <= into.for_seconds) {
    r.Fail(path + ": " + value.dump() + " must be longer than \"for\"");
  }
}

constexpr Field<AdapterUnplug> kUnplugKeys[] = {
    {"at", Seconds<&AdapterUnplug::at, true>, Need::Required},
    {"for", Seconds<&AdapterUnplug::for_seconds, false>, Need::Required},
    {"renumber", Whole<&AdapterUnplug::renumber, 0, kMaxAdapterNumber>, Need::Required},
    {"every", ReadEvery},
};

void ReadUnplug(Reader& r, const json& value, const std::string& path, I2cAdapterSetup& into) {
  r.Read(value, path, Fields{kUnplugKeys, into.unplug.emplace()});
}

constexpr Word<AdapterParent> kParents[] = {{"pci", AdapterParent::Pci},
                                            {"usb", AdapterParent::Usb},
                                            {"display", AdapterParent::Display},
                                            {"none", AdapterParent::None}};

constexpr Field<I2cAdapterSetup> kAdapterKeys[] = {
    {"number", Whole<&I2cAdapterSetup::number, 0, kMaxAdapterNumber>, Need::Required,
     "an adapter needs its \"number\" (as in /dev/i2c-<number>)"},
    {"name", Text<&I2cAdapterSetup::name>},
    {"path", Text<&I2cAdapterSetup::path>},
    {"parent", OneOf<&I2cAdapterSetup::parent, kParents>},
    {"base_address", Whole<&I2cAdapterSetup::base_address, 0, 0xFFFF, kHex>},
    {"chips", ReadBusChips<&I2cAdapterSetup::chips>},
    {"unplug", ReadUnplug},
};

// A number an adapter is known by, or comes back under, is nobody else's.
void CheckNumbers(const Reader& r, const std::string& path, const Scenario& scenario) {
  const std::vector<I2cAdapterSetup>& adapters = scenario.i2c_adapters;
  const bool smbus = scenario.smbus.present;
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    const int number = adapters[i].number;
    if (smbus && scenario.smbus.number == number) {
      r.Fail(Key(Index(path, i), "number") + ": " + std::to_string(number) +
             " is already the number of the smbus adapter");
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (adapters[j].number == number) {
        r.Fail(Key(Index(path, i), "number") + ": " + std::to_string(number) +
               " is already the number of " + Index(path, j));
      }
    }
  }
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    const I2cAdapterSetup& a = adapters[i];
    if (!a.unplug || a.unplug->renumber == a.number) continue;
    bool taken = smbus && scenario.smbus.number == a.unplug->renumber;
    for (const I2cAdapterSetup& other : adapters) {
      taken = taken ||
              (&other != &a && (other.number == a.unplug->renumber ||
                                (other.unplug && other.unplug->renumber == a.unplug->renumber)));
    }
    if (taken) {
      r.Fail(Key(Index(path, i), "unplug") + ".renumber: " + std::to_string(a.unplug->renumber) +
             " is already another adapter's number");
    }
  }
}

}  // namespace

void ReadSMBus(Reader& r, const json& value, const std::string& path, Scenario& into) {
  SMBusSetup setup;
  setup.present = true;
  setup.base_address = kDefaultSMBusBase;
  r.Read(value, path, Fields{kSMBusKeys, setup});
  into.smbus = std::move(setup);
}

void ReadI2cAdapters(Reader& r, const json& value, const std::string& path, Scenario& into) {
  r.ReadList(value, path, [&](const json& entry, const std::string& entry_path, std::size_t) {
    r.Read(entry, entry_path, Fields{kAdapterKeys, into.i2c_adapters.emplace_back()});
  });
  CheckNumbers(r, path, into);
}

}  // namespace buslink::sim::scenario_format
