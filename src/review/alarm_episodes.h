#pragma once

#include <QStringList>
#include <cstdint>
#include <vector>

namespace review {

class RecordingModel;

// An alarm as a user steps through them: from its first row to its last, naming its channels.
struct AlarmEpisode {
  std::int64_t start = 0;
  std::int64_t end = 0;
  QStringList names;
};

// The recording's alarms in time order, as episodes: spans less than a minute apart are one (an
// alarm that comes and goes for a while is one event, not a fragment per row), and so are those
// of several channels that overlap.
std::vector<AlarmEpisode> AlarmEpisodes(const RecordingModel& model);

}  // namespace review
