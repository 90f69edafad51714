#pragma once
// The format of a log record's time of day: written by the log writer, read
// back by the log reader in every locale's form.

#include <QLocale>
#include <QString>

namespace logfile {

// The locale's time-of-day format without its time-zone part:
// "HH:mm:ss" in the C locale, "h:mm:ss AP" in American English.
QString timeOfDayFormat(const QLocale &locale);

} // namespace logfile
