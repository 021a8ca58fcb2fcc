#pragma once

#include <QStringView>

namespace editor {

// The value of the hexadecimal box: hexadecimal digits of either case up to the first character
// that is not one. An empty text, or one that starts with anything else, is 0.
int HexEntryValue(QStringView text);

// The whole number the decimal box stands for: leading blanks, a sign, digits, a decimal point
// and an exponent, up to the first character that cannot continue the number; no number at all
// is 0. A fraction rounds to the nearest whole number, halves to the even one ("2.5" is 2). The
// result may lie outside 0..255 ("999", "-12"); the caller decides what to do with it.
double DecimalEntryNumber(QStringView text);

// Upper-case hexadecimal without prefix or leading zeros ("0", "2B", "FF").
QString HexText(int value);

}  // namespace editor
