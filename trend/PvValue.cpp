#include "trend/PvValue.h"

#include <algorithm>

namespace trend {

float pvValue(QStringView text, int *decimals)
{
    float value = NAN;
    return detail::readPv(text.utf16(), text.utf16() + text.size(), value, decimals) == detail::PvRead::Value ? value
                                                                                                             : NAN;
}

QByteArray pvText(float value, int decimals)
{
    if (std::isnan(value))
        return {};
    char text[64];
    const auto result = decimals >= 0
        ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, std::min(decimals, 9))
        : std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return QByteArray(text, result.ptr - text);
}

} // namespace trend
