#pragma once

#include <QColor>

#include "display/visual_display_view.h"
#include "widgets/labels.h"

class QLabel;

// The visualdisplaytext labels: three group headings (0..2) choose the strip chart's group, the
// channel labels (3..12, 14) the gauge's channel. A label's text colour is its state: normal,
// under the mouse, chosen, or chosen and under the mouse.
namespace display {

// The normal colour is the system's application workspace colour, the background of a
// multiple-document area.
QRgb NormalLabelColour();
inline constexpr QRgb kLabelHover = qRgb(0, 255, 0);          // bright green
inline constexpr QRgb kLabelChosen = qRgb(0, 128, 0);         // dark green
inline constexpr QRgb kLabelChosenHover = qRgb(255, 255, 0);  // yellow

using widgets::LabelColour;
using widgets::SetLabelColour;

// The label with that index, or nullptr for 13 and anything outside 0..14.
QLabel* VisualLabel(const VisualDisplayView& v, int index);

void visualdisplaytext_MouseMove(VisualContext& c, int index);
// Chooses the label within its group, sets up the chart or the gauge for it and starts the
// display cycle at once.
void visualdisplaytext_Click(VisualContext& c, int index);
// The mouse left the labels for their panel: the label last under it goes back to its state.
void move_mouse_away(VisualContext& c);

// Mirrors the Channel Mode register into the mode flags, the captions of labels 3 and 4 and
// which rows show (entering the tab).
void ShowChannelMode(VisualContext& c, int channel_mode);

}  // namespace display
