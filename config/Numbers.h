#pragma once
// Number <-> text rules shared by every field, setting and reply of the monitor.

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace numbers {

// The number at the start of a text: leading blanks skipped, an optional sign,
// digits with an optional decimal point and exponent, or "&H" and hexadecimal
// digits. Reading stops at the first character that cannot continue the
// number; a text without a number gives 0. The decimal point is always '.',
// whatever the locale, so stored settings read the same everywhere. A number
// too large for a double reads as infinite, one too small as zero.
double readNumber(QStringView text);

// How far the number that readNumber() reads reaches into the text: the count
// of characters up to its end, leading blanks included; 0 when the text has
// no number ("", "abc", "&H", "-.").
qsizetype numberEnd(QStringView text);

// The number a text is as a whole: readNumber()'s number with nothing but
// blanks after it. Nothing for a text without a number or with anything else
// after it ("12abc", "1,5").
std::optional<double> readNumberOnly(QStringView text);

// Rounds to the nearest whole number, an exact half going to the even
// neighbour (12.5 -> 12, 13.5 -> 14). Values beyond the 64-bit range clamp.
qint64 roundHalfEven(double value);

// readNumber() rounded half to even.
qint64 readWholeNumber(QStringView text);

// Decimal text with a blank in place of the sign of a non-negative number:
// 100 -> " 100", 0 -> " 0", -1 -> "-1".
QString wholeNumberText(qint64 n);

// Two-digit suffix of the per-channel settings keys: channel 7 -> "07".
QString keySuffix(int channel);

// Low 16 bits of n in two's complement as four upper-case hex digits:
// -1 -> "FFFF", 70000 -> "1170".
QString encodeHex16(qint64 n);

// A data field of one to four hex digits as a signed 16-bit value:
// "FFFF" -> -1, "8000" -> -32768, "" -> 0. A longer field keeps its low 16
// bits; a field with a character that is not a hex digit gives 0.
qint16 decodeHex16(QStringView field);

} // namespace numbers
