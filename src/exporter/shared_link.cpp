#include "exporter/shared_link.h"

namespace exporter {

namespace {

class ForwardingLink : public buslink::BusLink {
 public:
  explicit ForwardingLink(buslink::BusLink& link) : link_(link) {}

  buslink::ParallelPorts& GetParallelPorts() override { return link_.GetParallelPorts(); }
  buslink::SMBusDevice& SMBus() override { return link_.SMBus(); }
  void SetMedium(buslink::BusMedium medium) override { link_.SetMedium(medium); }
  buslink::BusMedium Medium() const override { return link_.Medium(); }

 private:
  buslink::BusLink& link_;
};

}  // namespace

std::unique_ptr<buslink::BusLink> SharedLinkBackend::CreateBusLink() {
  return std::make_unique<ForwardingLink>(link_);
}

}  // namespace exporter
