#include "editor/value_entry.h"

#include <QString>
#include <cmath>

#include "chip/hex_digit.h"

namespace editor {

namespace {

bool IsDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

int HexEntryValue(QStringView text) {
  int value = 0;
  for (const QChar c : text) {
    const int digit = chip::HexDigit(c.toLatin1());
    if (digit < 0) break;
    value = value * 16 + digit;
    if (value > 0xFFFFFF) break;  // the box holds two characters; this only guards the arithmetic
  }
  return value;
}

double DecimalEntryNumber(QStringView text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  const qsizetype start = i;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
  qsizetype digits = 0;
  auto take_digits = [&] {
    while (i < n && IsDigit(text[i])) {
      ++i;
      ++digits;
    }
  };
  take_digits();
  if (i < n && text[i] == u'.') {
    ++i;
    take_digits();
  }
  if (digits == 0) return 0.0;
  // An exponent belongs to the number only when at least one digit follows it.
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    qsizetype j = i + 1;
    if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
    if (j < n && IsDigit(text[j])) {
      while (j < n && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  bool ok = false;
  const double number = text.mid(start, i - start).toString().toDouble(&ok);
  if (!ok) return 0.0;
  // nearbyint rounds in the default mode, to nearest with halves to even.
  return std::nearbyint(number);
}

QString HexText(int value) {
  return QString::number(value, 16).toUpper();
}

}  // namespace editor
