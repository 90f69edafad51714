// vtx500-soak-monitor: the whole program (start-up, main loop, polling,
// logging, the real serial component and the real clock) for long unattended
// runs. It differs from vtx500-monitor only in its message boxes, which are
// answered at once and counted: an unattended run cannot close a modal box.
//
//   vtx500-soak-monitor --port PATH [--speed BAUD] [--channels N]
//
// Starts from fresh settings: channels 0..N-1 ON (default 8) at device
// addresses 1..N (channel c at address c+1), the rest OFF, log interval 1 s,
// the given port and saved speed (default 9600). Logs to log/ in the working
// directory. Ends in order on SIGTERM or SIGINT, then prints one line per
// kind of box shown: "box<TAB>COUNT<TAB>TEXT".

#include "BenchStore.h"
#include "CountingPrompter.h"
#include "app/MonitorApp.h"
#include "app/TerminationSignals.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "logging/Clock.h"
#include "ui/MonitorApplication.h"

#include <QCommandLineParser>
#include <QLocale>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    catchTerminationSignals();
    MonitorApplication application(argc, argv);
    // Plain "HH:mm:ss" times and "." decimal points in the log, for the checker.
    QLocale::setDefault(QLocale::c());

    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port path."), QStringLiteral("PATH"));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("Saved speed."), QStringLiteral("BAUD"),
                                   QStringLiteral("9600"));
    const QCommandLineOption channels(QStringLiteral("channels"), QStringLiteral("Channels ON."), QStringLiteral("N"),
                                      QStringLiteral("8"));
    parser.addOptions({port, speed, channels});
    parser.process(application);
    if (!parser.isSet(port)) {
        std::fprintf(stderr, "vtx500-soak-monitor: --port is required\n");
        return 2;
    }
    prepareStore(parser.value(port), parser.value(speed), std::clamp(parser.value(channels).toInt(), 1, ChannelCount),
                 1);

    SettingsStore store;
    CountingPrompter prompter;
    Clock clock;
    MonitorApp app(store, prompter, clock, [] { return std::make_unique<Vtx>(); });
    onTerminationSignal([&app] { app.endOnSignal(); });
    app.run();

    for (auto it = prompter.counts().cbegin(); it != prompter.counts().cend(); ++it)
        std::printf("box\t%d\t%s\n", it.value(), qPrintable(QString(it.key()).replace(u'\r', u' ').replace(u'\n', u' ')));
    std::fflush(stdout);
    return 0;
}
