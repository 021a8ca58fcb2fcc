#pragma once

#include <string_view>

namespace buslink::sim {

// The scenario `--simulate` runs without a file: a board that was set up before and is running,
// its readings moving, written in the scenario format so that docs/simulator.md can show it whole.
std::string_view BuiltInBenchJson();

}  // namespace buslink::sim
