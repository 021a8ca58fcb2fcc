#pragma once

#include <QLabel>

namespace widgets {

// A label for a short name in a narrow column (a bit's name over its digit): it keeps room for
// two lines, wraps between words, and where a word is still wider than the column, or the text
// needs more than two lines, it takes a smaller font (down to two thirds of its own) rather than
// cut letters off. Its height never changes with its text, so nothing below it moves when the
// names change.
class FittingLabel : public QLabel {
  Q_OBJECT

 public:
  explicit FittingLabel(const QString& text, QWidget* parent = nullptr);

  // Shows text in the largest font that fits.
  void SetFittedText(const QString& text);
  // Never narrower than the widest word of these texts needs in the smallest font, so that any
  // of them fits once it has shrunk.
  void KeepRoomFor(const QStringList& texts);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  int heightForWidth(int width) const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Fit();
  // The widest word of its texts in its own font times scale.
  double WidestWord(double scale) const;

  double full_point_size_;
  QStringList room_for_;
  bool fitting_ = false;
};

}  // namespace widgets
