#pragma once

#include <QWidget>

#include "access/declarations.h"
#include "widgets/message_boxes.h"

class QTimer;

namespace display {

// The "Visual Display" tab: channel labels, strip chart, limits gauge, interrupt lamps, the
// analog output slider and EasySetup.
class VisualDisplayTab : public QWidget {
  Q_OBJECT

 public:
  VisualDisplayTab(devaccess::Declarations& d, widgets::MessageBoxes& boxes,
                   QWidget* parent = nullptr);

  // Entry steps up to the Voltage and +12V clicks (analog output, channel mode, labels); the
  // main window reads Configuration 1 for its start notice afterwards.
  void Enter();
  void StopTimer();  // stops visual_timer
  void EasySetup();  // the same routine as the "EasySetup" button

 private:
  devaccess::Declarations& d_;
  widgets::MessageBoxes& boxes_;
  QTimer* visual_timer_;
};

}  // namespace display
