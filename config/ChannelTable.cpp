#include "config/ChannelTable.h"

ItemCodeList settingItemCodes()
{
    return {QString(), "0009", "0006", "0007", "0008", "0001", "0002", "0003", "000D", "000E", "000F", QString(), QString()};
}

bool stateHidesPanel(const QString &state) { return state.contains(QLatin1String("OFF"), Qt::CaseSensitive); }
bool stateIsMonitored(const QString &state) { return state.contains(QLatin1String("ON"), Qt::CaseInsensitive); }
bool stateLogsEmpty(const QString &state) { return state.contains(QLatin1String("OFF"), Qt::CaseInsensitive); }
