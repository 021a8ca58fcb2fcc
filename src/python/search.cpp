#include "python/search.h"

#include <pybind11/pybind11.h>

#include "python/errors.h"

namespace pykelvran {

namespace {

std::vector<cli::Found> Detect(Bench& bench) {
  const pybind11::gil_scoped_release nogil;
  const std::lock_guard lock(bench.bus);
  return bench.session.Detect();
}

}  // namespace

std::vector<std::shared_ptr<ChipHandle>> FindChips(const std::shared_ptr<Bench>& bench) {
  std::vector<std::shared_ptr<ChipHandle>> chips;
  for (const cli::Found& found : Detect(*bench)) {
    chips.push_back(std::make_shared<ChipHandle>(bench, found));
  }
  return chips;
}

std::shared_ptr<ChipHandle> OpenChip(const std::shared_ptr<Bench>& bench) {
  const std::vector<cli::Found> found = Detect(*bench);
  if (found.empty()) {
    throw NoChip(cli::NoChipMessage(bench->args), bench->session.NothingFoundReasons());
  }
  return std::make_shared<ChipHandle>(bench, found.front());
}

}  // namespace pykelvran
