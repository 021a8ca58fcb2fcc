#pragma once

#include <QColor>

#include "widgets/labels.h"

namespace editor {

// The four colours a register label takes; the colour is the label's selection state.
inline constexpr QRgb kLabelNormal = qRgb(0, 0, 0);             // black
inline constexpr QRgb kLabelHover = qRgb(0, 255, 0);            // bright green, under the mouse
inline constexpr QRgb kLabelSelected = qRgb(0, 128, 0);         // dark green
inline constexpr QRgb kLabelSelectedHover = qRgb(255, 255, 0);  // yellow

using widgets::LabelColour;
using widgets::SetLabelBold;
using widgets::SetLabelColour;

}  // namespace editor
