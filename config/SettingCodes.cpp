#include "config/SettingCodes.h"

#include "config/ChannelTable.h"
#include "config/Numbers.h"

#include <array>

namespace settingcodes {

namespace {

// True when numbers::readNumber() finds a number in the text rather than
// giving 0 for the lack of one.
bool hasLeadingNumber(QStringView text) { return numbers::numberEnd(text) > 0; }

} // namespace

QString itemCaption(int item)
{
    static const std::array<QString, 12> captions = {
        QStringLiteral("Dispray Name"),
        QStringLiteral("PV filter time constant"),
        QStringLiteral("Scaling high limit"),
        QStringLiteral("Scaling low limit"),
        QStringLiteral("Decimal point place selection"),
        QStringLiteral("Alarm 1 setting"),
        QStringLiteral("Alarm 2 setting"),
        QStringLiteral("Alarm 3 setting"),
        QStringLiteral("Alarm 1 action setting"),
        QStringLiteral("Alarm 2 action setting"),
        QStringLiteral("Alarm 3 action setting"),
        QStringLiteral("Monitorring ON/OFF"),
    };
    return (item >= 0 && item < int(captions.size())) ? captions[std::size_t(item)] : QString();
}

std::optional<int> channelFromSelector(QStringView text)
{
    if (!hasLeadingNumber(text))
        return std::nullopt;
    const qint64 channel = numbers::readWholeNumber(text);
    if (channel < 0 || channel >= ChannelCount)
        return std::nullopt;
    return int(channel);
}

int placesFromReply(QStringView data)
{
    if (data == u"0003")
        return 3;
    if (data == u"0001")
        return 1;
    if (data == u"0002")
        return 2;
    return 0;
}

QString placePattern(int places)
{
    switch (places) {
    case 1:
        return QStringLiteral("xxx.x");
    case 2:
        return QStringLiteral("xx.xx");
    case 3:
        return QStringLiteral("x.xxx");
    default:
        return QStringLiteral("xxxx");
    }
}

QString placeCodeFromText(const QString &text)
{
    const auto has = [&text](const char *upper, const char *lower) {
        return text.contains(QLatin1String(upper)) || text.contains(QLatin1String(lower));
    };
    if (has("XXXX", "xxxx"))
        return QStringLiteral("0000");
    if (has("XXX.X", "xxx.x"))
        return QStringLiteral("0001");
    if (has("XX.XX", "xx.xx"))
        return QStringLiteral("0002");
    if (has("X.XXX", "x.xxx"))
        return QStringLiteral("0003");
    return QStringLiteral("0000");
}

QString settingValueCode(QStringView text)
{
    if (numbers::numberEnd(text) == 0)
        return QString();
    const qint64 n = numbers::readWholeNumber(text);
    if (n < LowestSettingNumber || n > HighestSettingNumber)
        return QString();
    return numbers::encodeHex16(n);
}

} // namespace settingcodes
