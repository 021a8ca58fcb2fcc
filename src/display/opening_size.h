#pragma once

#include <QSize>

class QWidget;

namespace display {

// The size a window opens at: all its content asks for when the screen has room, else as much of
// the screen as the window frame leaves, never below the window's minimum (its pages scroll).
QSize OpeningSize(QSize wanted, QSize minimum, QSize screen);

// Sizes a window that has not been shown yet by OpeningSize on its screen, and centres it on the
// screen's free area. Without this Qt caps a new window at two thirds of the screen, so on a
// desktop screen the pages would scroll for no reason.
void OpenAtContentSize(QWidget& window);

}  // namespace display
