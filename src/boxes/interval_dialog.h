#pragma once

#include <QDialog>

class QComboBox;
class QSpinBox;

namespace boxes {

// Asks how often a recording takes a row: a number and a unit, from 1 ms to 1 h, 1 s at first.
class IntervalDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMinMs = 1;
  static constexpr int kMaxMs = 3600 * 1000;

  explicit IntervalDialog(QWidget* parent = nullptr);

  // The interval chosen, clamped to kMinMs..kMaxMs.
  int IntervalMs() const;

 private:
  void UnitChanged();

  QSpinBox* value_;
  QComboBox* unit_;
};

}  // namespace boxes
