// The exporter behind `kelvran serve` on one simulated chip.
//
//   BM_Scrape/0       the server's time for one scrape that reads the chip (min-interval 0):
//                     41 transfers, the exposition, the response (goal: well under 1 ms)
//   BM_Scrape/1       the same scrape served from the last reading (the default 1 s interval)
//   BM_Loopback8      8 clients over loopback HTTP with keep-alive, 20000 scrapes each:
//                     scrapes/s (goal >= 2000), p50 and p99 latency
//   BM_Million        10^6 scrapes from 8 clients: resident memory after 10^4 and after 10^6
//                     (it must stay flat)
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "access/declarations.h"
#include "buslink/sim/simulated_hardware.h"
#include "exporter/exporter.h"
#include "exporter/http_server.h"
#include "exporter/shared_link.h"
#include "resident_memory.h"
#include "scrape_rig.h"

namespace {

using Clock = std::chrono::steady_clock;

using Rig = bench::ScrapeRig;

void BM_Scrape(benchmark::State& state) {
  Rig rig(state.range(0) == 0 ? Clock::duration::zero() : std::chrono::seconds(1));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const exporter::Response r = rig.server->Handle({"GET", "/metrics", ""});
    bytes = r.body.size();
    benchmark::DoNotOptimize(r.body.data());
  }
  state.counters["body_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_Scrape)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A keep-alive HTTP/1.1 client: one GET at a time, the answer read whole by its Content-Length.
class Client {
 public:
  explicit Client(const std::string& address) : socket_(bench::ConnectTo(address)) {}
  ~Client() {
    if (socket_ >= 0) ::close(socket_);
  }

  bool Scrape() {
    static const std::string request = "GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n";
    if (socket_ < 0 || ::send(socket_, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
      return false;
    }
    return bench::ReadAnswer(buffer_, [this](char* into, std::size_t size) {
      return static_cast<long>(::recv(socket_, into, size, 0));
    });
  }

 private:
  int socket_ = -1;
  std::string buffer_;
};

struct LoadResult {
  double seconds = 0;
  long scrapes = 0;
  bool failed = false;
  std::vector<double> latencies_us;  // every scrape's, sorted
  long rss_early_kib = 0;
  long rss_late_kib = 0;  // after the last scrape, before the latencies are gathered
};

// `clients` threads each scraping `each` times over its own connection. The clients' latency
// records are filled in before the first scrape, so the resident memory measured in between is
// the server's own.
LoadResult Load(const std::string& address, int clients, long each, long early_mark) {
  LoadResult result;
  std::mutex merge;
  std::atomic<long> done{0};
  std::atomic<int> ready{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
  Clock::time_point start;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&] {
      Client client(address);
      std::vector<double> latencies(static_cast<std::size_t>(each));
      if (++ready == clients) start = Clock::now();
      while (ready < clients) std::this_thread::yield();
      long i = 0;
      for (; i < each && !failed; ++i) {
        const Clock::time_point t0 = Clock::now();
        if (!client.Scrape()) {
          failed = true;
          break;
        }
        latencies[static_cast<std::size_t>(i)] =
            std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        const long total = ++done;
        if (total == early_mark) result.rss_early_kib = ResidentKilobytes();
        if (total == clients * each) result.rss_late_kib = ResidentKilobytes();
      }
      latencies.resize(static_cast<std::size_t>(i));
      const std::scoped_lock lock(merge);
      result.latencies_us.insert(result.latencies_us.end(), latencies.begin(), latencies.end());
    });
  }
  for (std::thread& t : threads) t.join();
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.scrapes = done;
  result.failed = failed;
  std::sort(result.latencies_us.begin(), result.latencies_us.end());
  return result;
}

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  return sorted[std::min(sorted.size() - 1,
                         static_cast<std::size_t>(p * static_cast<double>(sorted.size())))];
}

void Report(benchmark::State& state, const LoadResult& r) {
  if (r.failed) state.SkipWithError("a scrape failed");
  state.SetIterationTime(r.seconds);
  state.counters["scrapes_per_s"] = static_cast<double>(r.scrapes) / r.seconds;
  state.counters["p50_us"] = Percentile(r.latencies_us, 0.50);
  state.counters["p99_us"] = Percentile(r.latencies_us, 0.99);
}

void BM_Loopback8(benchmark::State& state) {
  Rig rig(state.range(0) == 0 ? Clock::duration::zero() : std::chrono::seconds(1));
  exporter::HttpServer http(exporter::ParseListenAddress("127.0.0.1:0").address, *rig.server);
  for (auto _ : state) Report(state, Load(http.address(), 8, 20000, -1));
}
BENCHMARK(BM_Loopback8)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_Million(benchmark::State& state) {
  Rig rig(std::chrono::seconds(1));
  exporter::HttpServer http(exporter::ParseListenAddress("127.0.0.1:0").address, *rig.server);
  for (auto _ : state) {
    const LoadResult r = Load(http.address(), 8, 125000, 10000);
    Report(state, r);
    state.counters["rss_after_1e4_kib"] = static_cast<double>(r.rss_early_kib);
    state.counters["rss_after_1e6_kib"] = static_cast<double>(r.rss_late_kib);
  }
}
BENCHMARK(BM_Million)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
