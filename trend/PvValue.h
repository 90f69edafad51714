#pragma once
// A PV as the panels show it and the log holds it, read back as a number.

#include <QByteArray>
#include <QStringView>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace trend {

// The number of a PV text: "-3276.8", "-3276,8" or "-3276٫8" (the panel
// writes the locale's decimal separator, so each reads), surrounding blanks
// allowed. NaN for a gap ("----", empty or blank), for a text that is no
// number and for one beyond the range of a float (forty nines). `decimals`,
// when given, gets the digits written after the separator (0 without one).
float pvValue(QStringView text, int *decimals = nullptr);

// A value as the instruments show it: `decimals` places after the point (the
// digits the panel showed, 73.0 stays "73.0"), or for a negative count the
// shortest text that reads back as the same float; never an exponent nor a
// group separator; '.' as the point. Empty for NaN.
QByteArray pvText(float value, int decimals);

namespace detail {

enum class PvRead { Value, Gap, NotANumber };

// The reader behind pvValue(), on the characters [p, end) of any width, so
// that the log reader runs it on the file's bytes without a QString per field.
// The Arabic decimal separator, U+066B: one character of UTF-16, two bytes
// of UTF-8 (the monitor's logs are written in the locale's 8-bit encoding).
template <typename Char>
inline int arabicSeparatorAt(const Char *p, const Char *end)
{
    if constexpr (sizeof(Char) == 1)
        return end - p >= 2 && std::uint8_t(p[0]) == 0xD9 && std::uint8_t(p[1]) == 0xAB ? 2 : 0;
    else
        return p < end && char16_t(*p) == u'\u066B' ? 1 : 0;
}

template <typename Char>
inline PvRead readPv(const Char *p, const Char *end, float &value, int *decimals = nullptr)
{
    while (p < end && *p == Char(' '))
        ++p;
    while (end > p && end[-1] == Char(' '))
        --end;
    if (p == end || (end - p == 4 && p[0] == Char('-') && p[1] == Char('-') && p[2] == Char('-') && p[3] == Char('-')))
        return PvRead::Gap;

    const Char *const start = p;
    const bool negative = *p == Char('-');
    if (negative || *p == Char('+'))
        ++p;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction = -1; // digits after the separator; -1 before it
    for (; p < end; ++p) {
        const Char c = *p;
        if (c >= Char('0') && c <= Char('9')) {
            mantissa = mantissa * 10 + std::uint64_t(c - Char('0'));
            ++digits;
            if (fraction >= 0)
                ++fraction;
        } else if ((c == Char('.') || c == Char(',')) && fraction < 0) {
            fraction = 0;
        } else if (const int width = arabicSeparatorAt(p, end); width > 0 && fraction < 0) {
            fraction = 0;
            p += width - 1;
        } else {
            return PvRead::NotANumber;
        }
    }
    if (digits == 0)
        return PvRead::NotANumber;
    if (decimals)
        *decimals = fraction > 0 ? fraction : 0;

    if (digits <= 18) {
        // Exact in 64 bits: one division by an exact power of ten.
        static constexpr double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
                                            1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
        const double magnitude = double(mantissa) / powers[fraction > 0 ? fraction : 0];
        value = float(negative ? -magnitude : magnitude);
        return PvRead::Value;
    }
    // More digits than any instrument sends: read by the library, which
    // rounds a long text correctly.
    std::string text;
    for (const Char *q = start; q < end; ++q) {
        const int width = arabicSeparatorAt(q, end);
        text += *q == Char(',') || width > 0 ? '.' : char(*q);
        q += width > 0 ? width - 1 : 0;
    }
    const char *first = text.data() + (text[0] == '+' ? 1 : 0);
    double number = 0;
    // A text beyond a float's range is no reading, not an endless value that
    // would flatten every other curve.
    if (std::from_chars(first, text.data() + text.size(), number).ec != std::errc() || !std::isfinite(float(number)))
        return PvRead::NotANumber;
    value = float(number);
    return PvRead::Value;
}

} // namespace detail
} // namespace trend
