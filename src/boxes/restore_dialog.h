#pragma once

#include <QDialog>
#include <vector>

#include "chip/restore_plan.h"

class QTableWidget;

namespace boxes {

// The registers a restore would change, one row each (caption, address, now, saved) with a tick
// box, all ticked; OK writes the ticked ones.
class RestoreDialog : public QDialog {
  Q_OBJECT

 public:
  RestoreDialog(const std::vector<chip::RestoreStep>& steps, const QString& note,
                QWidget* parent = nullptr);

  std::vector<bool> Ticked() const;

 private:
  QTableWidget* table_;
};

}  // namespace boxes
