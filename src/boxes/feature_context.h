#pragma once

#include <QString>
#include <functional>
#include <string>

#include <string>
#include "access/declarations.h"
#include "boxes/message_boxes.h"

class QWidget;

namespace boxes {

class FeatureDialogs;

// What the menu features work with: the shared state (and through it the chip), the window they
// belong to, and the boxes and dialogs they ask through.
struct FeatureContext {
  devaccess::Declarations& d;
  boxes::MessageBoxes& boxes;
  FeatureDialogs* dialogs;
  QWidget* window;
  std::string version;  // the program's, written into every file
  // Tells the user what an action did and where ("Saved ... to FILE"), in the status bar.
  std::function<void(const QString&)> say = [](const QString&) {};
};

// "1 row", "2 rows".
QString CountOf(qulonglong n, const char* one, const char* many);

// A box for something that went wrong with a file; the program goes on.
void ReportFileProblem(FeatureContext& c, const QString& purpose, const QString& title,
                       const QString& text);

}  // namespace boxes
