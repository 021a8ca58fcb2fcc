#pragma once

#include <memory>
#include <vector>

#include "python/bench.h"
#include "python/chip_handle.h"

namespace pykelvran {

// Every chip that answers on the bench, narrowed by its arguments, as `kelvran detect` lists them.
std::vector<std::shared_ptr<ChipHandle>> FindChips(const std::shared_ptr<Bench>& bench);
// The first of them; NoChip with the reasons `kelvran detect` gives when there is none.
std::shared_ptr<ChipHandle> OpenChip(const std::shared_ptr<Bench>& bench);

}  // namespace pykelvran
