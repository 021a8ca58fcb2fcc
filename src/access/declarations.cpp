#include "access/declarations.h"

#include <stdexcept>

namespace devaccess {

buslink::BusLink& Declarations::EnsureBusLink() {
  if (!bus_link) {
    if (backend == nullptr) throw std::logic_error("no bus backend configured");
    bus_link = backend->CreateBusLink();
  }
  return *bus_link;
}

}  // namespace devaccess
