#include "exporter/connection_deadline.h"

#include <sys/socket.h>

namespace exporter {

ConnectionDeadline::ConnectionDeadline(unsigned seconds)
    : limit_(std::chrono::seconds(seconds)), thread_([this] { Watch(); }) {}

ConnectionDeadline::~ConnectionDeadline() {
  {
    const std::scoped_lock lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ConnectionDeadline::Add(Entry& entry, int fd) {
  const std::scoped_lock lock(mutex_);
  entry = {fd, Clock::now()};
  entries_.insert(&entry);
}

void ConnectionDeadline::Restart(Entry& entry) {
  const std::scoped_lock lock(mutex_);
  entry.since = Clock::now();
}

void ConnectionDeadline::Remove(Entry& entry) {
  const std::scoped_lock lock(mutex_);
  entries_.erase(&entry);
}

void ConnectionDeadline::Watch() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stopping_; })) {
    const Clock::time_point now = Clock::now();
    for (Entry* entry : entries_) {
      if (entry->fd >= 0 && now - entry->since > limit_) {
        ::shutdown(entry->fd, SHUT_RDWR);
        entry->since = Clock::time_point::max() - limit_;  // once is enough
      }
    }
  }
}

}  // namespace exporter
