#pragma once

#include <cstdint>
#include <vector>

namespace widgets {

// The bounded history of one strip chart trace: a ring buffer of (time, value) points in time
// order, oldest first, that overwrites its oldest point when full.
//
// Beside the points it keeps the minimum and maximum of every aligned block of kBlock slots and
// of every aligned group of kGroup slots, so the extremes of any run of points cost at most a
// few dozen reads whatever the run's length. That is what lets a chart paint cost O(width):
// each pixel column asks for the extremes of the points that fall into it.
//
// Storage is taken on the first Append (and kept through Clear), all at once and touched, so
// appending never allocates and the resident size does not creep up as the buffer fills.
class TraceHistory {
 public:
  static constexpr int kBlock = 16;
  static constexpr int kGroup = 256;  // a whole number of blocks

  struct Extremes {
    double min = 0.0;
    double max = 0.0;
  };

  // capacity: points kept, rounded up to a whole number of groups (at least one group).
  explicit TraceHistory(int capacity = kGroup);

  // Drops the points and sets a new capacity; storage is taken again on the next Append.
  void SetCapacity(int capacity);
  int Capacity() const { return capacity_; }
  // Drops the points; keeps the storage.
  void Clear();

  // Appends a point; time stamps must not decrease (an older one is taken as the newest so far).
  void Append(std::int64_t time, double value);

  int Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  // Point i, 0 being the oldest kept.
  std::int64_t TimeAt(int i) const { return times_[Slot(i)]; }
  double ValueAt(int i) const { return values_[Slot(i)]; }

  // The first index in [from, Size()) whose time is at or after time (Size() if none). The
  // search starts at hint (if it lies in [from, Size())) and gallops from there, so a good
  // guess makes it a few steps.
  int LowerBound(std::int64_t time, int from = 0, int hint = -1) const;
  // A hint to the processor that point i is wanted soon (a paint asks one column ahead, so the
  // memory of the next column arrives while this one is reduced).
  void Prefetch(int i) const {
    if (i < 0 || i >= size_) return;
    const std::size_t s = Slot(i);
    __builtin_prefetch(&times_[s]);
    __builtin_prefetch(&values_[s]);
  }
  // Minimum and maximum of points [begin, end); begin < end required.
  Extremes Range(int begin, int end) const;

 private:
  std::size_t Slot(int i) const {
    int s = head_ + i;
    if (s >= capacity_) s -= capacity_;
    return static_cast<std::size_t>(s);
  }
  void Allocate();
  // Extremes of ring slots [begin, end), which must not wrap.
  void ScanSlots(int begin, int end, Extremes& e) const;

  int capacity_ = 0;
  int head_ = 0;  // slot of the oldest point
  int size_ = 0;
  std::vector<std::int64_t> times_;
  std::vector<double> values_;
  std::vector<Extremes> blocks_;  // one per kBlock slots
  std::vector<Extremes> groups_;  // one per kGroup slots
};

}  // namespace widgets
