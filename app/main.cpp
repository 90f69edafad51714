// vtx500-monitor: no arguments but --help; everything it needs is in the
// settings store and the working directory.

#include "app/MonitorApp.h"
#include "app/TerminationSignals.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "logging/Clock.h"
#include "ui/MonitorApplication.h"
#include "ui/QtPrompter.h"
#include "ui/main/frmMain.h"

#include <cstdio>
#include <cstring>

namespace {

const char Usage[] =
    "Usage: vtx500-monitor\n"
    "       vtx500-monitor --help\n"
    "Watches up to 31 VTX-500 process instruments on one serial line: finds the port\n"
    "and speed by itself, shows each channel's PV and alarm lamps, reads and writes\n"
    "the instruments' settings and logs every PV to a file.\n"
    "\n"
    "Settings: ~/.config/KORVANE.conf (group VTX-500 Monitor), or\n"
    "$XDG_CONFIG_HOME/KORVANE.conf. VX5DP.DAT and the folder log/ go into the\n"
    "directory the program is started from. VTX500_SERIAL_PORTS=/dev/ttyUSB0:...\n"
    "gives the ports COM1, COM2, ... count. The manual: Help > Help, or\n"
    "man vtx500-monitor.\n";

} // namespace

int main(int argc, char *argv[])
{
    // Before anything opens a display or a file, so that --help works on a
    // console and a mistyped argument starts nothing.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
    if (argc > 1) {
        std::fprintf(stderr, "vtx500-monitor: unknown argument '%s'\n%s", argv[1], Usage);
        return 2;
    }

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
