// vtx500-monitor: no arguments; everything it needs is in the settings store
// and the working directory.

#include "app/MonitorApp.h"
#include "app/TerminationSignals.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "logging/Clock.h"
#include "ui/MonitorApplication.h"
#include "ui/QtPrompter.h"
#include "ui/main/frmMain.h"

int main(int argc, char *argv[])
{
    catchTerminationSignals();
    MonitorApplication application(argc, argv);

    SettingsStore store;
    QtPrompter prompter;
    Clock clock;
    MonitorApp app(store, prompter, clock, [] { return std::make_unique<Vtx>(); });
    app.mainWindowCreated = [&prompter](frmMain *window) { prompter.setParentWidget(window); };
    onTerminationSignal([&app] { app.endOnSignal(); });
    app.run();
    return 0;
}
