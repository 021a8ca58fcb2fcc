#include "access/unattended_sampler.h"

#include <cstdio>
#include <stdexcept>

#include "access/link_new_com_port.h"
#include "buslink/bus_error.h"
#include "chip/register_catalogue.h"
#include "chip/register_write.h"

namespace devaccess {

namespace {

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

// The chip is not where it was, or something else answers there: no sample, nothing touched.
class NotThere : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string WhereText(const buslink::I2cAdapterInfo& adapter) {
  if (!adapter.path.empty()) return "the adapter at " + adapter.path;
  if (!adapter.name.empty()) return "the adapter named '" + adapter.name + "'";
  return "/dev/i2c-" + std::to_string(adapter.number);
}

}  // namespace

std::string StablePlace(const ChipIdentity& identity) {
  const std::string address = Hex2(identity.address7);
  if (identity.medium == buslink::BusMedium::PrinterPort) {
    return "printer/port" + std::to_string(identity.port) + "/" + address;
  }
  if (!identity.adapter) return "smbus/i2c-0/" + address;
  const buslink::I2cAdapterInfo& a = *identity.adapter;
  const std::string where = !a.path.empty()   ? a.path
                            : !a.name.empty() ? a.name
                                              : "i2c-" + std::to_string(a.number);
  return "smbus/" + where + "/" + address;
}

void ReadIdentity(Declarations& d, ChipIdentity& identity) {
  identity.company_id = static_cast<std::uint8_t>(ReadAt(d, chip::reg::kCompanyId));
  identity.revision = static_cast<std::uint8_t>(ReadAt(d, chip::reg::kRevision));
  identity.known = true;
}

UnattendedSampler::UnattendedSampler(Declarations& d, ChipIdentity identity,
                                     chip::SamplerOptions options, Place place)
    : d_(d),
      identity_(std::move(identity)),
      check_facts_(options.read_chip_facts),
      place_(std::move(place)),
      sampler_(
          [this](std::uint8_t address) { return static_cast<std::uint8_t>(ReadAt(d_, address)); },
          d.alarm_store, options) {}

UnattendedSampler::Attempt UnattendedSampler::Take(Steady now) {
  try {
    if (place_) place_(d_, identity_);
    if (gaps_.in_gap()) FindAgain();
    const chip::Sample& sample = sampler_.Take();
    if (check_facts_) CheckFacts(sample.facts);
    return {&sample, gaps_.Answered(now)};
  } catch (const buslink::BusError& e) {
    return {nullptr, gaps_.Failed(Describe(e), now), true};
  } catch (const NotThere& e) {
    return {nullptr, gaps_.Failed(e.what(), now), false};
  }
}

// "reading 0x16 (Channel Mode) of the chip at smbus/usb-1-2/0x2D: <what>": what failed, without
// reading it out of the message.
std::string UnattendedSampler::Describe(const buslink::BusError& e) const {
  if (!e.context()) return e.what();
  const bool write = e.context()->operation == buslink::TransferContext::Operation::Write;
  return std::string(write ? "writing " : "reading ") +
         chip::RegisterName(static_cast<std::uint8_t>(e.context()->reg)) + " of the chip at " +
         StablePlace(identity_) + ": " + e.what();
}

void UnattendedSampler::FindAgain() {
  if (identity_.medium == buslink::BusMedium::SMBus && identity_.adapter) {
    buslink::SMBusDevice& smbus = d_.EnsureBusLink().SMBus();
    const std::vector<buslink::I2cAdapterInfo> adapters = smbus.Adapters();
    const buslink::I2cAdapterInfo* same = buslink::SameAdapter(adapters, *identity_.adapter);
    if (same == nullptr) throw NotThere(WhereText(*identity_.adapter) + " is not there");
    if (same->number != identity_.adapter->number) {
      identity_.adapter->number = same->number;
      smbus.SelectAdapter(same->number);
      d_.adapter = same->Label();
    }
  }
  if (!identity_.known) return;
  ChipIdentity now = identity_;
  ReadIdentity(d_, now);
  CheckFacts({.company_id = now.company_id, .revision = now.revision});
}

void UnattendedSampler::CheckFacts(const chip::ChipFacts& facts) {
  if (!identity_.known) {
    if (facts.company_id != chip::kCompanyIdValue) {
      throw NotThere("the chip no longer identifies: Company ID reads " + Hex2(facts.company_id) +
                     ", not " + Hex2(chip::kCompanyIdValue));
    }
    identity_.known = true;
    identity_.company_id = facts.company_id;
    identity_.revision = facts.revision;
  }
  if (facts.company_id != identity_.company_id || facts.revision != identity_.revision) {
    throw NotThere("the chip at " + StablePlace(identity_) + " identifies as Company ID " +
                   Hex2(facts.company_id) + ", Revision " + Hex2(facts.revision) + ", not as " +
                   Hex2(identity_.company_id) + ", " + Hex2(identity_.revision) +
                   ": another chip, left alone");
  }
}

}  // namespace devaccess
