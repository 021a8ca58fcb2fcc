#pragma once

#include <gtest/gtest.h>

#include <string>

namespace kelvran_test {

// The message of the E that a call must throw; a call that throws nothing fails the test.
template <class E, class Call>
std::string MessageOf(const Call& call) {
  try {
    call();
  } catch (const E& error) {
    return error.what();
  }
  ADD_FAILURE() << "the call did not throw";
  return {};
}

}  // namespace kelvran_test
