#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace exporter {

// Ends a connection whose request is not answered within its deadline, counted from the moment
// the connection was free to send it (its start, or the end of the answer before). The HTTP
// library's own bound is on idle time, which a client that trickles a byte now and then never
// reaches. Ending is a shutdown of the socket: the library sees the connection close and cleans
// up as it always does.
class ConnectionDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  struct Entry {
    int fd = -1;
    Clock::time_point since;
  };

  explicit ConnectionDeadline(unsigned seconds);
  ~ConnectionDeadline();
  ConnectionDeadline(const ConnectionDeadline&) = delete;
  ConnectionDeadline& operator=(const ConnectionDeadline&) = delete;

  // Add before the library may close fd, Remove before it does: fd is shut down only between.
  void Add(Entry& entry, int fd);
  void Restart(Entry& entry);
  void Remove(Entry& entry);

 private:
  void Watch();

  const Clock::duration limit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::set<Entry*> entries_;
  std::thread thread_;
};

}  // namespace exporter
