#include "config/Numbers.h"

#include <cmath>
#include <limits>

namespace numbers {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int hexDigit(QChar c)
{
    if (isDigit(c))
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    return -1;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// The number at the start of a text and where it ends; end 0: no number.
struct Reading {
    qsizetype end = 0;
    double value = 0.0;
};

Reading scan(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;

    if (i + 1 < n && text[i] == u'&' && (text[i + 1] == u'H' || text[i + 1] == u'h')) {
        // Hexadecimal: accumulated without sign; 16 digits at the most so the
        // value cannot overflow.
        quint64 value = 0;
        int digits = 0;
        for (i += 2; i < n && digits < 16; ++i, ++digits) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                break;
            value = value * 16 + quint64(d);
        }
        return digits > 0 ? Reading{i, double(value)} : Reading{};
    }

    // Collect the longest prefix that forms a decimal number, then convert it
    // with the C locale's rules ('.' as decimal point). Counted on the way for
    // a number beyond double's range: the power of ten of its leading digit
    // is wholeDigits - zerosAhead - 1 + exponent.
    QByteArray number;
    qint64 wholeDigits = 0;
    qint64 zerosAhead = 0;
    bool anyDigit = false;
    bool nonZero = false;
    const auto takeDigit = [&] {
        const char c = char(text[i++].unicode());
        number += c;
        anyDigit = true;
        nonZero = nonZero || c != '0';
        if (!nonZero)
            ++zerosAhead;
    };
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number += char(text[i++].unicode());
    while (i < n && isDigit(text[i])) {
        takeDigit();
        ++wholeDigits;
    }
    if (i < n && text[i] == u'.') {
        number += '.';
        ++i;
        while (i < n && isDigit(text[i]))
            takeDigit();
    }
    if (!anyDigit)
        return {};
    qint64 exponent = 0;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        qsizetype j = i + 1;
        QByteArray exponentText = "e";
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exponentText += char(text[j++].unicode());
        bool expDigit = false;
        while (j < n && isDigit(text[j])) {
            if (exponent < 1'000'000'000) // far beyond any double; no overflow
                exponent = exponent * 10 + (text[j].unicode() - u'0');
            exponentText += char(text[j++].unicode());
            expDigit = true;
        }
        if (expDigit) {
            number += exponentText;
            i = j;
            if (exponentText.startsWith("e-"))
                exponent = -exponent;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (ok)
        return {i, value};
    // Only a number beyond double's range gets here: infinite when it is too
    // large, zero when it is too small.
    const double magnitude =
        wholeDigits - zerosAhead - 1 + exponent < 0 ? 0.0 : std::numeric_limits<double>::infinity();
    return {i, number.startsWith('-') ? -magnitude : magnitude};
}

} // namespace

double readNumber(QStringView text) { return scan(text).value; }

qsizetype numberEnd(QStringView text) { return scan(text).end; }

std::optional<double> readNumberOnly(QStringView text)
{
    const Reading reading = scan(text);
    if (reading.end == 0)
        return std::nullopt;
    for (const QChar c : text.sliced(reading.end))
        if (!isBlank(c))
            return std::nullopt;
    return reading.value;
}

qint64 roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value <= -limit)
        return std::numeric_limits<qint64>::min();
    const double floor = std::floor(value);
    const double fraction = value - floor;
    qint64 whole = qint64(floor);
    if (fraction > 0.5 || (fraction == 0.5 && (whole % 2 != 0)))
        ++whole;
    return whole;
}

qint64 readWholeNumber(QStringView text) { return roundHalfEven(readNumber(text)); }

QString wholeNumberText(qint64 n)
{
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

QString keySuffix(int channel) { return wholeNumberText(channel + 1000).right(2); }

QString encodeHex16(qint64 n)
{
    return QStringLiteral("%1").arg(quint16(quint64(n) & 0xFFFFu), 4, 16, QLatin1Char('0')).toUpper();
}

qint16 decodeHex16(QStringView field)
{
    quint32 value = 0;
    for (QChar c : field) {
        const int d = hexDigit(c);
        if (d < 0)
            return 0;
        value = (value << 4 | quint32(d)) & 0xFFFFu;
    }
    return qint16(quint16(value));
}

} // namespace numbers
