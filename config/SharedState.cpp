#include "config/SharedState.h"

#include "config/Numbers.h"

qint64 SharedState::deviceAddress(int channel) const
{
    return numbers::readWholeNumber(DvtoN.at(std::size_t(channel)));
}
