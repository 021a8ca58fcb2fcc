#pragma once

#include <QWidget>

#include "access/declarations.h"
#include "widgets/message_boxes.h"

class QTimer;

namespace channels {

// The "Channel Mode/VID " tab: the input-mode toggles and the VID bits.
class ChannelModeTab : public QWidget {
  Q_OBJECT

 public:
  ChannelModeTab(devaccess::Declarations& d, widgets::MessageBoxes& boxes,
                 QWidget* parent = nullptr);

  void Enter();      // reads Channel Mode, sets the toggles, starts vid_channel_mode (50 ms)
  void StopTimer();  // stops vid_channel_mode

 private:
  devaccess::Declarations& d_;
  widgets::MessageBoxes& boxes_;
  QTimer* vid_channel_mode_;
};

}  // namespace channels
