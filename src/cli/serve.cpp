#include "cli/serve.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "exporter/chip_reader.h"
#include "exporter/exporter.h"
#include "exporter/http_server.h"
#include "exporter/listen_address.h"
#include "exporter/shared_link.h"
#include "notation/hex.h"

namespace cli {

namespace {

int AdapterNumber(const Found& f) {
  return f.adapter ? f.adapter->number : -1;
}

// A board that answers under both ModeFlag settings is found twice; it is one chip. Two SMBus
// chips at one address on different adapters are two chips.
std::vector<Found> DistinctChips(const std::vector<Found>& found) {
  std::vector<Found> chips;
  for (const Found& f : found) {
    bool seen = false;
    for (const Found& c : chips) {
      seen = seen || (c.medium == f.medium && c.port == f.port && c.address7 == f.address7 &&
                      AdapterNumber(c) == AdapterNumber(f));
    }
    if (!seen) chips.push_back(f);
  }
  return chips;
}

void WaitForStop(const Terminal& terminal) {
  if (!terminal.stop_requested) return;
  while (!terminal.stop_requested()) {
    const auto now = terminal.now ? terminal.now() : std::chrono::steady_clock::now();
    if (!terminal.sleep_until) return;
    terminal.sleep_until(now + std::chrono::seconds(1));
  }
}

}  // namespace

exporter::ChipLabels LabelsFor(const Found& chip) {
  const std::string address = notation::HexByte(chip.address7);
  if (chip.medium == buslink::BusMedium::PrinterPort) {
    const std::string port = std::to_string(chip.port);
    char base[16];
    std::snprintf(base, sizeof base, "%Xh", static_cast<unsigned>(chip.port_base));
    return {"printer/port" + port + "/" + address, "printer port",
            "printer port " + port + " (" + base + ")", address};
  }
  // The adapter the chip was found on: with several searched, chips differ by it.
  const std::string adapter = "i2c-" + std::to_string(chip.adapter ? chip.adapter->number : 0);
  return {"smbus/" + adapter + "/" + address, "SMBus", adapter, address};
}

int Serve(Session& session, const Arguments& args, std::ostream& out, std::ostream& err,
          const Terminal& terminal) {
  const std::vector<Found> chips = DistinctChips(session.Detect());
  if (chips.empty()) {
    err << "kelvran: " << NoChipMessage(args) << '\n';
    return kExitNoChip;
  }
  const exporter::ParsedListen listen = exporter::ParseListenAddress(
      args.listen.empty() ? exporter::kDefaultListen : std::string_view(args.listen));
  if (!listen.ok()) {
    err << "kelvran: " << listen.error << '\n';
    return kExitUsage;
  }

  // Every chip's own shared state (its alarm store above all) over the one link that found them,
  // one bus lock for the lot.
  exporter::SharedLinkBackend shared(session.d().EnsureBusLink(), session.backend());
  std::mutex bus;
  exporter::ChipReader::Options options;
  options.min_interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(args.min_interval_seconds));
  std::vector<std::unique_ptr<exporter::ChipReader>> readers;
  for (const Found& chip : chips) {
    auto d = std::make_unique<devaccess::Declarations>(&shared);
    readers.push_back(std::make_unique<exporter::ChipReader>(
        LabelsFor(chip), std::move(d), [chip](devaccess::Declarations& own) { PointAt(own, chip); },
        bus, options));
  }
  exporter::Exporter exporter(std::move(readers));

  if (!listen.address.loopback) {
    err << "kelvran: warning: listening on " << listen.address.text
        << ": the chip readings become visible to the network\n";
  }
  std::unique_ptr<exporter::HttpServer> server;
  try {
    server = std::make_unique<exporter::HttpServer>(listen.address, exporter);
  } catch (const std::runtime_error& e) {
    err << "kelvran: " << e.what() << '\n';
    return kExitBus;
  }
  out << "kelvran: serving " << chips.size() << (chips.size() == 1 ? " chip" : " chips")
      << " at http://" << server->address() << "/metrics\n";
  for (std::size_t i = 0; i < chips.size(); ++i) {
    out << "  " << exporter.reader(i).labels().chip << "  " << Describe(chips[i]) << '\n';
  }
  out.flush();
  WaitForStop(terminal);
  server.reset();  // the requests in hand are answered first
  out << "kelvran: stopped serving\n";
  return kExitOk;
}

}  // namespace cli
