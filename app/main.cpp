// vtx500-monitor: no arguments; everything it needs is in the settings store
// and the working directory.

#include "app/Clock.h"
#include "app/MonitorApp.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "ui/QtPrompter.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP (log-off, shutdown, a terminal closed) end the
// program as File > Exit does: the loop finishes its step and everything is
// saved, instead of the process dying with the operator's edits.
void endInOrderOnSignals(MonitorApp &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&app] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        if (frmMain *window = app.mainWindow())
            window->StopRequest = true;
    });
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The loop ends the program itself, after its end sequence.
    QApplication::setQuitOnLastWindowClosed(false);

    SettingsStore store;
    QtPrompter prompter;
    Clock clock;
    MonitorApp app(store, prompter, clock, [] { return std::make_unique<Vtx>(); });
    app.mainWindowCreated = [&prompter](frmMain *window) { prompter.setParentWidget(window); };
    endInOrderOnSignals(app);
    app.run();
    return 0;
}
