#pragma once

#include <QString>
#include <functional>
#include <string>

#include "access/declarations.h"
#include "boxes/message_boxes.h"
#include "chip/snapshot.h"

class QWidget;

namespace capture {

class CaptureDialogs;

// What the menu features work with: the shared state (and through it the chip), the window they
// belong to, and the boxes and dialogs they ask through.
struct CaptureContext {
  devaccess::Declarations& d;
  boxes::MessageBoxes& boxes;
  CaptureDialogs* dialogs;
  QWidget* window;
  std::string version;  // the program's, written into every file
  // Tells the user what an action did and where ("Saved ... to FILE"), in the status bar.
  std::function<void(const QString&)> say = [](const QString&) {};
};

// Where the chip in use sits, as the files record it.
chip::ChipPlace PlaceOf(const devaccess::Declarations& d);

// A box for something that went wrong with a file; the program goes on.
void ReportFileProblem(CaptureContext& c, const QString& purpose, const QString& title,
                       const QString& text);

}  // namespace capture
