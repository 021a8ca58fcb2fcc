// What HTTPS and a password cost kelvran serve, against plain HTTP, in one run on one simulated
// chip (readings served from the last one, as at the default 1 s interval).
//
//   BM_SecuredScrape   one keep-alive client, 4000 scrapes over plain HTTP, then 4000 over TLS
//                      with basic auth (the password cache warm): the server's CPU time per scrape
//                      (the process's CPU time less the client thread's) for each, and their
//                      ratio tls_over_plain
//   BM_TlsHandshake    400 new TLS connections, each one scrape: the server's CPU time per
//                      connection, less a keep-alive scrape's, is the handshake's; and the wall
//                      time a client waits for a connection and its answer
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <gnutls/gnutls.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "access/declarations.h"
#include "buslink/sim/simulated_hardware.h"
#include "exporter/exporter.h"
#include "exporter/http_server.h"
#include "exporter/shared_link.h"
#include "exporter/web_config_file.h"
#include "scrape_rig.h"

namespace {

namespace fs = std::filesystem;

double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One converting SMBus chip, a plain server and a secured one, and the secured one's files.
struct Rig {
  Rig()
      : chip(std::chrono::seconds(1)),
        dir(fs::temp_directory_path() / ("kelvran-bench-tls-" + std::to_string(::getpid()))) {
    fs::create_directories(dir);
    const std::string make =
        "cd " + dir.string() +
        " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 1"
        " -subj /CN=127.0.0.1 -keyout key.pem -out cert.pem >/dev/null 2>&1";
    made = std::system(make.c_str()) == 0;
    // "secret" at cost 10, as htpasswd -nBC 10 makes it.
    std::ofstream(dir / "web.yml")
        << "tls_server_config:\n  cert_file: cert.pem\n  key_file: key.pem\n"
           "basic_auth_users:\n  prom: "
           "$2b$10$abcdefghijklmnopqrstuuqflPDzB6gcMhKa1rZqKiun2YGL5sa2u\n";
    if (made) {
      web = std::make_unique<exporter::WebConfigFile>((dir / "web.yml").string(),
                                                      [](const std::string&) {});
      secured = std::make_unique<exporter::HttpServer>(
          exporter::ParseListenAddress("127.0.0.1:0").address, *chip.server, exporter::HttpLimits{},
          web.get());
    }
    plain = std::make_unique<exporter::HttpServer>(
        exporter::ParseListenAddress("127.0.0.1:0").address, *chip.server);
  }
  ~Rig() {
    secured.reset();
    plain.reset();
    fs::remove_all(dir);
  }

  bench::ScrapeRig chip;
  fs::path dir;
  bool made = false;
  std::unique_ptr<exporter::WebConfigFile> web;
  std::unique_ptr<exporter::HttpServer> plain, secured;
};

// A keep-alive HTTP/1.1 client, over TLS when asked, reading each answer by its Content-Length.
class Client {
 public:
  Client(const std::string& address, bool tls) : socket_(bench::ConnectTo(address)) {
    ok_ = socket_ >= 0;
    if (ok_ && tls) {
      gnutls_certificate_allocate_credentials(&credentials_);
      gnutls_init(&session_, GNUTLS_CLIENT);
      gnutls_set_default_priority(session_);
      gnutls_credentials_set(session_, GNUTLS_CRD_CERTIFICATE, credentials_);
      gnutls_transport_set_int(session_, socket_);
      ok_ = gnutls_handshake(session_) >= 0;
    }
  }
  ~Client() {
    if (session_ != nullptr) gnutls_deinit(session_);
    if (credentials_ != nullptr) gnutls_certificate_free_credentials(credentials_);
    if (socket_ >= 0) ::close(socket_);
  }

  bool Scrape(const std::string& request) {
    if (!ok_ || Send(request) < 0) return false;
    return bench::ReadAnswer(buffer_,
                             [this](char* into, std::size_t size) { return Receive(into, size); });
  }

 private:
  long Send(const std::string& s) {
    return session_ != nullptr ? gnutls_record_send(session_, s.data(), s.size())
                               : ::send(socket_, s.data(), s.size(), MSG_NOSIGNAL);
  }
  long Receive(char* into, std::size_t size) {
    return session_ != nullptr ? gnutls_record_recv(session_, into, size)
                               : ::recv(socket_, into, size, 0);
  }

  int socket_ = -1;
  bool ok_ = false;
  gnutls_certificate_credentials_t credentials_ = nullptr;
  gnutls_session_t session_ = nullptr;
  std::string buffer_;
};

const std::string kPlainRequest = "GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n";
const std::string kAuthRequest =
    "GET /metrics HTTP/1.1\r\nHost: bench\r\nAuthorization: Basic cHJvbTpzZWNyZXQ=\r\n\r\n";

struct Cost {
  double server_us = 0;  // per scrape or connection
  double wall_us = 0;
  bool failed = false;
};

// The server's CPU time: the whole process's, less what this (the client's) thread spent.
template <typename Work>
Cost Measure(long count, Work work) {
  const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  const double client = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
  const auto start = std::chrono::steady_clock::now();
  Cost cost;
  for (long i = 0; i < count && !cost.failed; ++i) cost.failed = !work();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double server = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process) -
                        (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - client);
  cost.server_us = server * 1e6 / static_cast<double>(count);
  cost.wall_us = wall * 1e6 / static_cast<double>(count);
  return cost;
}

Cost KeepAlive(const std::string& address, bool tls, const std::string& request, long count) {
  Client client(address, tls);
  client.Scrape(request);  // the password cache warm, the connection's buffers grown
  return Measure(count, [&] { return client.Scrape(request); });
}

void BM_SecuredScrape(benchmark::State& state) {
  Rig rig;
  if (!rig.made) return state.SkipWithError("openssl could not make the certificate");
  for (auto _ : state) {
    const Cost plain = KeepAlive(rig.plain->address(), false, kPlainRequest, 4000);
    const Cost tls = KeepAlive(rig.secured->address(), true, kAuthRequest, 4000);
    if (plain.failed || tls.failed) state.SkipWithError("a scrape failed");
    state.SetIterationTime(tls.wall_us * 1e-6);
    state.counters["plain_server_us"] = plain.server_us;
    state.counters["tls_auth_server_us"] = tls.server_us;
    state.counters["tls_over_plain"] = tls.server_us / plain.server_us;
    state.counters["plain_wall_us"] = plain.wall_us;
    state.counters["tls_auth_wall_us"] = tls.wall_us;
  }
}
BENCHMARK(BM_SecuredScrape)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_TlsHandshake(benchmark::State& state) {
  Rig rig;
  if (!rig.made) return state.SkipWithError("openssl could not make the certificate");
  const std::string request =
      "GET /metrics HTTP/1.1\r\nHost: bench\r\nAuthorization: Basic cHJvbTpzZWNyZXQ=\r\n"
      "Connection: close\r\n\r\n";
  for (auto _ : state) {
    const Cost scrape = KeepAlive(rig.secured->address(), true, kAuthRequest, 1000);
    const Cost connection = Measure(400, [&] {
      Client client(rig.secured->address(), true);
      return client.Scrape(request);
    });
    if (scrape.failed || connection.failed) state.SkipWithError("a connection failed");
    state.SetIterationTime(connection.wall_us * 1e-6);
    state.counters["connection_server_us"] = connection.server_us;
    state.counters["handshake_server_us"] = connection.server_us - scrape.server_us;
    state.counters["connection_wall_us"] = connection.wall_us;
  }
}
BENCHMARK(BM_TlsHandshake)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
