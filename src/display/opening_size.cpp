#include "display/opening_size.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace display {

namespace {

// Room for the title bar and borders a window manager adds around the window.
constexpr QSize kFrame(16, 48);

}  // namespace

QSize OpeningSize(QSize wanted, QSize minimum, QSize screen) {
  return wanted.boundedTo(screen - kFrame).expandedTo(minimum);
}

void OpenAtContentSize(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect free = screen->availableGeometry();
  window.resize(OpeningSize(
      window.sizeHint(), window.minimumSizeHint().expandedTo(window.minimumSize()), free.size()));
  // Placed here, not by the window system: a window made before its size was known (the help
  // asks for its id while it loads) would be centred at its first, smaller size and then grow
  // down off a laptop's screen.
  const QSize outer = window.size() + kFrame;
  window.move(free.left() + std::max(0, (free.width() - outer.width()) / 2),
              free.top() + std::max(0, (free.height() - outer.height()) / 2));
}

}  // namespace display
