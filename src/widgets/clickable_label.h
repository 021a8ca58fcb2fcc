#pragma once

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
  void SetSelected(bool selected);  // tells screen readers when it changes
  bool Selected() const { return selected_; }

  // For a label that only ever shows a few short texts (a bit's 0 and 1) and changes them
  // often: it works out its size hints once per text and then reuses them, so a new text costs
  // no text layout to size it. Dropped when the font, style or margins change.
  void SetFewTexts(bool few) {
    few_texts_ = few;
    hints_.clear();
  }

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

  bool pressed_ = false;
  bool selectable_ = false;
  bool selected_ = false;
  bool few_texts_ = false;
  mutable std::vector<Hints> hints_;
};

}  // namespace widgets
