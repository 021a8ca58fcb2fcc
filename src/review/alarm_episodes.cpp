#include "review/alarm_episodes.h"

#include <algorithm>

#include "review/recording_model.h"

namespace review {

namespace {

constexpr std::int64_t kEpisodeGap = 60'000'000'000;  // a minute

}  // namespace

std::vector<AlarmEpisode> AlarmEpisodes(const RecordingModel& model) {
  std::vector<AlarmEpisode> spans;
  for (std::size_t s = 0; s < model.series().size(); ++s) {
    for (const RecordingModel::Span& span : model.Alarms(static_cast<int>(s)))
      spans.push_back({span.start, span.end, {model.series()[s].caption}});
  }
  for (const RecordingModel::OtherSpan& o : model.OtherAlarms())
    spans.push_back({o.span.start, o.span.end, {o.name}});
  std::stable_sort(spans.begin(), spans.end(),
                   [](const AlarmEpisode& x, const AlarmEpisode& y) { return x.start < y.start; });
  std::vector<AlarmEpisode> episodes;
  for (AlarmEpisode& span : spans) {
    if (!episodes.empty() && span.start <= episodes.back().end + kEpisodeGap) {
      AlarmEpisode& e = episodes.back();
      e.end = std::max(e.end, span.end);
      if (!e.names.contains(span.names.front())) e.names << span.names.front();
    } else {
      episodes.push_back(std::move(span));
    }
  }
  return episodes;
}

}  // namespace review
