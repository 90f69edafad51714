#include "trend/TimeOfDayText.h"

#include "logging/TimeOfDayFormat.h"

#include <QLocale>
#include <QTime>

namespace trend {

namespace {

// The text with each run of digits (of any script) replaced by '#' and the
// numbers of those runs; blanks and their kinds (a no-break space before
// "PM" in one version of the locale data, a plain one in another) dropped.
QString shapeOf(QStringView text, int *numbers, int &count)
{
    QString shape;
    count = 0;
    bool inDigits = false;
    for (const QChar c : text) {
        const int digit = c.digitValue();
        if (digit >= 0 && c.isDigit()) {
            if (!inDigits) {
                shape += u'#';
                if (count < 3)
                    numbers[count] = 0;
                ++count;
            }
            if (count <= 3)
                numbers[count - 1] = std::min(numbers[count - 1] * 10 + digit, 1000);
            inDigits = true;
            continue;
        }
        inDigits = false;
        if (!c.isSpace())
            shape += c.toCaseFolded();
    }
    return shape;
}

} // namespace

TimeOfDayText::TimeOfDayText()
{
    const QTime morning(1, 2, 3);
    const QTime afternoon(13, 14, 15);
    int numbers[3];
    int count = 0;
    const auto learnLocale = [&](const QLocale &locale, bool overrides) {
        const QString format = logfile::timeOfDayFormat(locale);
        const QString early = shapeOf(locale.toString(morning, format), numbers, count);
        const QString late = shapeOf(locale.toString(afternoon, format), numbers, count);
        if (count != 3)
            return;
        if (early == late) {
            learn(early, Hours24, overrides);
        } else {
            learn(early, BeforeNoon, overrides);
            learn(late, AfterNoon, overrides);
        }
    };
    for (const QLocale &locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
        learnLocale(locale, false);
    // The English markers in their usual spellings, then the reading
    // locale's own over all.
    for (const char *shape : {"#:#:#", "#.#.#"})
        learn(QString::fromLatin1(shape), Hours24, true);
    for (const char *marker : {"am", "a.m."})
        for (const char *shape : {"#:#:#%1", "%1#:#:#", "#.#.#%1"})
            learn(QString::fromLatin1(shape).arg(QLatin1String(marker)), BeforeNoon, true);
    for (const char *marker : {"pm", "p.m."})
        for (const char *shape : {"#:#:#%1", "%1#:#:#", "#.#.#%1"})
            learn(QString::fromLatin1(shape).arg(QLatin1String(marker)), AfterNoon, true);
    learnLocale(QLocale(), true);
}

void TimeOfDayText::learn(const QString &shape, Clock clock, bool overrides)
{
    const auto known = shapes_.constFind(shape);
    if (overrides || known == shapes_.cend())
        shapes_.insert(shape, clock);
    else if (*known != clock)
        shapes_.insert(shape, Ambiguous);
}

bool TimeOfDayText::read(QByteArrayView text, Millis &ms) const
{
    int numbers[3];
    int count = 0;
    const QString shape = shapeOf(QString::fromLocal8Bit(text), numbers, count);
    if (count != 3)
        return false;
    const Clock clock = shapes_.value(shape, Ambiguous);
    int hour = numbers[0];
    if (clock == Ambiguous)
        return false;
    if (clock != Hours24) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (clock == AfterNoon ? 12 : 0);
    }
    if (hour > 23 || numbers[1] > 59 || numbers[2] > 59)
        return false;
    ms = ((hour * 60 + numbers[1]) * 60 + numbers[2]) * Millis(1000);
    return true;
}

} // namespace trend
