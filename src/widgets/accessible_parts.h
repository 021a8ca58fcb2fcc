#pragma once

// What the accessible interfaces of widget_accessibility.cpp and gauge_accessibility.cpp share.
#include <QString>

class QAccessibleInterface;
class QWidget;

namespace widgets {

class LinearGauge;

// A widget's own name; a painted control without one falls back to its tool tip, so a tool
// has something to read.
QString NameOrToolTip(const QWidget* w);

// The gauge as tools see it: four parts, "reading", "low limit", "high limit" and "caption".
QAccessibleInterface* MakeGaugeAccessible(LinearGauge* gauge);

}  // namespace widgets
