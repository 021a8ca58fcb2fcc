#pragma once

#include "display/visual_display_view.h"

// The interrupt status lamps SSPanel11 beside the channel labels, and the chassis intrusion latch.
namespace display {

// After INT Status 1 (0x41) has been read into value_read: the lamps of its channels follow their
// bits, whatever a user's click made them show.
void show_int_status_1(VisualContext& c);
// After INT Status 2 (0x42) has been read: +12V and +Vccp2 follow bits 0 and 1; the intrusion
// lamp follows bit 4 of INT Status Mirror 2 (0x4D), which this reads.
void show_int_status_2(VisualContext& c);
// The "Intrusion" label: clears the latch (0x80 to Chassis Clear). The lamp shows it next tick.
void Intrusion_Click(VisualContext& c);

}  // namespace display
