#pragma once

#include <memory>

#include "buslink/bus_link.h"

namespace exporter {

// Hands every chip's shared state a link that leads to one BusLink. The buses a link opens stay
// open with it, and a printer port claimed through one link cannot be claimed through another,
// so all the chips the exporter serves go through the link that found them. Each reading puts
// its chip's place back on the link first.
class SharedLinkBackend : public buslink::Backend {
 public:
  SharedLinkBackend(buslink::BusLink& link, buslink::Backend& origin)
      : link_(link), origin_(origin) {}

  std::unique_ptr<buslink::BusLink> CreateBusLink() override;
  std::unique_ptr<buslink::SystemInfo> CreateSystemInfo() override {
    return origin_.CreateSystemInfo();
  }
  std::string WhyUnavailable(Bus bus) const override { return origin_.WhyUnavailable(bus); }

 private:
  buslink::BusLink& link_;
  buslink::Backend& origin_;
};

}  // namespace exporter
