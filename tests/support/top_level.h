#pragma once

#include <QApplication>
#include <QWidget>

namespace test_support {

// The open window with this objectName ("InitForm", "MainForm"), or nullptr.
inline QWidget* TopLevel(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String(name)) return w;
  }
  return nullptr;
}

}  // namespace test_support
