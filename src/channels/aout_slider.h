#pragma once

#include "access/declarations.h"
#include "widgets/notifying_slider.h"

namespace channels {

// The vertical analog output slider: its position is the Analog Output register (0x19), 0..255.
// Each change the user makes reaches exactly one write with the medium in use: the SMBus writes
// when the handle is let go, the printer port on every step of the drag. Values put on it from
// the register (ShowRegisterValue) write nothing.
class AoutSlider : public widgets::NotifyingSlider {
  Q_OBJECT

 public:
  explicit AoutSlider(devaccess::Declarations& d, QWidget* parent = nullptr);

  void ShowRegisterValue(int value) { SetValue(value); }

  // The two value notifications: the first writes on the SMBus, the second on the printer port.
  void aout_slider_Change(int value);
  void aout_slider_Scroll(int value);

 private:
  void WriteAnalogOutput(int value);

  devaccess::Declarations& d_;
};

}  // namespace channels
