#pragma once

#include "display/limit_key_steps.h"
#include "display/visual_display_view.h"

// The limits gauge: set-up per channel, what happens while and after the user drags a pointer,
// the gap rule that keeps the low limit below the high one, and the limit writes.
namespace display {

// Configures limits_gauge for a channel label (style, decimals, scale) and loads its pointers
// from the chip. An index without a gauge channel leaves everything as it was.
void set_up_gauge(VisualContext& c, int channel_index);

// The gauge's notifications. The printer-port medium writes the limits on every pointer move;
// the SMBus writes them when a value has changed (once the pointer is let go).
void limits_gauge_PointerMoved(VisualContext& c);
void limits_gauge_ValueChanged(VisualContext& c);

void printer_port_bargraph_move(VisualContext& c);  // bookkeeping, then the writes
void SMBus_bargraph_move(VisualContext& c);         // bookkeeping only

// The gap rule for the low pointer (slot 2) and the high pointer (slot 3); each leaves both bands
// agreeing with the pointer it kept.
void low_limit_pointer_moved(VisualContext& c);
void high_limit_pointer_moved(VisualContext& c);

// Converts the pointers of the channel on the gauge to register values and writes them, low
// before high (the fan's single limit alone in fan mode). Nothing before a channel is set up.
void write_gauge_limits(VisualContext& c);

// The gauge's key stepper: `steps` register steps of the channel on the gauge from `value`.
double limits_gauge_KeyStep(VisualContext& c, LimitKeySteps& key_steps, int slot, double value,
                            int steps);

}  // namespace display
