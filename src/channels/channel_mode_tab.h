#pragma once

#include <QWidget>
#include <array>

#include "access/declarations.h"
#include "boxes/message_boxes.h"

class QLabel;
class QTimer;

namespace widgets {
class ToggleSwitch;
}

namespace channels {

// The "Channel Mode/VID " tab: five switches for the chip's dual-purpose inputs, each writing the
// chip at once, and the five VID bits, re-read every 50 ms while the tab is shown. The switches
// mirror Channel Mode as read on entry and as changed since; the tab keeps no other state.
class ChannelModeTab : public QWidget {
  Q_OBJECT

 public:
  ChannelModeTab(devaccess::Declarations& d, boxes::MessageBoxes& boxes, QWidget* parent = nullptr);

  void Enter();      // reads Channel Mode, sets the toggles, starts vid_channel_mode (50 ms)
  void StopTimer();  // stops vid_channel_mode
  // Sets the switches from Channel Mode as the chip holds it now, writing nothing: for a register
  // written behind the tab's back while it is in front.
  void ShowChipNow();

 private:
  void BuildLayout();

  // Switch handlers: each write is preceded by its own fresh read of the register.
  void fan1_ain1_toggle_Click();
  void fan2_ain2_toggle_Click();
  void Vcc_33_5_toggle_Click();
  void d2_toggle_Click(widgets::ToggleSwitch* switched, widgets::ToggleSwitch* partner);
  void show_channel_mode_and_vid();

  devaccess::Declarations& d_;
  boxes::MessageBoxes& boxes_;
  widgets::ToggleSwitch* fan1_ain1_toggle_ = nullptr;
  widgets::ToggleSwitch* fan2_ain2_toggle_ = nullptr;  // element 1 of its array
  widgets::ToggleSwitch* d2p_25V_toggle_ = nullptr;
  widgets::ToggleSwitch* d2n_vccp2_toggle_ = nullptr;  // element 0 of its array
  widgets::ToggleSwitch* Vcc_33_5_toggle_ = nullptr;
  std::array<QLabel*, 5> vid_bit_{};  // vid_bit_0 .. vid_bit_4
  QTimer* vid_channel_mode_;
};

}  // namespace channels
