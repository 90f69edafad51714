#include "logging/Event.h"

#include <array>

namespace {

const std::array<QString, Event::KindCount> &kindTexts()
{
    static const std::array<QString, Event::KindCount> texts = {
        QStringLiteral("Program start"), QStringLiteral("Program end"),   QStringLiteral("Lamp red"),
        QStringLiteral("Lamp green"),    QStringLiteral("Acknowledged"),  QStringLiteral("No answer"),
        QStringLiteral("Answers again"), QStringLiteral("Line fault"),    QStringLiteral("Line restored"),
        QStringLiteral("Link found"),    QStringLiteral("Setting written"), QStringLiteral("Channel ON"),
        QStringLiteral("Channel OFF"),
    };
    return texts;
}

} // namespace

QString Event::kindText(Kind kind) { return kindTexts()[std::size_t(kind)]; }

bool Event::kindFromText(const QString &text, Kind &kind)
{
    const auto &texts = kindTexts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == text) {
            kind = Kind(i);
            return true;
        }
    }
    return false;
}

QString alarmStateText(AlarmState state)
{
    switch (state) {
    case AlarmState::ActiveUnacknowledged:
        return QStringLiteral("Active, unacknowledged");
    case AlarmState::ActiveAcknowledged:
        return QStringLiteral("Active, acknowledged");
    case AlarmState::ReturnedUnacknowledged:
        return QStringLiteral("Returned, unacknowledged");
    case AlarmState::Normal:
        break;
    }
    return QStringLiteral("Normal");
}
