#include "chart/time_axis.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <algorithm>
#include <array>
#include <iterator>

namespace chart {

namespace {

constexpr std::int64_t kMs = 1'000'000;
constexpr std::int64_t kSecond = 1000 * kMs;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

constexpr std::array<std::int64_t, 30> kSteps = {
    kMs,          2 * kMs,      5 * kMs,      10 * kMs, 20 * kMs,    50 * kMs,
    100 * kMs,    200 * kMs,    500 * kMs,    kSecond,  2 * kSecond, 5 * kSecond,
    10 * kSecond, 15 * kSecond, 30 * kSecond, kMinute,  2 * kMinute, 5 * kMinute,
    10 * kMinute, 15 * kMinute, 30 * kMinute, kHour,    2 * kHour,   3 * kHour,
    6 * kHour,    12 * kHour,   kDay,         2 * kDay, 7 * kDay,    14 * kDay};

// Rounds down to a multiple of step, also below zero.
std::int64_t FloorTo(std::int64_t value, std::int64_t step) {
  const std::int64_t q = value / step;
  return (q * step > value ? q - 1 : q) * step;
}

QDateTime ClockTime(const TimeAxis& axis, std::int64_t time) {
  const ClockStep step = ClockAt(axis, time);
  return QDateTime::fromMSecsSinceEpoch(FloorTo(time + step.shift, kMs) / kMs,
                                        QTimeZone(step.utc_offset_seconds));
}

// Where the clock shows local time: the shift from the axis to the local clock at time.
std::int64_t LocalShift(const TimeAxis& axis, std::int64_t time) {
  const ClockStep step = ClockAt(axis, time);
  return step.shift + std::int64_t{step.utc_offset_seconds} * kSecond;
}

// Decimals of a second that a step needs: 0 for whole seconds, up to 3.
int DecimalsFor(std::int64_t step) {
  if (step % kSecond == 0) return 0;
  if (step % (100 * kMs) == 0) return 1;
  if (step % (10 * kMs) == 0) return 2;
  return 3;
}

QString ElapsedText(std::int64_t elapsed, int decimals) {
  QString sign;
  if (elapsed < 0) {
    sign = QStringLiteral("-");
    elapsed = -elapsed;
  }
  const std::int64_t days = elapsed / kDay;
  const std::int64_t hours = elapsed % kDay / kHour;
  const std::int64_t minutes = elapsed % kHour / kMinute;
  const std::int64_t seconds = elapsed % kMinute / kSecond;
  QString text = QStringLiteral("%1:%2:%3")
                     .arg(hours)
                     .arg(minutes, 2, 10, QLatin1Char('0'))
                     .arg(seconds, 2, 10, QLatin1Char('0'));
  if (decimals > 0) {
    const std::int64_t ms = elapsed % kSecond / kMs;
    text += QLatin1Char('.') + QStringLiteral("%1").arg(ms, 3, 10, QLatin1Char('0')).left(decimals);
  }
  if (days > 0) text = QStringLiteral("%1d ").arg(days) + text;
  return sign + text;
}

QString ClockLabel(const TimeAxis& axis, std::int64_t time, std::int64_t step, bool with_date) {
  const QDateTime t = ClockTime(axis, time);
  const QLocale c = QLocale::c();
  if (step >= kDay) return c.toString(t, QStringLiteral("MMM d"));
  QString format = step >= kMinute ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss");
  QString label = c.toString(t, format);
  if (const int decimals = DecimalsFor(step); decimals > 0) {
    label += QLatin1Char('.') +
             QStringLiteral("%1").arg(t.time().msec(), 3, 10, QLatin1Char('0')).left(decimals);
  }
  return with_date ? c.toString(t, QStringLiteral("MMM d ")) + label : label;
}

}  // namespace

ClockStep ClockAt(const TimeAxis& axis, std::int64_t time) {
  if (axis.clock == nullptr || axis.clock->empty()) return {0, 0, axis.utc_offset_seconds};
  const auto after =
      std::upper_bound(axis.clock->begin(), axis.clock->end(), time,
                       [](std::int64_t t, const ClockStep& step) { return t < step.from; });
  return after == axis.clock->begin() ? axis.clock->front() : *std::prev(after);
}

std::vector<TimeTick> TimeTicks(const TimeAxis& axis, std::int64_t start, std::int64_t end,
                                int wanted) {
  std::vector<TimeTick> ticks;
  if (end <= start || wanted < 1) return ticks;
  const std::int64_t span = end - start;
  std::int64_t step = kSteps.back();
  for (const std::int64_t s : kSteps) {
    if (span / s <= wanted) {
      step = s;
      break;
    }
  }
  while (span / step > wanted) step *= 2;  // beyond two weeks a tick: keep doubling
  // Round times of the clock are round in its own zone; elapsed time counts from its origin.
  std::int64_t shift = 0;
  if (axis.style == TimeAxis::Style::Clock) shift = LocalShift(axis, start);
  if (axis.style == TimeAxis::Style::Elapsed) shift = -axis.origin;
  bool with_date = false;
  if (axis.style == TimeAxis::Style::Clock) {
    with_date = FloorTo(start + shift, kDay) != FloorTo(end + LocalShift(axis, end), kDay);
  }
  for (std::int64_t t = FloorTo(start + shift, step) - shift; t <= end; t += step) {
    if (t < start) continue;
    QString label;
    switch (axis.style) {
      case TimeAxis::Style::Clock:
        label = ClockLabel(axis, t, step, with_date);
        break;
      case TimeAxis::Style::Elapsed:
        label = ElapsedText(t - axis.origin, DecimalsFor(step));
        break;
      case TimeAxis::Style::BeforeNewest:
        label = QStringLiteral("%1 s").arg(static_cast<double>(t - end) / kSecond);
        break;
    }
    ticks.push_back({t, label});
  }
  return ticks;
}

QString FullTime(const TimeAxis& axis, std::int64_t time) {
  if (axis.style == TimeAxis::Style::Elapsed) return ElapsedText(time - axis.origin, 3);
  return QLocale::c().toString(ClockTime(axis, time), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

QString SpanText(std::int64_t ns) {
  const double v = static_cast<double>(ns);
  if (ns < kSecond) return QStringLiteral("%1 ms").arg(v / kMs, 0, 'g', 3);
  if (ns < kMinute) return QStringLiteral("%1 s").arg(v / kSecond, 0, 'g', 3);
  if (ns < kHour) {
    return QStringLiteral("%1 min %2 s").arg(ns / kMinute).arg(ns % kMinute / kSecond);
  }
  if (ns < kDay) return QStringLiteral("%1 h %2 min").arg(ns / kHour).arg(ns % kHour / kMinute);
  return QStringLiteral("%1 d %2 h").arg(ns / kDay).arg(ns % kDay / kHour);
}

}  // namespace chart
