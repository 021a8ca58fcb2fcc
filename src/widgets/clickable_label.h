#pragma once

#include <QColor>
#include <QLabel>
#include <QSize>
#include <QString>
#include <vector>

namespace widgets {

// A label the user operates: a click, or Space or Return while it has the keyboard focus, emits
// clicked(); every mouse movement over it emits mouseMoved(). It shows the hand pointer, takes
// the focus by Tab, draws a focus frame, and offers a press action to accessibility tools. Its
// accessible name stays its text (after a spoken prefix, see SetSpokenPrefix in labels.h).
//
// A label that stands for one item of a list the user picks from is selectable: screen readers
// then see its selected state, which its owner keeps in step with what the label shows.
class ClickableLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

  void Click() { emit clicked(); }

  void SetSelectable(bool selectable) { selectable_ = selectable; }
  bool Selectable() const { return selectable_; }
  void SetSelected(bool selected);  // tells screen readers when it changes, and repaints
  bool Selected() const { return selected_; }

  // For a label that only ever shows a few short texts (a bit's 0 and 1) and changes them
  // often: it works out its size hints once per text and then reuses them, so a new text costs
  // no text layout to size it. Dropped when the font, style or margins change.
  void SetFewTexts(bool few) {
    few_texts_ = few;
    hints_.clear();
  }

  // For a label whose text colour is its state: whatever the colour, the text stays readable.
  // Where the colour reads poorly on what lies behind the label, a backdrop of black or white is
  // drawn behind the text; a chosen label shows a marker in front of its text, so the choice
  // shows without colour too: a selectable label while it is selected, any other while its colour
  // is one of chosen_colours. The label keeps room for both, so its size never changes with its
  // state.
  void SetReadableStates(std::vector<QRgb> chosen_colours);
  bool Marked() const;  // shows the marker of a chosen label now
  // The colour behind the text now: the backdrop where one is drawn, else the background.
  QRgb ColourBehindText() const;
  // Where the text is drawn, in the label's coordinates.
  QRect TextRect() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void clicked();
  void mouseMoved();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct Hints {
    QString text;
    QSize size;
    QSize minimum;
  };
  const Hints& HintsOfText() const;
  void KeepRoomForStates();
  QRgb Background() const;

  bool pressed_ = false;
  bool selectable_ = false;
  bool selected_ = false;
  bool few_texts_ = false;
  bool readable_states_ = false;
  std::vector<QRgb> chosen_colours_;
  mutable std::vector<Hints> hints_;
};

}  // namespace widgets
