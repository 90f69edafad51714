#include "logging/TimeOfDayFormat.h"

namespace logfile {

QString timeOfDayFormat(const QLocale &locale)
{
    // Drop the time-zone letters ("t" .. "tttt") outside quoted text; the
    // records carry the plain local time of day.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            result += c;
    }
    return result.simplified();
}

} // namespace logfile
