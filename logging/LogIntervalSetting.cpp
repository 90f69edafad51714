#include "logging/LogIntervalSetting.h"

#include "config/Prompter.h"
#include "config/SettingsStore.h"
#include "config/SharedState.h"
#include "logging/Clock.h"
#include "logging/LogSchedule.h"

namespace {

const QString StoreKey = QStringLiteral("LogT");
const QString DefaultText = QStringLiteral("60");
const QString InvalidEntryText = QStringLiteral("The operation is invalid, or the setting is out of the range.");

} // namespace

LogIntervalSetting::LogIntervalSetting(SharedState &state, SettingsStore &store, Prompter &prompter,
                                       LogSchedule &schedule, const Clock &clock)
    : state_(state), store_(store), prompter_(prompter), schedule_(schedule), clock_(clock)
{
}

std::optional<double> LogIntervalSetting::intervalFromEntry(const QString &text)
{
    // QString::toDouble reads the C locale's form and ignores surrounding
    // blanks; "nan" and "inf" fail the range test.
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= 1.0 && value <= 18000.0))
        return std::nullopt;
    return value;
}

bool LogIntervalSetting::accept(const QString &text)
{
    const std::optional<double> interval = intervalFromEntry(text);
    if (!interval) {
        prompter_.message(InvalidEntryText);
        state_.LogT = storedText();
        return false;
    }
    if (text != storedText()) {
        schedule_.restart(clock_.now(), *interval);
        store_.save(StoreKey, text);
    }
    state_.LogT = text;
    state_.acceptedLogInterval = *interval;
    return true;
}

void LogIntervalSetting::cancel() { state_.LogT = storedText(); }

QString LogIntervalSetting::storedText() const { return store_.get(StoreKey, DefaultText); }
