#include "widgets/contrast.h"

#include <algorithm>
#include <cmath>

namespace widgets {

namespace {

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double RelativeLuminance(QRgb colour) {
  return 0.2126 * Linear(qRed(colour)) + 0.7152 * Linear(qGreen(colour)) +
         0.0722 * Linear(qBlue(colour));
}

double ContrastRatio(QRgb a, QRgb b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QRgb ReadableBackdrop(QRgb text, QRgb behind) {
  if (ContrastRatio(text, behind) >= kReadableContrast) return behind;
  const QRgb black = qRgb(0, 0, 0);
  const QRgb white = qRgb(255, 255, 255);
  return ContrastRatio(text, black) >= ContrastRatio(text, white) ? black : white;
}

}  // namespace widgets
