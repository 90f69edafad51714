#include "config/LogInterval.h"

#include "config/Numbers.h"

namespace loginterval {

std::optional<double> fromText(QStringView text)
{
    const std::optional<double> seconds = numbers::readNumberOnly(text);
    if (!seconds || !isInterval(*seconds))
        return std::nullopt;
    return seconds;
}

QString fieldText(const QString &stored) { return fromText(stored) ? stored : DefaultText; }

} // namespace loginterval
