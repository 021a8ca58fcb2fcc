#pragma once

// What the gauge's parts (drawing, geometry, input, notices) share: its measures, colours and the
// rows it is laid out in. For linear_gauge*.cpp alone.
#include <QColor>
#include <QString>

namespace widgets::gauge_parts {

// Geometry, top to bottom: caption, high value, high handle, track, low handle, low value. The
// scale's ends are written left and right of the track, beside it: the limits' values above and
// below the track never share a place with them, however close to an end a limit sits.
inline constexpr int kSideMargin = 14;  // a handle at the scale's end stays inside the widget
inline constexpr int kScaleGap = 4;     // between a scale end's number and the handle there
inline constexpr int kHandleHalf = 7;   // handle width 2 * kHandleHalf + 1
inline constexpr int kHandleHeight = 12;
inline constexpr int kTrackHeight = 18;
inline constexpr int kBandGrab = 4;  // pixels either side of a band end that grab it
inline constexpr int kGap = 1;

inline const QColor kLowColor(30, 90, 200);
inline const QColor kHighColor(200, 40, 40);
inline const QColor kBandColor(80, 190, 80);
inline const QColor kReadingColor(20, 20, 20);

// A display cycle changes the reading up to a thousand times a second, and every notice crosses
// the accessibility bus: tools hear of it ten times a second, the latest value always last.
inline constexpr int kToolNoticeMs = 100;

struct Rows {
  int caption_top, high_text_top, high_handle_top, track_top, low_handle_top, low_text_top, bottom;
};

inline Rows LayoutRows(int text_height) {
  Rows r{};
  r.caption_top = 2;
  r.high_text_top = r.caption_top + text_height + kGap;
  r.high_handle_top = r.high_text_top + text_height;
  r.track_top = r.high_handle_top + kHandleHeight;
  r.low_handle_top = r.track_top + kTrackHeight;
  r.low_text_top = r.low_handle_top + kHandleHeight;
  r.bottom = r.low_text_top + text_height + 2;
  return r;
}

inline QString ScaleText(double value) {
  return QString::number(value, 'g', 6);
}

// A limit's value as written beside its handle.
inline QString PointerText(double value, int decimals) {
  return QString::number(value, 'f', decimals);
}

}  // namespace widgets::gauge_parts
