#include "sim/Instrument.h"

#include <array>

namespace sim {

namespace {

constexpr int PvItem = 0x80;
constexpr int StatusItem = 0x81;
constexpr int HighItem = 0x06;
constexpr int LowItem = 0x07;
constexpr std::array AlarmValueItems{0x01, 0x02, 0x03};
constexpr std::array AlarmActionItems{0x0D, 0x0E, 0x0F};

struct SettingRule {
    int item;
    int minimum, maximum, initial;
    const char *key; // name on the command line and the control input
};

constexpr std::array<SettingRule, 10> Rules{{
    {0x01, -1999, 9999, 0, "a1"},
    {0x02, -1999, 9999, 0, "a2"},
    {0x03, -1999, 9999, 0, "a3"},
    {HighItem, -1999, 9999, 9999, "hi"},
    {LowItem, -1999, 9999, -1999, "lo"},
    {0x08, 0, 3, 0, "dp"},
    {0x09, 0, 999, 0, "filter"},
    {0x0D, 0, 2, 0, "act1"},
    {0x0E, 0, 2, 0, "act2"},
    {0x0F, 0, 2, 0, "act3"},
}};

const SettingRule *ruleFor(int item)
{
    for (const SettingRule &rule : Rules)
        if (rule.item == item)
            return &rule;
    return nullptr;
}

const SettingRule *ruleFor(const QString &key)
{
    for (const SettingRule &rule : Rules)
        if (key == QLatin1String(rule.key))
            return &rule;
    return nullptr;
}

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::optional<int> decimal(const QString &text, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> itemNumber(const QByteArray &item)
{
    if (item.size() != 4)
        return std::nullopt;
    for (char c : item)
        if (!isUpperHex(c))
            return std::nullopt;
    return item.toInt(nullptr, 16);
}

QByteArray encodeValue(qint16 value)
{
    return QByteArray::number(static_cast<quint16>(value), 16).toUpper().rightJustified(4, '0');
}

std::optional<qint16> decodeValue(const QByteArray &data)
{
    const std::optional<int> word = itemNumber(data); // the same four-hex-digit rule
    if (!word)
        return std::nullopt;
    return static_cast<qint16>(static_cast<quint16>(*word));
}

Instrument::Instrument()
{
    for (const SettingRule &rule : Rules)
        settings_.insert(rule.item, rule.initial);
}

bool Instrument::alarmActive(int alarm) const
{
    const int setValue = setting(AlarmValueItems.at(alarm - 1));
    switch (setting(AlarmActionItems.at(alarm - 1))) {
    case 1:
        return pv_ >= setValue;
    case 2:
        return pv_ <= setValue;
    default:
        return false;
    }
}

quint16 Instrument::status() const
{
    if (fixedStatus_)
        return *fixedStatus_;
    quint16 word = 0;
    for (int alarm = 1; alarm <= 3; ++alarm)
        if (alarmActive(alarm))
            word |= static_cast<quint16>(1u << (alarm - 1));
    if (pv_ < setting(LowItem) || pv_ > setting(HighItem))
        word |= InputOutOfRangeBit;
    return word;
}

Response Instrument::read(const QByteArray &item) const
{
    const std::optional<int> number = itemNumber(item);
    if (!number || (*number != PvItem && *number != StatusItem && !ruleFor(*number)))
        return {false, UnknownItem};
    if (*number == PvItem)
        return {true, encodeValue(pv_)};
    if (*number == StatusItem)
        return {true, encodeValue(static_cast<qint16>(status()))};
    return {true, encodeValue(static_cast<qint16>(setting(*number)))};
}

Response Instrument::write(const QByteArray &item, const QByteArray &data)
{
    const std::optional<int> number = itemNumber(item);
    if (number && (*number == PvItem || *number == StatusItem))
        return {false, NotWritable};
    if (!number || !ruleFor(*number))
        return {false, UnknownItem};
    const std::optional<qint16> value = decodeValue(data);
    if (!value)
        return {false, MalformedData};
    const QByteArray refusal = changeSetting(*number, *value);
    if (!refusal.isEmpty())
        return {false, refusal};
    return {true, {}};
}

QByteArray Instrument::changeSetting(int item, int value)
{
    const SettingRule *rule = ruleFor(item);
    if (!rule)
        return UnknownItem;
    if (value < rule->minimum || value > rule->maximum)
        return OutsideSpan;
    // The scaling limits must keep high above low, whichever is written.
    if ((item == HighItem && value <= setting(LowItem)) || (item == LowItem && value >= setting(HighItem)))
        return OutsideSpan;
    settings_[item] = value;
    return {};
}

QString Instrument::configure(const QString &key, const QString &value)
{
    if (key == QLatin1String("pv")) {
        const std::optional<int> pv = decimal(value, -32768, 32767);
        if (!pv)
            return QStringLiteral("pv must be a whole number -32768..32767");
        pv_ = static_cast<qint16>(*pv);
        return {};
    }
    if (key == QLatin1String("status")) {
        if (value.trimmed() == QLatin1String("auto")) {
            followAlarms();
            return {};
        }
        const std::optional<int> word = decimal(value, -32768, 65535);
        if (!word)
            return QStringLiteral("status must be auto or a whole number 0..65535");
        fixStatus(static_cast<quint16>(*word));
        return {};
    }
    const SettingRule *rule = ruleFor(key);
    if (!rule)
        return QStringLiteral("unknown key %1").arg(key);
    const std::optional<int> number = decimal(value, rule->minimum, rule->maximum);
    if (!number)
        return QStringLiteral("%1 must be a whole number %2..%3").arg(key).arg(rule->minimum).arg(rule->maximum);
    if (!changeSetting(rule->item, *number).isEmpty())
        return QStringLiteral("hi must stay above lo");
    return {};
}

} // namespace sim
