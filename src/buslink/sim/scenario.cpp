#include "buslink/sim/scenario.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "buslink/sim/built_in_bench.h"
#include "buslink/sim/scenario_reader.h"

namespace buslink::sim {

namespace {

using namespace scenario_format;

constexpr int kMaxLatencyUs = 1'000'000;
constexpr std::int64_t kMaxInt = 2147483647;

constexpr Word<FaultMedium> kMedia[] = {{"PP", FaultMedium::PP}, {"SMB", FaultMedium::SMB}};
constexpr Word<char> kOps[] = {{"R", 'R'}, {"W", 'W'}};
constexpr Word<ErrorCode> kErrors[] = {{"NACK", ErrorCode::Nack}, {"TIMEOUT", ErrorCode::Timeout}};

constexpr Field<Fault> kFaultKeys[] = {
    {"medium", OneOf<&Fault::medium, kMedia>},
    {"op", OneOf<&Fault::op, kOps>},
    {"device", Whole<&Fault::device, 0, 0xFF, kHex>},
    {"register", Whole<&Fault::reg, 0, 0xFF, kHex>},
    {"skip", Whole<&Fault::skip, 0, kMaxInt>},
    {"times", Whole<&Fault::times, 0, kMaxInt>},
    {"error", OneOf<&Fault::error, kErrors>},
};

void ReadFaults(Reader& r, const json& value, const std::string& path, Scenario& into) {
  r.ReadList(value, path, [&](const json& entry, const std::string& entry_path, std::size_t) {
    r.Read(entry, entry_path, Fields{kFaultKeys, into.faults.emplace_back()});
  });
}

void ReadChip(Reader& r, const json& value, const std::string& path, Scenario&) {
  r.Read(value, path, Fields{kChipKeys, r.chip});
}

// In a file, hardware not named does not exist.
constexpr Field<Scenario> kScenarioKeys[] = {
    {"os_build", Whole<&Scenario::os_build, 0, kMaxInt>},
    {"latency_us", Whole<&Scenario::latency_us, 0, kMaxLatencyUs>},
    {"seed", Whole<&Scenario::seed, 0, 0xFFFFFFFFLL>},
    {"printer_ports", ReadPrinterPorts},
    {"smbus", ReadSMBus},
    {"chip", ReadChip, Need::First},
    {"faults", ReadFaults},
    {"i2c_adapters", ReadI2cAdapters},
};

// nlohmann's messages read "[json.exception.parse_error.101] parse error at line 3, column 5:
// ..."; keep the part from the position on (or, without one, after the bracket), on one line.
std::string DescribeJsonError(const json::exception& error) {
  std::string text = error.what();
  if (const auto at = text.find("at line "); at != std::string::npos) {
    text = " " + text.substr(at);
  } else if (const auto bracket = text.find("] "); bracket != std::string::npos) {
    text = ": " + text.substr(bracket + 2);
  }
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

Scenario Scenario::BuiltIn() {
  return FromJson(std::string(BuiltInBenchJson()), "the built-in bench");
}

Scenario Scenario::FromJson(const std::string& text, const std::string& source_name) {
  json root;
  try {
    root = json::parse(text);
  } catch (const json::exception& error) {  // a syntax error, or a number too large
    throw ScenarioError(source_name + ": not valid JSON" + DescribeJsonError(error));
  }
  Reader reader(source_name);
  if (!root.is_object()) {
    reader.Fail("the top level must be a JSON object, not " + Reader::Describe(root));
  }
  Scenario scenario;
  reader.Read(root, "", Fields{kScenarioKeys, scenario});
  return scenario;
}

Scenario Scenario::FromFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw ScenarioError(path + ": cannot open the scenario file: " + std::strerror(errno));
  }
  std::string text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const int read_error = std::ferror(file) != 0 ? errno : 0;
  std::fclose(file);
  if (read_error != 0) {
    throw ScenarioError(path + ": cannot read the scenario file: " + std::strerror(read_error));
  }
  return FromJson(text, path);
}

}  // namespace buslink::sim
