#pragma once

#include <gtest/gtest.h>

#include <string>

#include "buslink/sim/scenario.h"

namespace buslink::sim {

// A scenario the simulator must refuse: the message names the file, then the fault, on one line.
inline void ExpectRefused(const char* json, const std::string& fault) {
  try {
    Scenario::FromJson(json, "bad.json");
    ADD_FAILURE() << "accepted: " << json;
  } catch (const ScenarioError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind("bad.json: " + fault, 0), 0U) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
}

}  // namespace buslink::sim
