#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace widgets {

// A label named `name` that shows `text` as written: plain text, never read as rich text, so a
// caption with a "<" in it shows that character.
QLabel* MakePlainLabel(const QString& name, const QString& text, QWidget* parent);

// Makes widget's font bold and, with a scale other than 1, that many times its point size: the
// one way the windows mark titles, headings and big digits.
void SetBoldFont(QWidget* widget, double scale = 1.0);

}  // namespace widgets
