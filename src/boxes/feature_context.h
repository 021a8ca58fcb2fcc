#pragma once

#include <QString>
#include <functional>
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
  // The file a recording is writing now, or "".
  std::function<QString()> recording_file = [] { return QString(); };
};

// "1 row", "2 rows".
QString CountOf(qulonglong n, const char* one, const char* many);

// Whether file may be written: not the one a recording is writing (a box says so), and, when
// ask_to_replace and it is there, only after a yes. The file dialogs ask for the file they
// return; this is for a file written beside it.
bool MayWrite(FeatureContext& c, const QString& file, const QString& title, bool ask_to_replace);

// A box for something that went wrong with a file; the program goes on.
void ReportFileProblem(FeatureContext& c, const QString& purpose, const QString& title,
                       const QString& text);

}  // namespace boxes
