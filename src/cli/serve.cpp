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
#include "exporter/web_config.h"
#include "exporter/web_config_file.h"
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

// Whether a web configuration keeps strangers out: passwords, or client certificates required.
bool Guarded(exporter::WebConfigFile* web) {
  if (web == nullptr) return false;
  const std::shared_ptr<const exporter::LoadedWebConfig> loaded = web->Current();
  const exporter::WebConfig& c = loaded->config;
  return !c.users.empty() ||
         (c.tls && (c.tls->client_auth == exporter::ClientAuth::RequireAnyClientCert ||
                    c.tls->client_auth == exporter::ClientAuth::RequireAndVerifyClientCert));
}

}  // namespace

exporter::ChipLabels LabelsFor(const Found& chip) {
  const std::string address = notation::HexByte(chip.address7);
  const std::string place = devaccess::StablePlace(IdentityOf(chip));
  if (chip.medium == buslink::BusMedium::PrinterPort) {
    const std::string port = std::to_string(chip.port);
    char base[16];
    std::snprintf(base, sizeof base, "%Xh", static_cast<unsigned>(chip.port_base));
    return {place, "printer port", "printer port " + port + " (" + base + ")", address};
  }
  // The adapter's number goes to the info series only: a re-plug changes it.
  const std::string adapter = "i2c-" + std::to_string(chip.adapter ? chip.adapter->number : 0);
  return {place, "SMBus", adapter, address};
}

int Serve(Session& session, const Arguments& args, std::ostream& out, std::ostream& err,
          const Terminal& terminal) {
  // Read before any bus is touched: a file that cannot be used is a mistake to fix first.
  std::unique_ptr<exporter::WebConfigFile> web;
  if (!args.web_config.empty()) {
    try {
      web = std::make_unique<exporter::WebConfigFile>(
          args.web_config, [&err](const std::string& line) { err << "kelvran: " << line << '\n'; });
    } catch (const std::runtime_error& e) {
      err << "kelvran: --web-config: " << e.what() << '\n';
      return kExitUsage;
    }
  }
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
  if (!listen.address.loopback && options.min_interval < std::chrono::seconds(1)) {
    // Each reading clears the chip's alarm latches: beyond this computer nobody decides how
    // often that happens.
    options.min_interval = std::chrono::seconds(1);
    err << "kelvran: --min-interval is at least 1s when listening beyond loopback\n";
  }
  std::vector<std::unique_ptr<exporter::ChipReader>> readers;
  std::vector<exporter::ChipLabels> labels;
  for (const Found& chip : chips) labels.push_back(LabelsFor(chip));
  // Two bridges of one name where the system tells no path would share a place: those two go by
  // their numbers instead, as nothing stable tells them apart.
  std::vector<bool> shared_place(labels.size(), false);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    for (std::size_t j = 0; j < labels.size(); ++j) {
      shared_place[i] = shared_place[i] || (i != j && labels[i].chip == labels[j].chip);
    }
  }
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (shared_place[i]) labels[i].chip = "smbus/" + labels[i].adapter + "/" + labels[i].address;
  }
  for (std::size_t i = 0; i < chips.size(); ++i) {
    const Found& chip = chips[i];
    auto d = std::make_unique<devaccess::Declarations>(&shared);
    readers.push_back(std::make_unique<exporter::ChipReader>(
        labels[i], std::move(d), IdentityOf(chip),
        [chip](devaccess::Declarations& own, const devaccess::ChipIdentity& now) {
          Found there = chip;
          there.adapter = now.adapter;  // where a re-plug put it
          PointAt(own, there);
        },
        bus, options));
  }
  exporter::Exporter exporter(std::move(readers));

  if (!listen.address.loopback && !Guarded(web.get())) {
    err << "kelvran: warning: listening on " << listen.address.text
        << ": the chip readings become visible to the network; --web-config=FILE asks for "
           "passwords or client certificates (see \"Securing the exporter\" in "
           "/usr/share/doc/kelvran-eval/prometheus.md)\n";
  }
  std::unique_ptr<exporter::HttpServer> server;
  try {
    server = std::make_unique<exporter::HttpServer>(listen.address, exporter,
                                                    exporter::HttpLimits{}, web.get());
  } catch (const std::runtime_error& e) {
    err << "kelvran: " << e.what() << '\n';
    return kExitBus;
  }
  out << "kelvran: serving " << chips.size() << (chips.size() == 1 ? " chip" : " chips") << " at "
      << (server->tls() ? "https" : "http") << "://" << server->address() << "/metrics\n";
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
