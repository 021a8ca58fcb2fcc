#include "channels/aout_slider.h"

#include <cstdint>

#include "access/link_new_com_port.h"
#include "boxes/handler_edge.h"
#include "chip/register_catalogue.h"

namespace channels {

AoutSlider::AoutSlider(devaccess::Declarations& d, QWidget* parent)
    : widgets::NotifyingSlider(Qt::Vertical, parent), d_(d) {
  setObjectName(QStringLiteral("aout_slider"));
  setToolTip(QStringLiteral("Analog Output Adjust"));
  setRange(0, 255);
  setSingleStep(1);
  setPageStep(16);
  setCursor(Qt::PointingHandCursor);
  connect(this, &NotifyingSlider::changed, this,
          boxes::AtEdge(std::bind_front(&AoutSlider::aout_slider_Change, this)));
  connect(this, &NotifyingSlider::moving, this,
          boxes::AtEdge(std::bind_front(&AoutSlider::aout_slider_Scroll, this)));
}

void AoutSlider::aout_slider_Change(int value) {
  if (!d_.OnPrinterPort()) WriteAnalogOutput(value);
}

void AoutSlider::aout_slider_Scroll(int value) {
  if (d_.OnPrinterPort()) WriteAnalogOutput(value);
}

// The slider's positions are whole counts, so its value is the register value as it stands.
void AoutSlider::WriteAnalogOutput(int value) {
  devaccess::WriteAt(d_, chip::reg::kAnalogOutput, value);
}

}  // namespace channels
