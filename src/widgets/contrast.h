#pragma once

#include <QColor>

// Legibility of text by the measure the accessibility guidelines use: the ratio of the relative
// luminances of text and what lies behind it, from 1:1 (the same) to 21:1 (black on white).
namespace widgets {

// Normal-size text needs this much against what is behind it.
inline constexpr double kReadableContrast = 4.5;

double RelativeLuminance(QRgb colour);
double ContrastRatio(QRgb a, QRgb b);

// What to put behind text of colour `text` that lies on `behind`: behind itself when the text
// reads there, otherwise black or white, whichever the text reads better on.
QRgb ReadableBackdrop(QRgb text, QRgb behind);

}  // namespace widgets
