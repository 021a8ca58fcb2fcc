#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "buslink/bus_error.h"

namespace kelvran_test {

// The E that a call must throw; a call that throws nothing fails the test.
template <class E, class Call>
std::optional<E> Thrown(const Call& call) {
  try {
    call();
  } catch (const E& error) {
    return error;
  }
  ADD_FAILURE() << "the call did not throw";
  return std::nullopt;
}

template <class E, class Call>
std::string MessageOf(const Call& call) {
  const std::optional<E> error = Thrown<E>(call);
  return error ? error->what() : "";
}

// The code of the BusError a call must throw, and its message into *message when one is asked for.
inline buslink::ErrorCode CodeOf(const std::function<void()>& call,
                                 std::string* message = nullptr) {
  const std::optional<buslink::BusError> error = Thrown<buslink::BusError>(call);
  if (error && message != nullptr) *message = error->what();
  return error ? error->code() : buslink::ErrorCode::Io;
}

}  // namespace kelvran_test
