#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/series_store.h"
#include "chart/time_axis.h"
#include "chip/recording_reader.h"

namespace review {

// A recording as the review window shows it: every channel's values in one series store (series
// by channel caption, in the order they first appear), the limits as they held over time, the
// alarm spans, and what the header says. It is filled by a RecordingReader, in file order.
class RecordingModel : public chip::RecordingSink {
 public:
  static constexpr int kMaxSeries = 16;

  struct Series {
    QString caption;  // "+12V"
    QString unit;     // "V", "°C", "RPM"
    QColor color;     // ColourOf the caption
  };
  // Limits from a time on, until the next step.
  struct LimitStep {
    std::int64_t from = 0;
    std::optional<double> low;
    std::optional<double> high;
  };
  // Rows whose alarms named the series: from the row before the first (the bits latched since
  // then) to the last.
  struct Span {
    std::int64_t start = 0;
    std::int64_t end = 0;
  };
  // An alarm that belongs to no channel ("Chassis", "THERM", "D1 Fault", "D2 Fault").
  struct OtherSpan {
    QString name;
    Span span;
  };

  RecordingModel();

  const chart::SeriesStore& store() const { return store_; }
  const std::vector<Series>& series() const { return series_; }
  // The series of a caption, or -1.
  int SeriesOf(const QString& caption) const;
  const std::vector<LimitStep>& Limits(int series) const;
  const std::vector<Span>& Alarms(int series) const;
  const std::vector<OtherSpan>& OtherAlarms() const { return other_alarms_; }
  // Every alarm span's start, in time order, for stepping from one alarm to the next.
  std::vector<std::int64_t> AlarmStarts() const;
  // The zone of the first row.
  int UtcOffsetSeconds() const { return utc_offset_; }
  // The store's times follow the rows' `seconds` from the first row's time on; these steps give
  // each row's own clock time and zone back.
  const std::vector<chart::ClockStep>& Clock() const { return clock_; }
  // "medium: SMBus", "chip address: 0x2D", ... in file order.
  const QStringList& Notes() const { return notes_; }
  bool HasLimits() const { return has_limits_; }
  bool HasAlarmColumn() const { return has_alarm_column_; }

  // The channel's colour: distinct from every other channel's.
  static QColor ColourOf(const QString& caption);

  void Note(std::uint64_t line, std::string_view key, std::string_view value) override;
  void Columns(std::span<const chip::RecordedColumn> columns, bool has_alarms) override;
  void Limits(std::span<const chip::RecordedLimits> limits) override;
  void Row(const chip::RecordedRow& row) override;
  void Gap(std::uint64_t line, const chip::RecordedGap& gap) override;

 private:
  int SeriesFor(std::string_view caption);
  void Alarm(int series, const QString& name, std::int64_t previous, std::int64_t now,
             std::uint64_t row);
  void AlarmsFromStatus(int status1, int status2, std::int64_t previous, std::int64_t now,
                        std::uint64_t row);

  chart::SeriesStore store_{kMaxSeries};
  std::vector<Series> series_;
  std::vector<int> column_series_;  // the current columns' series
  std::vector<bool> in_columns_;    // by series
  std::vector<int> gone_;           // series that left the columns: they break at the next row
  std::vector<std::vector<LimitStep>> limits_;
  std::vector<chip::RecordedLimits> pending_limits_;
  bool limits_pending_ = false;
  bool has_limits_ = false;
  bool has_alarm_column_ = false;
  std::vector<std::vector<Span>> alarms_;
  std::vector<std::uint64_t> alarm_last_row_;  // by series: the row that last extended its span
  std::vector<OtherSpan> other_alarms_;
  std::vector<std::pair<QString, std::uint64_t>> other_last_row_;
  QStringList notes_;
  int utc_offset_ = 0;
  std::uint64_t rows_ = 0;
  std::int64_t last_row_time_ = 0;  // on the store's axis
  std::int64_t base_ = 0;           // the axis time where `seconds` is 0
  std::vector<chart::ClockStep> clock_;
  double last_seconds_ = 0.0;
  double interval_ = 0.0;    // the sampling interval as the rows show it
  bool gap_marked_ = false;  // the file's own gap line has broken the traces already
};

}  // namespace review
