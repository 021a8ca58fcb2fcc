#pragma once

#include <QWidget>

#include "access/declarations.h"
#include "widgets/message_boxes.h"

class QTimer;

namespace editor {

// The "Read/Write" tab: the register list, the bit digits, value entry and continuous reading.
class ReadWriteTab : public QWidget {
  Q_OBJECT

 public:
  ReadWriteTab(devaccess::Declarations& d, widgets::MessageBoxes& boxes, QWidget* parent = nullptr);

  void Enter();      // the steps that run when the user switches to this tab
  void StopTimer();  // stops continuous reading (Timer3) without moving the switch

 private:
  devaccess::Declarations& d_;
  widgets::MessageBoxes& boxes_;
  QTimer* timer3_;
};

}  // namespace editor
