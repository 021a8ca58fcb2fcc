#include "widgets/fitting_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace widgets {

namespace {

constexpr int kLines = 2;
constexpr double kSmallest = 2.0 / 3.0;  // of the label's own font
constexpr double kStep = 0.95;

const QRegularExpression& Blanks() {
  static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
  return kBlanks;
}

// Whether text wrapped between words fits width x height in font f.
bool Fits(const QFont& f, const QString& text, double width, double height) {
  const QFontMetricsF fm(f);
  for (const QString& word : text.split(Blanks(), Qt::SkipEmptyParts)) {
    if (fm.horizontalAdvance(word) > width) return false;
  }
  const QRectF used = fm.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text);
  return used.height() <= height;
}

}  // namespace

FittingLabel::FittingLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent), full_point_size_(font().pointSizeF()) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  // The column decides the width, between the two hints; the label adapts its font to it. Its
  // height is two lines whatever the width.
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  policy.setHeightForWidth(false);
  setSizePolicy(policy);
}

void FittingLabel::SetFittedText(const QString& text) {
  if (text == this->text()) return;
  setText(text);
  Fit();
}

double FittingLabel::WidestWord(double scale) const {
  QFont f = font();
  f.setPointSizeF(full_point_size_ * scale);
  const QFontMetricsF fm(f);
  double widest = fm.horizontalAdvance(QLatin1Char('0'));
  QStringList texts = room_for_;
  texts << text();
  for (const QString& t : texts) {
    for (const QString& word : t.split(Blanks(), Qt::SkipEmptyParts)) {
      widest = std::max(widest, fm.horizontalAdvance(word));
    }
  }
  return widest;
}

QSize FittingLabel::sizeHint() const {
  // The widest of the texts it is kept for, whole: the same whichever it shows, so a new text
  // moves nothing.
  QFont full = font();
  full.setPointSizeF(full_point_size_);
  const QFontMetrics fm(full);
  const QMargins m = contentsMargins();
  return {static_cast<int>(std::ceil(WidestWord(1.0))) + m.left() + m.right(),
          kLines * fm.lineSpacing() + m.top() + m.bottom()};
}

int FittingLabel::heightForWidth(int) const {
  return sizeHint().height();
}

void FittingLabel::KeepRoomFor(const QStringList& texts) {
  room_for_ = texts;
  updateGeometry();
}

QSize FittingLabel::minimumSizeHint() const {
  QSize hint = sizeHint();
  hint.setWidth(static_cast<int>(std::ceil(WidestWord(kSmallest))) + contentsMargins().left() +
                contentsMargins().right());
  return hint;
}

void FittingLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Fit();
}

void FittingLabel::changeEvent(QEvent* event) {
  // A font given from outside (the application's, a parent's) becomes the full size.
  if (event->type() == QEvent::FontChange && !fitting_) {
    full_point_size_ = font().pointSizeF();
    Fit();
  }
  QLabel::changeEvent(event);
}

void FittingLabel::Fit() {
  const QRect room = contentsRect();
  if (room.width() <= 0 || full_point_size_ <= 0) return;
  QFont f = font();
  double size = full_point_size_;
  f.setPointSizeF(size);
  while (size * kStep >= full_point_size_ * kSmallest &&
         !Fits(f, text(), room.width(), room.height())) {
    size *= kStep;
    f.setPointSizeF(size);
  }
  if (f == font()) return;
  fitting_ = true;
  setFont(f);
  fitting_ = false;
}

}  // namespace widgets
