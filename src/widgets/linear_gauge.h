#pragma once

#include <QFont>
#include <QRect>
#include <QStaticText>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "widgets/backdrop_copy.h"

class QTimer;

namespace widgets {

// A horizontal linear gauge with a reading, a caption and four slots:
//   slot 0, slot 1  bands, each with a start and an end on the scale (drawn on the upper and
//                   the lower half of the track); an end of a draggable band can be dragged;
//   slot 2          the low pointer (a handle under the track);
//   slot 3          the high pointer (a handle over the track).
// The reading is drawn as a bar from the scale minimum; the caption is text over the gauge.
//
// Values set from code are never announced. What the user does is announced:
//   pointerMoved(slot, value)  for every change while a pointer or band end is dragged;
//   valueChanged(slot, value)  once when it is let go (only if pointerMoved came in that drag);
//   mouseMoved()               for every mouse move over the gauge.
// Before each of the first two the gauge makes the slot the current pointer, so a handler can
// read CurrentPointer() to learn what moved. valueChanged carries the slot's value as it stands
// after the pointerMoved handlers ran (they may have moved it again).
//
// Keyboard: the gauge takes focus; Tab and Shift+Tab first step between the low and the high
// pointer (of those visible and draggable) and then leave the gauge. Right/Up move the selected
// pointer one step up, Left/Down one step down, Page Up/Page Down sixteen steps, Home/End to the
// scale ends. A key stepper, when set, decides where a step goes. Each key press that changes the
// value is a drag and a release: one pointerMoved, then one valueChanged. Accessibility tools
// setting "low limit" or "high limit" do the same.
//
// Values dragged or stepped are rounded to the slot's step (10^-decimals unless SetStep gave
// one) and kept within the scale. Values set from code are kept within the scale only; the
// reading is kept as given (a reading beyond the scale is drawn at the scale's end).
//
// Accessible children, in this order: "reading" (slider, value = reading, read only),
// "low limit" (slot 2) and "high limit" (slot 3) (sliders whose value is the pointer's, settable;
// their extents are the handles), "caption" (static text named by the caption). A slot out of
// sight is not showing.
class LinearGauge : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSlotCount = 4;
  static constexpr int kBand0 = 0;
  static constexpr int kBand1 = 1;
  static constexpr int kLowPointer = 2;
  static constexpr int kHighPointer = 3;

  explicit LinearGauge(QWidget* parent = nullptr);

  // --- The slot that the user moved last, or that a caller chose; any int is kept. ---
  void SetCurrentPointer(int slot) { current_ = slot; }
  int CurrentPointer() const { return current_; }

  // --- Per slot (slots outside 0..3 are ignored by setters; getters give 0/false) ---
  // Pointer value (slots 2 and 3; slots 0 and 1 keep one too, unused by the drawing).
  void SetPointerValue(int slot, double value);
  double PointerValue(int slot) const;
  // Band ends (slots 0 and 1).
  void SetBandStart(int slot, double value);
  void SetBandEnd(int slot, double value);
  double BandStart(int slot) const;
  double BandEnd(int slot) const;
  // Decimals of the value shown beside a pointer; also sets the step to 10^-decimals unless
  // SetStep gave one. 0 .. 6.
  void SetDecimals(int slot, int decimals);
  int Decimals(int slot) const;
  // Step of a drag or a key press; 0 returns to 10^-decimals.
  void SetStep(int slot, double step);
  double Step(int slot) const;
  // Whether the user may grab the slot (mouse, keyboard, accessibility tools).
  void SetDraggable(int slot, bool draggable);
  bool Draggable(int slot) const;
  // A slot out of sight is not drawn and cannot be grabbed.
  void SetSlotVisible(int slot, bool visible);
  bool SlotVisible(int slot) const;

  // --- Scale (values and band ends are kept within it) ---
  void SetScaleMin(double value);
  void SetScaleMax(double value);
  double ScaleMin() const { return scale_min_; }
  double ScaleMax() const { return scale_max_; }

  // --- Reading and caption ---
  void SetReading(double value);
  double Reading() const { return reading_; }
  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }

  // The pointer the keyboard moves (kLowPointer or kHighPointer).
  int SelectedPointer() const { return selected_; }
  void SetSelectedPointer(int slot);

  // --- Geometry, for tests and accessibility ---
  // The handle of pointer slot 2 or 3 (empty for other slots and slots out of sight).
  QRect HandleRect(int slot) const;
  // x of a scale value along the track, and the value at an x.
  int PositionOf(double value) const;
  double ValueAt(double x) const;
  // The track the bands and the reading are drawn on.
  QRect TrackRect() const;
  // Every text the gauge draws now with where it goes: the caption, the limits' values and the
  // scale's ends.
  std::vector<std::pair<QString, QRect>> Texts() const;

  // A user's change of a pointer: the value is rounded to the slot's step and kept within the
  // scale, then announced as a drag and a release (pointerMoved, valueChanged), if it changed.
  // What the keyboard and accessibility tools use. Returns false for slots the user may not move.
  bool UserSetPointer(int slot, double value);

  // Where the keyboard takes a pointer, for a caller whose values end up coarser than the decimals
  // shown (a register): given the slot, its value and a number of steps (negative: down the
  // scale), the value to go to, kept within the scale but not rounded. Without one a key press
  // moves by Step(slot).
  using KeyStepper = std::function<double(int slot, double value, int steps)>;
  void SetKeyStepper(KeyStepper stepper) { key_stepper_ = std::move(stepper); }
  static constexpr int kPageSteps = 16;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void pointerMoved(int slot, double value);
  void valueChanged(int slot, double value);
  void mouseMoved();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  struct Slot {
    double value = 0.0;
    double band_start = 0.0;
    double band_end = 0.0;
    int decimals = 0;
    double step = 0.0;  // 0: 10^-decimals
    bool draggable = true;
    bool visible = true;
  };
  enum class Grab { None, Pointer, BandStart, BandEnd };

  static bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
  double Clamp(double value) const;
  void KeepSlotsOnScale();  // after a change of the scale: every value back within it
  double RoundToStep(int slot, double value) const;
  bool Operable(int slot) const;
  // Band slot and which end lies under p, for a drag.
  bool HitBand(const QPoint& p, int& slot, Grab& grab) const;
  void MoveGrabbed(double value);
  void AnnounceUserValue(int slot, double value);  // a drag and a release to an exact value
  void NotifyAccessibleValue(int slot);
  // The reading and caption as accessibility tools hear of them: at most kToolNoticeMs apart.
  void NoticeReadingChange(bool caption);
  void SendReadingNotices();
  QRect BandRect(int slot) const;
  QRect CaptionRect() const;
  QRect ScaleTextRect(bool high_end) const;
  QRect PointerTextRect(int slot) const;
  void KeepRoomForScale();  // after a change of the scale or the font
  // The reading and the caption change on every display tick. Each marks only its own strip of
  // the gauge, and only once until the next paint: the window behind the gauge repaints that
  // little, and a tick spends nothing marking a strip that is marked already.
  void MarkStrip(bool& marked, QRect (LinearGauge::*strip)() const);
  // The caption laid out for drawing. A reading's caption comes back to a handful of texts
  // while the reading wanders by a step or two, so the last few are kept laid out: laying a
  // text out again cost more than drawing it.
  const QStaticText& CaptionText();

  BackdropCopy backdrop_;
  std::array<Slot, kSlotCount> slots_{};
  int current_ = 0;
  int selected_ = kLowPointer;
  double scale_min_ = 0.0;
  double scale_max_ = 100.0;
  int scale_room_left_ = 0;  // beside the track, for the scale's ends
  int scale_room_right_ = 0;
  double reading_ = 0.0;
  QString caption_;
  QTimer* notice_timer_ = nullptr;  // made at the first change a tool hears of
  bool reading_noticed_ = false;    // a change waits for the timer
  bool caption_noticed_ = false;
  bool reading_marked_ = false;  // the track waits for a paint
  bool caption_marked_ = false;  // the caption waits for a paint
  static constexpr std::size_t kKeptCaptions = 8;
  std::array<QStaticText, kKeptCaptions> kept_captions_;  // by text; empty ones unused
  std::size_t next_kept_caption_ = 0;                     // the one replaced next
  QFont kept_captions_font_;
  KeyStepper key_stepper_;

  // The drag in progress.
  int grab_slot_ = -1;
  Grab grab_ = Grab::None;
  double grab_offset_ = 0.0;  // pixels between the press and the grabbed position
  int grab_last_x_ = 0;       // the mouse moves the grabbed value only when it moves sideways
  bool grab_moved_ = false;
};

}  // namespace widgets
