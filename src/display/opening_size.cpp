#include "display/opening_size.h"

#include <QScreen>
#include <QWidget>

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
  window.resize(OpeningSize(window.sizeHint(),
                            window.minimumSizeHint().expandedTo(window.minimumSize()),
                            screen->availableGeometry().size()));
}

}  // namespace display
