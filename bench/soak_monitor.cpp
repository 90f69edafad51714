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

#include "CountingPrompter.h"
#include "app/Clock.h"
#include "app/MonitorApp.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QSettings>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// A signal ends the run as File > Exit would: after the current step.
void stopOnSignals(frmMain *&window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&window] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        if (window)
            window->StopRequest = true;
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void prepareStore(const QString &port, const QString &speed, int on)
{
    QSettings(QStringLiteral("KORVANE")).clear();
    SettingsStore store;
    store.save(QStringLiteral("CommPort"), port);
    store.save(QStringLiteral("Speed"), speed);
    store.save(QStringLiteral("LogT"), QStringLiteral("1"));
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const QString suffix = QStringLiteral("%1").arg(channel, 2, 10, QLatin1Char('0'));
        store.save(QStringLiteral("DvState") + suffix, channel < on ? QStringLiteral("ON") : QStringLiteral("OFF"));
        store.save(QStringLiteral("DvtoN") + suffix, QString::number(channel + 1));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
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
    prepareStore(parser.value(port), parser.value(speed), std::clamp(parser.value(channels).toInt(), 1, ChannelCount));

    SettingsStore store;
    CountingPrompter prompter;
    Clock clock;
    MonitorApp app(store, prompter, clock, [] { return std::make_unique<Vtx>(); });
    frmMain *window = nullptr;
    app.mainWindowCreated = [&window](frmMain *created) { window = created; };
    stopOnSignals(window);
    app.run();
    window = nullptr;

    for (auto it = prompter.counts().cbegin(); it != prompter.counts().cend(); ++it)
        std::printf("box\t%d\t%s\n", it.value(), qPrintable(QString(it.key()).replace(u'\r', u' ').replace(u'\n', u' ')));
    std::fflush(stdout);
    return 0;
}
