#pragma once

// kelvran run in-process on a scenario file, with its bus trace kept, for the tests of the
// command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run.h"
#include "support/file_text.h"

namespace cli::harness {

using Lines = std::vector<std::string>;

inline Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

using kelvran_test::FileText;

// A file of this test's own, so tests that run side by side never share one.
inline std::string TestFile(const std::string& suffix) {
  return ::testing::TempDir() + "kelvran_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix;
}

// A scenario of one SMBus chip at 0x2D whose registers hold these JSON members ("0x40": "0x01").
inline std::string OneChip(const std::string& registers) {
  return R"({"smbus": {"chips": [{"address": "0x2D"}]}, "chip": {"registers": {)" + registers +
         "}}}";
}

struct RunResult {
  int status = -1;
  std::string out, err;
  Lines trace;
  Lines Writes() const {
    Lines writes;
    for (const std::string& l : trace) {
      if (l.find(" W ") != std::string::npos) writes.push_back(l);
    }
    return writes;
  }
};

inline RunResult RunKelvran(Lines args, const std::string& scenario,
                            const Terminal& terminal = Terminal{}) {
  const std::string scenario_file = TestFile(".json");
  const std::string trace_file = TestFile(".trace");
  std::ofstream(scenario_file) << scenario;
  std::remove(trace_file.c_str());
  args.push_back("--simulate=" + scenario_file);
  args.push_back("--bus-trace=" + trace_file);
  std::ostringstream out, err;
  RunResult r;
  r.status = Run(args, out, err, terminal);
  r.out = out.str();
  r.err = err.str();
  r.trace = SplitLines(FileText(trace_file));
  return r;
}

}  // namespace cli::harness
