// Feeds arbitrary text to every reader of numbers in field and store texts and
// checks each against a plain reading of its own, written separately below:
// where the number ends, its exact value where that is easy to know, and
// bounds that any value read from the text must keep.

#include "config/LogInterval.h"
#include "config/Numbers.h"
#include "config/SettingCodes.h"
#include "config/SettingsStore.h"
#include "config/SharedState.h"
#include "config/WindowGeometry.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace {

[[noreturn]] void fail(const char *what, int line)
{
    std::fprintf(stderr, "fuzz_numbers.cpp:%d: check failed: %s\n", line, what);
    std::abort();
}

#define CHECK(condition) ((condition) ? void() : fail(#condition, __LINE__))

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool isDecimal(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The reference reading: blanks, then "&H" with 1..16 hex digits, or a sign,
// digits with a point somewhere, and an exponent only when it has a digit.
struct Reference {
    qsizetype end = 0; // just past the number; 0: no number
    bool negative = false;
    bool hex = false;
    bool zero = true;            // every digit 0
    qint64 order = 0;            // power of ten of the leading digit that is not 0
    std::optional<double> exact; // the value, where one rounding gives it
};

Reference referenceRead(const std::u16string &t)
{
    const auto at = [&t](std::size_t k) { return k < t.size() ? t[k] : u'\0'; };
    Reference r;
    std::size_t i = 0;
    while (isBlank(at(i)))
        ++i;
    if (at(i) == u'&' && (at(i + 1) == u'H' || at(i + 1) == u'h')) {
        quint64 v = 0;
        std::size_t k = i + 2;
        for (; k < i + 18 && hexValue(at(k)) >= 0; ++k)
            v = v * 16 + quint64(hexValue(at(k)));
        if (k == i + 2)
            return r;
        r.end = qsizetype(k);
        r.hex = true;
        r.zero = v == 0;
        r.exact = double(v); // one rounding of a whole number
        return r;
    }
    std::size_t k = i;
    if (at(k) == u'+' || at(k) == u'-')
        r.negative = at(k++) == u'-';
    std::string digits;
    qint64 wholeDigits = 0;
    qint64 fractionDigits = 0;
    for (; isDecimal(at(k)); ++k, ++wholeDigits)
        digits += char(at(k));
    if (at(k) == u'.')
        for (++k; isDecimal(at(k)); ++k, ++fractionDigits)
            digits += char(at(k));
    if (digits.empty())
        return r;
    qint64 exponent = 0;
    std::size_t e = k + 1;
    if (at(k) == u'e' || at(k) == u'E') {
        const bool down = at(e) == u'-';
        if (at(e) == u'+' || at(e) == u'-')
            ++e;
        if (isDecimal(at(e))) {
            for (; isDecimal(at(e)); ++e)
                exponent = std::min<qint64>(exponent * 10 + (at(e) - u'0'), 1'000'000'000'000);
            k = e;
            exponent = down ? -exponent : exponent;
        }
    }
    r.end = qsizetype(k);
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        r.exact = 0.0;
        return r;
    }
    r.zero = false;
    r.order = wholeDigits - qint64(first) - 1 + exponent;
    // Up to 15 significant digits and a power of ten up to 22 are exact as
    // doubles, so their product or quotient is rounded once: the right value.
    const std::size_t last = digits.find_last_not_of('0');
    const qint64 scale = exponent - fractionDigits + qint64(digits.size() - 1 - last);
    if (last - first < 15 && scale >= -22 && scale <= 22) {
        double m = 0;
        for (std::size_t d = first; d <= last; ++d)
            m = m * 10 + (digits[d] - '0');
        double power = 1;
        for (qint64 s = 0; s < std::abs(scale); ++s)
            power *= 10;
        r.exact = (scale >= 0 ? m * power : m / power) * (r.negative ? -1 : 1);
    }
    return r;
}

// Nearest whole number, an exact half to the even one; clamped at 9.2e18.
void checkRounding(double x)
{
    const qint64 r = numbers::roundHalfEven(x);
    if (std::isnan(x))
        return CHECK(r == 0);
    if (x >= 9.2e18)
        return CHECK(r == std::numeric_limits<qint64>::max());
    if (x <= -9.2e18)
        return CHECK(r == std::numeric_limits<qint64>::min());
    const double off = std::fabs(double(r) - x); // exact: both lie on x's grid
    CHECK(off <= 0.5);
    CHECK(off < 0.5 || r % 2 == 0);
}

// The value read from a text keeps to what its digits can mean.
void checkBounds(const Reference &ref, double value)
{
    CHECK(!std::isnan(value));
    CHECK(ref.negative ? value <= 0 : value >= 0);
    if (ref.zero)
        return CHECK(value == 0);
    const double size = std::fabs(value);
    if (ref.hex)
        return CHECK(size >= 1 && size <= 18446744073709551616.0);
    if (std::isinf(size))
        return CHECK(ref.order >= 308);
    if (size == 0)
        return CHECK(ref.order <= -324);
    CHECK(ref.order > -325 && ref.order < 309);
    CHECK(size <= std::pow(10.0, double(ref.order + 1)));
    CHECK(ref.order < -306 || size >= std::pow(10.0, double(ref.order - 1)));
}

class TextStore : public SettingsStore {
public:
    explicit TextStore(QString text) : text_(std::move(text)) {}
    QString get(const QString &, const QString &) const override { return text_; }
    void save(const QString &, const QString &) override {}
    bool contains(const QString &) const override { return true; }

private:
    QString text_;
};

// The window geometry, every key holding the text: the platform's C-locale
// conversion of the whole text, so a plain decimal number must give its
// pixels; any text gives pixels a stored twips value below 1e6 can give.
void checkGeometry(const QString &text, const Reference &ref, bool whole)
{
    const QRect pixels = window_geometry::load(TextStore(text));
    const int most = 1'000'000 / window_geometry::TwipsPerPixel + 1;
    CHECK(std::abs(pixels.x()) <= most && pixels.y() == pixels.x());
    CHECK(pixels.width() >= 0 && pixels.width() <= most && pixels.height() == pixels.width());
    if (!whole || ref.hex || !ref.exact)
        return;
    const double twips = *ref.exact;
    const auto near = [](int p, double t) { return std::fabs(p - t / window_geometry::TwipsPerPixel) <= 0.5 + 1e-9; };
    const bool usable = std::fabs(twips) < 1.0e6;
    CHECK(usable ? near(pixels.x(), twips) : pixels.x() == 67);
    CHECK(usable && twips > 0 ? near(pixels.width(), twips) : pixels.width() == 433);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const std::u16string chars(reinterpret_cast<const char16_t *>(text.utf16()), std::size_t(text.size()));
    const Reference ref = referenceRead(chars);

    // readNumber: where the number ends, its value, its bounds.
    CHECK(numbers::numberEnd(text) == ref.end);
    const double value = numbers::readNumber(text);
    if (ref.end == 0)
        CHECK(value == 0);
    else
        checkBounds(ref, value);
    if (ref.exact)
        CHECK(value == *ref.exact);

    // Rounding, of the value and of any double the bytes spell.
    checkRounding(value);
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, bytes, sizeof raw);
        checkRounding(raw);
    }
    const qint64 whole = numbers::readWholeNumber(text);
    CHECK(whole == numbers::roundHalfEven(value));
    const QString written = numbers::wholeNumberText(whole);
    CHECK(numbers::readWholeNumber(written) == whole && written.startsWith(u' ') == (whole >= 0));

    // The whole text as one number: the interval rule and its field text.
    std::size_t rest = std::size_t(ref.end);
    while (rest < chars.size() && isBlank(chars[rest]))
        ++rest;
    const bool onlyNumber = ref.end > 0 && rest == chars.size();
    CHECK(numbers::readNumberOnly(text).has_value() == onlyNumber);
    const bool interval = onlyNumber && value >= 1 && value <= 18000;
    const std::optional<double> seconds = loginterval::fromText(text);
    CHECK(seconds.has_value() == interval);
    CHECK(!seconds || (*seconds == value && *seconds >= 1 && *seconds <= 18000));
    CHECK(loginterval::fieldText(text) == (interval ? text : QStringLiteral("60")));

    // Device address and channel selector: the number rounded half to even.
    SharedState state;
    state.DvtoN[0] = text;
    const qint64 address = state.deviceAddress(0);
    CHECK(address == whole);
    CHECK(isValidAddress(address) == (value >= -0.5 && value < 31.5));
    const std::optional<int> channel = settingcodes::channelFromSelector(text);
    CHECK(channel.has_value() == (ref.end > 0 && value >= -0.5 && value <= 30.5));
    CHECK(!channel || *channel == whole);

    // Setting field text to data field, and data fields both ways: the low
    // 16 bits, whatever the field's length.
    const QString code = settingcodes::settingValueCode(text);
    CHECK(code.isEmpty() == (ref.end == 0 || whole < -32768 || whole > 65535));
    CHECK(code.isEmpty() || (code == code.toUpper() && numbers::decodeHex16(code) == qint16(quint16(whole & 0xFFFF))));
    const QString encoded = numbers::encodeHex16(whole);
    CHECK(encoded.size() == 4 && numbers::decodeHex16(encoded) == qint16(quint16(quint64(whole) & 0xFFFF)));
    quint16 low = 0;
    bool allHex = true;
    for (const char16_t c : chars) {
        allHex = allHex && hexValue(c) >= 0;
        low = quint16(low * 16 + (allHex ? hexValue(c) : 0));
    }
    CHECK(numbers::decodeHex16(text) == (allHex ? qint16(low) : qint16(0)));

    checkGeometry(text, ref, onlyNumber);
    return 0;
}
