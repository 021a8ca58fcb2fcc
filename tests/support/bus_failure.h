#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "buslink/bus_error.h"

namespace kelvran_test {

// Runs a call that must fail with a BusError and returns the error's code, and its message into
// *message when one is asked for. A call that succeeds fails the test.
inline buslink::ErrorCode CodeOf(const std::function<void()>& call,
                                 std::string* message = nullptr) {
  try {
    call();
  } catch (const buslink::BusError& error) {
    if (message != nullptr) *message = error.what();
    return error.code();
  }
  ADD_FAILURE() << "the call did not fail";
  return buslink::ErrorCode::Io;
}

}  // namespace kelvran_test
