#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <exception>

class QFrame;
class QLabel;
class QWidget;

// What the wizard's pages share: their design size, colours and how their parts are made.
namespace wizard::page_parts {

// A page's design, in twips.
inline const QSize kPanelDesign(4575, 2828);

// Medium descriptions are dark green; one that reports an unsupported medium turns dark red.
inline const QColor kDescriptionColour(0, 128, 0);
inline const QColor kUnsupportedColour(192, 0, 0);

void SetTextColour(QLabel* label, const QColor& colour);
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = QString());
void MakePanel(QFrame* panel, const char* name);

// Runs one step of a sequence whose failing steps are skipped.
template <typename Step>
void Skippable(Step step) {
  try {
    step();
  } catch (const std::exception&) {
    // skipped: the next step runs
  }
}

}  // namespace wizard::page_parts
