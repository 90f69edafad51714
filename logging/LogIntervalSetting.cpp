#include "logging/LogIntervalSetting.h"

#include "config/LogInterval.h"
#include "config/Prompter.h"
#include "config/SettingsStore.h"
#include "config/SharedState.h"
#include "logging/Clock.h"
#include "logging/LogSchedule.h"

namespace {

const QString StoreKey = QStringLiteral("LogT");
const QString InvalidEntryText = QStringLiteral("The operation is invalid, or the setting is out of the range.");

} // namespace

LogIntervalSetting::LogIntervalSetting(SharedState &state, SettingsStore &store, Prompter &prompter,
                                       LogSchedule &schedule, const Clock &clock)
    : state_(state), store_(store), prompter_(prompter), schedule_(schedule), clock_(clock)
{
}

bool LogIntervalSetting::accept(const QString &text)
{
    const std::optional<double> interval = loginterval::fromText(text);
    if (!interval) {
        prompter_.message(InvalidEntryText);
        cancel();
        return false;
    }
    if (text != storedText()) {
        schedule_.restart(clock_.now(), clock_.elapsedMs(), *interval);
        store_.save(StoreKey, text);
    }
    state_.LogT = text;
    state_.acceptedLogInterval = *interval;
    return true;
}

void LogIntervalSetting::cancel() { state_.LogT = loginterval::fieldText(storedText()); }

QString LogIntervalSetting::storedText() const { return store_.get(StoreKey, loginterval::DefaultText); }
