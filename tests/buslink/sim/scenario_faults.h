#pragma once

#include <gtest/gtest.h>

#include <string>

#include "buslink/sim/scenario.h"
#include "support/thrown.h"

namespace buslink::sim {

// A scenario the simulator must refuse: the message names the file, then the fault, on one line.
inline void ExpectRefused(const std::string& json, const std::string& fault) {
  const std::string message =
      kelvran_test::MessageOf<ScenarioError>([&] { Scenario::FromJson(json, "bad.json"); });
  EXPECT_EQ(message.rfind("bad.json: " + fault, 0), 0U) << json << " => " << message;
  EXPECT_EQ(message.find('\n'), std::string::npos) << message;
}

}  // namespace buslink::sim
