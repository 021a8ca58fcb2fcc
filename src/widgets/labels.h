#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

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
// What a screen reader says before a label's text, for a label whose text means little alone:
// a digit "1" under the heading "START" reads "Bit 0, START, 1". The text shown stays as it is,
// and the name follows it as it changes. Only a SpokenLabel or a ClickableLabel reads it; an
// empty prefix reads the text alone.
void SetSpokenPrefix(QLabel* label, const QString& prefix);
QString SpokenPrefix(const QLabel* label);

// A plain label that screen readers read with its spoken prefix.
class SpokenLabel : public QLabel {
  Q_OBJECT

 public:
  SpokenLabel(const QString& text, const QString& prefix, QWidget* parent = nullptr);
};

}  // namespace widgets
