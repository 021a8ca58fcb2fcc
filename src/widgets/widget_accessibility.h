#pragma once

namespace widgets {

// Registers the accessibility interfaces of this folder's painted widgets with Qt (once per
// process; every widget's constructor calls it). Without them a painted widget is an empty
// object to screen readers and test tools.
void InstallWidgetAccessibility();

}  // namespace widgets
