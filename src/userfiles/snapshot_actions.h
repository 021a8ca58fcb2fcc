#pragma once

#include "boxes/feature_context.h"

namespace userfiles {

// "Save Register Snapshot…": asks for a file, reads all 50 catalogue registers in address order
// through ReadRegister and writes them as JSON. A bus failure goes on to the error report like
// any other transfer of the main window; a file that cannot be written gets a box. A saved file
// is reported through c.say.
void SaveSnapshot(boxes::FeatureContext& c);

// "Restore Register Snapshot…": asks for a file, refuses one that is not a snapshot (nothing is
// written), reads the chip's writable registers, and shows those that differ with a tick box
// each; OK reads the chip again and writes the ticked ones as chip::ApplyRestore does, each read
// back, and reports through c.say how many were written. A stop part way says whether the chip
// is converting. True when anything was written.
bool RestoreSnapshot(boxes::FeatureContext& c);

}  // namespace userfiles
