#pragma once

#include <QColor>
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

// A label's text colour, which several windows use as its selection state; setting the colour it
// has already changes nothing (and repaints nothing).
QRgb LabelColour(const QLabel* label);
void SetLabelColour(QLabel* label, QRgb colour);
void SetLabelBold(QLabel* label, bool bold);

}  // namespace widgets
