#pragma once

#include <QColor>

#include "widgets/two_state_widget.h"

namespace widgets {

// A two-state indicator lamp: dull green when off, bright red when on.
//
// The program sets it with SetValue (which announces nothing). A user's click flips what the
// lamp shows and emits clicked(); the flip lasts until the program sets the lamp again. It takes
// no keyboard focus: it shows state, it is not a control. Accessibility tools see a read-only
// check box whose checked state is the lamp's, with no action.
class StatusLamp : public TwoStateWidget {
  Q_OBJECT

 public:
  explicit StatusLamp(QWidget* parent = nullptr);

  static QColor OffColor() { return QColor(0x2E, 0x6B, 0x2E); }  // dull green
  static QColor OnColor() { return QColor(0xFF, 0x20, 0x20); }   // bright red

  // As tall as a line of text, so a column of lamps beside their labels is no taller than the
  // labels.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return QSize(12, 8); }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void UserClick() override;  // flips what the lamp shows, then clicked()
};

}  // namespace widgets
