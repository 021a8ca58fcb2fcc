#include "exporter/http_server.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "exporter/http_client.h"
#include "exporter/sim_chips.h"

namespace exporter {
namespace {

// The exporter over a real loopback socket on a port the system picks.
struct HttpServerTest : ::testing::Test {
  HttpServerTest()
      : exporter(sim.TakeReaders()), server(ParseListenAddress("127.0.0.1:0").address, exporter) {}

  SimChips sim{kConvertingChip, {0x2D, 0x2E}};
  Exporter exporter;
  HttpServer server;
};

TEST_F(HttpServerTest, ServesMetricsInTheFormatAskedFor) {
  const std::string text = Get(server.address(), "/metrics");
  EXPECT_EQ(StatusOf(text), 200) << text;
  EXPECT_EQ(HeaderOf(text, "Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
  EXPECT_NE(BodyOf(text).find("kelvran_up{chip=\"smbus/pci-0000:00:1f.4/0x2E\"} 1\n"),
            std::string::npos);

  const std::string head =
      Exchange(server.address(), "HEAD /metrics HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(StatusOf(head), 200);
  EXPECT_EQ(BodyOf(head), "");

  // A scraper keeps its connection from one scrape to the next.
  const std::string two = Exchange(server.address(),
                                   "GET /metrics HTTP/1.1\r\nHost: t\r\n\r\n"
                                   "GET /metrics HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  std::size_t answers = 0;
  for (std::size_t at = 0; (at = two.find("HTTP/1.1 200 OK\r\n", at)) != std::string::npos; ++at) {
    ++answers;
  }
  EXPECT_EQ(answers, 2u);

  const std::string landing = Get(server.address(), "/");
  EXPECT_EQ(StatusOf(landing), 200);
  EXPECT_EQ(HeaderOf(landing, "Content-Type"), "text/html; charset=utf-8");
  EXPECT_NE(landing.find("<a href=\"/metrics\">"), std::string::npos);
  EXPECT_NE(landing.find("<td>smbus/pci-0000:00:1f.4/0x2E</td>"), std::string::npos);
}

// Unknown paths, other methods and broken requests get their status, and nothing the client sent
// comes back.
TEST_F(HttpServerTest, RefusesWhatItDoesNotServe) {
  const std::string probe = "%3Cscript%3Ealert(1)%3C/script%3E";
  const std::string unknown = Get(server.address(), "/" + probe + "?q=<b>");
  EXPECT_EQ(StatusOf(unknown), 404);
  EXPECT_EQ(unknown.find("script"), std::string::npos) << unknown;
  EXPECT_EQ(unknown.find("<b>"), std::string::npos);

  for (const char* method : {"POST", "PUT", "DELETE"}) {
    const std::string answer =
        Exchange(server.address(), std::string(method) +
                                       " /metrics HTTP/1.1\r\nHost: t\r\nContent-Length: 4\r\n"
                                       "Connection: close\r\n\r\nbody");
    EXPECT_EQ(StatusOf(answer), 405) << method;
    EXPECT_EQ(HeaderOf(answer, "Allow"), "GET, HEAD");
  }

  const struct {
    const char* what;
    std::string request;
  } bad[] = {
      {"HTTP/1.1 without Host", "GET /metrics HTTP/1.1\r\nConnection: close\r\n\r\n"},
      {"a GET with a body", "GET /metrics HTTP/1.1\r\nHost: t\r\nContent-Length: 5\r\n\r\nhello"},
  };
  for (const auto& b : bad) {
    const std::string answer = Exchange(server.address(), b.request);
    EXPECT_EQ(StatusOf(answer), 400) << b.what << ": " << answer;
  }

  // Headers past the request bound are refused whole rather than read on.
  const std::string huge =
      Get(server.address(), "/metrics", "X-Filler: " + std::string(64 * 1024, 'a') + "\r\n");
  EXPECT_GE(StatusOf(huge), 400) << huge.substr(0, 200);
  EXPECT_LT(StatusOf(huge), 500);
  EXPECT_EQ(huge.find("aaaa"), std::string::npos);

  EXPECT_EQ(StatusOf(Get(server.address(), "/metrics")), 200) << "and it goes on serving";
}

// One address that holds every connection it may, or trickles a request, does not keep a scrape
// from another address out; and the page at / tells a chip is down without the error's text.
TEST(HttpServer, OneClientCannotHoldTheServer) {
  SimChips sim(R"({"smbus": {"chips": [{"address": "0x2D"}]},
                   "faults": [{"medium": "SMB", "op": "R", "error": "NACK"}]})");
  Exporter exporter(sim.TakeReaders());
  HttpLimits limits;
  limits.connections = 4;
  limits.connections_per_address = 2;
  limits.request_seconds = 1;
  HttpServer server(ParseListenAddress("127.0.0.1:0").address, exporter, limits);
  EXPECT_EQ(StatusOf(Get(server.address(), "/metrics")), 200);

  std::vector<int> held;
  for (unsigned i = 0; i < limits.connections; ++i)
    held.push_back(Connect(server.address(), "127.0.0.2"));
  char byte = 0;
  EXPECT_EQ(::recv(held.back(), &byte, 1, 0), 0) << "a connection past the address's limit closes";
  const std::string page = Exchange(
      server.address(), "GET / HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n", "127.0.0.3");
  EXPECT_EQ(StatusOf(page), 200);
  EXPECT_NE(page.find("<td>down</td>"), std::string::npos) << page;
  const std::string error = exporter.reader(0).LastState().error;
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(page.find(error), std::string::npos);

  // A request trickled a header at a time is cut at its deadline, idle or not.
  const int slow = held.front();
  ::send(slow, "GET / HTTP/1.1\r\nHost: t\r\n", 25, MSG_NOSIGNAL);
  bool cut = false;
  for (int i = 0; i < 20 && !cut; ++i) {
    ::usleep(250000);
    cut = ::send(slow, "X: y\r\n", 6, MSG_NOSIGNAL) < 0;
  }
  EXPECT_TRUE(cut);
  for (const int s : held) ::close(s);
}

TEST(ListenAddress, TakesAddressAndPort) {
  const struct {
    std::string text;
    std::string address;  // empty: refused
    bool loopback;
  } cases[] = {
      {"127.0.0.1:19610", "127.0.0.1:19610", true},
      {"localhost:80", "127.0.0.1:80", true},
      {"127.1.2.3:0", "127.1.2.3:0", true},
      {"0.0.0.0:19610", "0.0.0.0:19610", false},
      {"[::1]:19610", "[::1]:19610", true},
      {"[::]:19610", "[::]:19610", false},
      {"127.0.0.1", "", false},
      {"127.0.0.1:65536", "", false},
      {"127.0.0.1: 80", "", false},
      {"::1:19610", "", false},
      {"[127.0.0.1]:80", "", false},
      {"example.org:80", "", false},
      {":19610", "", false},
  };
  for (const auto& c : cases) {
    const ParsedListen parsed = ParseListenAddress(c.text);
    EXPECT_EQ(parsed.ok() ? parsed.address.text : "", c.address) << c.text;
    if (parsed.ok()) {
      EXPECT_EQ(parsed.address.loopback, c.loopback) << c.text;
    } else {
      EXPECT_NE(parsed.error.find("'" + c.text + "'"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace exporter
