#include "access/declarations.h"

#include <stdexcept>

namespace devaccess {

buslink::BusMedium MediumOf(std::int16_t comms_medium) {
  return comms_medium == 1 ? buslink::BusMedium::PrinterPort : buslink::BusMedium::SMBus;
}

std::int16_t CommsMediumOf(buslink::BusMedium medium) {
  return medium == buslink::BusMedium::PrinterPort ? 1 : 0;
}

bool Declarations::OnPrinterPort() const {
  return MediumOf(comms_medium) == buslink::BusMedium::PrinterPort;
}

buslink::BusLink& Declarations::EnsureBusLink() {
  if (!bus_link) {
    if (backend == nullptr) throw std::logic_error("no bus backend configured");
    bus_link = backend->CreateBusLink();
  }
  return *bus_link;
}

}  // namespace devaccess
