#include "capture/capture_context.h"

namespace capture {

chip::ChipPlace PlaceOf(const devaccess::Declarations& d) {
  // The wizard's form of the address: the printer port takes the 8-bit one on the wire.
  if (d.comms_medium == 1) return {"printer port", d.device_address / 2, d.pp_base_address};
  return {"SMBus", d.device_address, std::nullopt, d.adapter};
}

void ReportFileProblem(CaptureContext& c, const QString& purpose, const QString& title,
                       const QString& text) {
  c.boxes.Show(c.window, purpose, title, text, boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
}

}  // namespace capture
