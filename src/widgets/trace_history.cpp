#include "widgets/trace_history.h"

#include <algorithm>

namespace widgets {

namespace {

int RoundUp(int value, int multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

void Merge(TraceHistory::Extremes& into, const TraceHistory::Extremes& e) {
  into.min = std::min(into.min, e.min);
  into.max = std::max(into.max, e.max);
}

}  // namespace

TraceHistory::TraceHistory(int capacity) {
  SetCapacity(capacity);
}

void TraceHistory::SetCapacity(int capacity) {
  capacity_ = RoundUp(std::max(capacity, 1), kGroup);
  times_.clear();
  times_.shrink_to_fit();
  values_.clear();
  values_.shrink_to_fit();
  blocks_.clear();
  blocks_.shrink_to_fit();
  groups_.clear();
  groups_.shrink_to_fit();
  Clear();
}

void TraceHistory::Clear() {
  head_ = 0;
  size_ = 0;
}

void TraceHistory::Allocate() {
  // assign() writes every element, so the pages are resident from the start: a history that
  // fills up later does not make the process grow.
  const auto n = static_cast<std::size_t>(capacity_);
  times_.assign(n, 0);
  values_.assign(n, 0.0);
  blocks_.assign(n / kBlock, Extremes{});
  groups_.assign(n / kGroup, Extremes{});
}

void TraceHistory::Append(std::int64_t time, double value) {
  if (values_.empty()) Allocate();
  if (size_ > 0) time = std::max(time, TimeAt(size_ - 1));
  int slot = head_ + size_;
  if (slot >= capacity_) slot -= capacity_;
  if (size_ == capacity_) {
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
  } else {
    ++size_;
  }
  const auto s = static_cast<std::size_t>(slot);
  times_[s] = time;
  values_[s] = value;
  // A block's summary restarts with the first slot written into it. Until the writing has
  // passed its last slot the block holds new points before the write position and old ones
  // after it, which no range of consecutive points covers whole, so the summary is only read
  // once it describes exactly the block's points.
  Extremes& block = blocks_[s / kBlock];
  if (slot % kBlock == 0) {
    block = Extremes{value, value};
  } else {
    Merge(block, Extremes{value, value});
  }
  Extremes& group = groups_[s / kGroup];
  if (slot % kGroup == 0) {
    group = Extremes{value, value};
  } else {
    Merge(group, Extremes{value, value});
  }
}

int TraceHistory::LowerBound(std::int64_t time, int from, int hint) const {
  from = std::clamp(from, 0, size_);
  if (hint < from || hint >= size_) hint = from;
  // Gallop from the hint to bracket the answer in (below, above], then search the bracket.
  // A chart walking its columns left to right guesses each column's end from the last one's
  // width, which is nearly right, so this costs a few steps rather than a search of the whole
  // history.
  int below = from - 1;  // TimeAt(below) < time, or below is before the range
  int above = size_;     // TimeAt(above) >= time, or above is past the range
  if (hint == size_ || TimeAt(hint) >= time) {
    above = hint;
    for (int step = 1;; step *= 2) {
      const int probe = above - step;
      if (probe < from) break;
      if (TimeAt(probe) < time) {
        below = probe;
        break;
      }
      above = probe;
    }
  } else {
    below = hint;
    for (int step = 1;; step *= 2) {
      const int probe = below + step;
      if (probe >= size_) break;
      if (TimeAt(probe) >= time) {
        above = probe;
        break;
      }
      below = probe;
    }
  }
  int lo = below + 1;
  int hi = above;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (TimeAt(mid) < time) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

void TraceHistory::ScanSlots(int begin, int end, Extremes& e) const {
  int i = begin;
  // Single points up to the first block boundary, then blocks up to the first group boundary,
  // then whole groups, then blocks and points again for the tail.
  for (const int stop = std::min(end, RoundUp(i, kBlock)); i < stop; ++i) {
    const double v = values_[static_cast<std::size_t>(i)];
    e.min = std::min(e.min, v);
    e.max = std::max(e.max, v);
  }
  while (i + kBlock <= end && i % kGroup != 0) {
    Merge(e, blocks_[static_cast<std::size_t>(i / kBlock)]);
    i += kBlock;
  }
  while (i + kGroup <= end) {
    Merge(e, groups_[static_cast<std::size_t>(i / kGroup)]);
    i += kGroup;
  }
  while (i + kBlock <= end) {
    Merge(e, blocks_[static_cast<std::size_t>(i / kBlock)]);
    i += kBlock;
  }
  for (; i < end; ++i) {
    const double v = values_[static_cast<std::size_t>(i)];
    e.min = std::min(e.min, v);
    e.max = std::max(e.max, v);
  }
}

TraceHistory::Extremes TraceHistory::Range(int begin, int end) const {
  const double first = ValueAt(begin);
  Extremes e{first, first};
  const int start = static_cast<int>(Slot(begin));
  const int count = end - begin;
  if (start + count <= capacity_) {
    ScanSlots(start, start + count, e);
  } else {
    ScanSlots(start, capacity_, e);
    ScanSlots(0, start + count - capacity_, e);
  }
  return e;
}

}  // namespace widgets
