#pragma once

namespace widgets {

// Registers the accessibility interfaces of this folder's widgets with Qt (once per process;
// every widget's constructor calls it). Without them a painted widget is an empty object to
// screen readers and test tools, and a clickable label offers no way to click it. A window built
// straight on QWidget is given the frame role too.
void InstallWidgetAccessibility();

}  // namespace widgets
