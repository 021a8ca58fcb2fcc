#include "python/search.h"

#include <pybind11/pybind11.h>

#include "python/errors.h"

namespace pykelvran {

namespace {

// The search, and each chip's own link to the bus, with the computer to themselves: other
// threads may be using chips found on it before.
template <typename F>
auto Searching(Bench& bench, F&& f) {
  const pybind11::gil_scoped_release nogil;
  const std::lock_guard lock(bench.bus);
  try {
    return f(bench.session.Detect());
  } catch (const buslink::BusError& e) {
    throw BusFailure(e.what(), e.code(), std::nullopt, "");
  }
}

}  // namespace

std::vector<std::shared_ptr<ChipHandle>> FindChips(const std::shared_ptr<Bench>& bench) {
  return Searching(*bench, [&](const std::vector<cli::Found>& found) {
    std::vector<std::shared_ptr<ChipHandle>> chips;
    for (const cli::Found& f : found) chips.push_back(std::make_shared<ChipHandle>(bench, f));
    return chips;
  });
}

std::shared_ptr<ChipHandle> OpenChip(const std::shared_ptr<Bench>& bench) {
  return Searching(*bench, [&](const std::vector<cli::Found>& found) {
    if (found.empty()) {
      throw NoChip(cli::NoChipMessage(bench->args), bench->session.NothingFoundReasons());
    }
    return std::make_shared<ChipHandle>(bench, found.front());
  });
}

}  // namespace pykelvran
