#pragma once
// A log record's time of day read back whatever locale wrote it and whatever
// locale reads it. The monitor writes the time in its locale's own long time
// format ("13:09:03", "1:09:03 PM", "١:٠٩:٠٣ م", "오후 1시 9분 3초",
// "13時09分03秒"), so the reader knows the shape of every locale's format:
// the text with its digit runs taken out, blanks dropped and case folded,
// says whether the hour counts to 24 or is one before or after noon.

#include "trend/TrendSource.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>

namespace trend {

class TimeOfDayText {
public:
    // The shapes of every locale Qt knows; the default locale's own win
    // where two locales read one shape differently.
    TimeOfDayText();

    // The time of day (ms after midnight) of the text as the log holds it
    // (the locale's 8-bit encoding); false for a text of no known shape or
    // no valid time.
    bool read(QByteArrayView text, Millis &ms) const;

private:
    enum Clock : qint8 { Hours24, BeforeNoon, AfterNoon, Ambiguous };
    void learn(const QString &shape, Clock clock, bool overrides);

    QHash<QString, Clock> shapes_;
};

} // namespace trend
