#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/kelvran_run.h"
#include "cli/run.h"
#include "exporter/http_client.h"

namespace cli {
namespace {

using harness::Lines;

struct Served {
  int status = -1;
  std::string out, err;
  std::string address;  // where it listened, from its first line
};

// kelvran serve in-process on a scenario; `while_serving` runs on the command's own thread once
// the server is up (its first wait), with the address it printed, and then the command is asked
// to stop as Ctrl-C or SIGTERM would.
Served Serve(Lines args, const std::string& scenario,
             const std::function<void(const std::string& address)>& while_serving = {}) {
  const std::string file = harness::TestFile(".json");
  std::ofstream(file) << scenario;
  args.insert(args.begin(), "serve");
  args.push_back("--simulate=" + file);
  std::ostringstream out, err;
  Served s;
  bool stop = false;
  Terminal terminal;
  terminal.stop_requested = [&stop] { return stop; };
  terminal.sleep_until = [&](std::chrono::steady_clock::time_point) {
    std::smatch m;
    const std::string text = out.str();
    if (std::regex_search(text, m, std::regex(R"(at http://([0-9.]+:[0-9]+)/metrics)"))) {
      s.address = m[1];
      if (while_serving) while_serving(s.address);
    }
    stop = true;
  };
  s.status = Run(args, out, err, terminal);
  s.out = out.str();
  s.err = err.str();
  return s;
}

constexpr const char* kBench = R"({
  "printer_ports": [{"base": "0x378", "boards": [{"address": "0x5C", "answers_under": "both"}]},
                    {"base": "0x278", "boards": [{"address": "0x5A"}]}],
  "smbus": {"chips": [{"address": "0x2D"}, {"address": "0x2C"}]},
  "i2c_adapters": [{"number": 8, "name": "stub", "parent": "none", "chips": [{"address": "0x2D"}]},
                   {"number": 9, "name": "stub", "parent": "none", "chips": [{"address": "0x2D"}]}],
  "chip": {"noise": 0, "registers": {"0x40": "0x01"}, "inputs": {"v12": 12.0}}})";

// Two printer ports, two chips on the SMBus and one at the same address on each of two adapters
// alike and placed nowhere are six chips, each with a label that names where it sits (a board
// answering under both ModeFlag settings is still one chip; the two adapters go by their numbers),
// all read in a scrape; --medium and --address leave one.
TEST(Serve, EveryChipFoundIsServedUnderItsPlace) {
  std::string metrics;
  const Served s = Serve({"--listen=127.0.0.1:0"}, kBench, [&](const std::string& address) {
    metrics = exporter::BodyOf(exporter::Get(address, "/metrics"));
  });
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(s.err, "");
  const Lines labels = {
      "printer/port0/0x2E",          "printer/port1/0x2D", "smbus/pci-0000:00:1f.4/0x2C",
      "smbus/pci-0000:00:1f.4/0x2D", "smbus/i2c-8/0x2D",   "smbus/i2c-9/0x2D"};
  EXPECT_NE(s.out.find("serving 6 chips at http://127.0.0.1:"), std::string::npos) << s.out;
  for (const std::string& label : labels) {
    EXPECT_NE(s.out.find("  " + label + "  "), std::string::npos) << label;
    EXPECT_NE(metrics.find("kelvran_up{chip=\"" + label + "\"} 1\n"), std::string::npos)
        << label << '\n'
        << metrics;
  }
  EXPECT_NE(s.out.find("stopped serving"), std::string::npos);

  // The bus options pick the chips.
  const Served one = Serve({"--listen=127.0.0.1:0", "--medium=smbus", "--address=0x2C"}, kBench);
  EXPECT_NE(one.out.find("serving 1 chip at"), std::string::npos) << one.out;
  EXPECT_NE(one.out.find("  smbus/pci-0000:00:1f.4/0x2C  "), std::string::npos);
}

// Beyond loopback, without a web configuration it still serves but says how to secure it, and
// no scraper may drain the alarm latches faster than once a second.
TEST(Serve, OutsideLoopbackItWarns) {
  const Served s = Serve({"--listen=0.0.0.0:0", "--min-interval=0"}, kBench);
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_NE(s.err.find("warning: listening on 0.0.0.0:0: the chip readings become visible to "
                       "the network; --web-config=FILE asks for passwords"),
            std::string::npos)
      << s.err;
  EXPECT_NE(s.err.find("--min-interval is at least 1s"), std::string::npos);
}

TEST(Serve, RefusesWhatItCannotDo) {
  std::string taken;
  Serve({"--listen=127.0.0.1:0"}, kBench, [&](const std::string& address) {
    // A second exporter on the same port, while the first still listens.
    const Served second = Serve({"--listen=" + address}, kBench);
    EXPECT_EQ(second.status, 1);
    taken = second.err;
  });
  EXPECT_NE(taken.find("cannot listen on"), std::string::npos) << taken;
  EXPECT_NE(taken.find("Address already in use"), std::string::npos) << taken;

  // Its usage errors are among kelvran's refused commands.
  const Served none = Serve({"--listen=127.0.0.1:0"}, R"({"smbus": {"chips": []}})");
  EXPECT_EQ(none.status, 3);
  EXPECT_NE(none.err.find("no KELVRAN answered"), std::string::npos) << none.err;
  EXPECT_EQ(none.out.find("serving"), std::string::npos);
}

}  // namespace
}  // namespace cli
