#include "trend/PvValue.h"

namespace trend {

float pvValue(QStringView text)
{
    float value = NAN;
    return detail::readPv(text.utf16(), text.utf16() + text.size(), value) == detail::PvRead::Value ? value : NAN;
}

} // namespace trend
