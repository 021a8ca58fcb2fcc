#pragma once

// What the exporter's benchmarks share: one converting simulated SMBus chip read as `kelvran
// serve` reads it, and a keep-alive client's connection and answer reading.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "access/declarations.h"
#include "buslink/sim/simulated_hardware.h"
#include "exporter/exporter.h"
#include "exporter/shared_link.h"

namespace bench {

struct ScrapeRig {
  explicit ScrapeRig(std::chrono::steady_clock::duration min_interval)
      : hardware(buslink::sim::Scenario::FromJson(
            R"({"smbus": {"chips": [{"address": "0x2D"}]},
                "chip": {"registers": {"0x40": "0x01"}, "noise": 1}})",
            "bench.json")),
        finder(&hardware),
        shared(finder.EnsureBusLink(), hardware) {
    exporter::ChipReader::Options options;
    options.min_interval = min_interval;
    std::vector<std::unique_ptr<exporter::ChipReader>> readers;
    readers.push_back(std::make_unique<exporter::ChipReader>(
        exporter::ChipLabels{"smbus/pci-0000:00:1f.4/0x2D", "SMBus", "i2c-0", "0x2D"},
        std::make_unique<devaccess::Declarations>(&shared), devaccess::ChipIdentity{},
        [](devaccess::Declarations& d, const devaccess::ChipIdentity&) {
          d.EnsureBusLink().SMBus().SetDeviceAddress(0x2D);
          d.EnsureBusLink().SetMedium(buslink::BusMedium::SMBus);
          d.device_address = 0x2D;
          d.comms_medium = devaccess::CommsMediumOf(buslink::BusMedium::SMBus);
        },
        bus, options));
    server = std::make_unique<exporter::Exporter>(std::move(readers));
  }

  buslink::sim::SimulatedHardware hardware;
  devaccess::Declarations finder;
  exporter::SharedLinkBackend shared;
  std::mutex bus;
  std::unique_ptr<exporter::Exporter> server;
};

// A TCP connection to "127.0.0.1:PORT" without Nagle's delay; -1 when it failed.
inline int ConnectTo(const std::string& address) {
  const std::size_t colon = address.rfind(':');
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(std::stoi(address.substr(colon + 1))));
  inet_pton(AF_INET, address.substr(0, colon).c_str(), &a.sin_addr);
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return s;
  ::close(s);
  return -1;
}

// Reads one whole 200 answer into buffer by its Content-Length, through receive (recv's shape);
// false on anything else.
inline bool ReadAnswer(std::string& buffer,
                       const std::function<long(char*, std::size_t)>& receive) {
  buffer.clear();
  std::size_t header_end = std::string::npos;
  std::size_t total = 0;
  char chunk[16384];
  while (header_end == std::string::npos || buffer.size() < total) {
    const long n = receive(chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
    if (header_end == std::string::npos) {
      header_end = buffer.find("\r\n\r\n");
      if (header_end == std::string::npos) continue;
      const std::size_t length = buffer.find("Content-Length: ");
      if (length == std::string::npos || buffer.compare(9, 3, "200") != 0) return false;
      total = header_end + 4 + std::stoul(buffer.substr(length + 16));
    }
  }
  return true;
}

}  // namespace bench
