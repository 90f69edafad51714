// vtx500-bench: the finished program against the physical limit of the line.
// Drives the real start-up, main loop, discovery and polling with the real
// serial component against vtx500-sim on a pty (pacing its replies at the
// line speed), and prints its figures as plain lines.
//
//   vtx500-bench [--quick] [--only PART]
//     --quick: fewer cycles and runs, for a smoke test
//     --only PART: poll9600, poll19200, poll19200windows, idle, discovery,
//                  startup or events

#include "BenchStore.h"
#include "CountingPrompter.h"
#include "app/MonitorApp.h"
#include "comm/Commands.h"
#include "comm/Frame.h"
#include "comm/MainLoop.h"
#include "comm/Polling.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "logging/Clock.h"
#include "logging/EventJournal.h"
#include "logging/JournalPanels.h"
#include "support/SimProcess.h"
#include "ui/MonitorApplication.h"
#include "ui/events/EventsWindow.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <vector>

namespace {

// The simulator's default pause before each reply.
constexpr double TurnaroundMs = 5;

// One unanswered probe: the command's 12 characters on the wire, then the
// wait for a reply.
double silentProbeMs(int speed) { return frame::ReadCommandLength * 10.0 * 1000 / speed + Vtx::replyTimeoutMs(speed); }

bool quick = false;

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString ms(double value) { return QString::number(value, 'f', 1) + QStringLiteral(" ms"); }

QString verdict(bool met) { return met ? QStringLiteral("met") : QStringLiteral("MISSED"); }

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Processor time (user + system) of this process so far, in milliseconds.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto toMs = [](const timeval &t) { return double(t.tv_sec) * 1000 + double(t.tv_usec) / 1000; };
    return toMs(usage.ru_utime) + toMs(usage.ru_stime);
}

// Processor share over consecutive slices of a span. The machines this runs
// on are shared virtual ones whose accounting jumps with the host's load, so
// the median slice is the figure, with the range beside it.
class CpuSlices {
public:
    explicit CpuSlices(qint64 sliceMs) : sliceMs_(sliceMs) { restart(); }
    // Closes the slice when it is long enough; true when it did.
    bool sample()
    {
        if (wall_.elapsed() < sliceMs_)
            return false;
        shares_.push_back((cpuMs() - cpu_) / double(wall_.elapsed()) * 100);
        restart();
        return true;
    }
    int count() const { return int(shares_.size()); }
    QString text() const
    {
        if (shares_.empty())
            return QStringLiteral("no slice");
        return QStringLiteral("%1 % of a core (median of %2 slices of %3 s; range %4..%5 %)")
            .arg(median(shares_), 0, 'f', 2)
            .arg(shares_.size())
            .arg(double(sliceMs_) / 1000, 0, 'f', 0)
            .arg(*std::min_element(shares_.begin(), shares_.end()), 0, 'f', 2)
            .arg(*std::max_element(shares_.begin(), shares_.end()), 0, 'f', 2);
    }
    double medianShare() const { return median(shares_); }

private:
    void restart()
    {
        cpu_ = cpuMs();
        wall_.start();
    }
    qint64 sliceMs_;
    double cpu_ = 0;
    QElapsedTimer wall_;
    std::vector<double> shares_;
};

// --instrument options for addresses 0..30, each with its own PV.
QStringList thirtyOneInstruments()
{
    QStringList args;
    for (int address = 0; address < ChannelCount; ++address)
        args << QStringLiteral("--instrument") << QStringLiteral("%1:pv=%2").arg(address).arg(100 + address);
    return args;
}

// The program as vtx500-monitor builds it, with boxes answered at once.
struct Program {
    SettingsStore store;
    CountingPrompter prompter;
    Clock clock;
    MonitorApp app{store, prompter, clock, [] { return std::make_unique<Vtx>(); }};

    Program() { app.startUp(); }
    ~Program() { app.endSequence(); }
    MainLoop &loop() { return *app.loop(); }
};

// The longest time the event queue goes unserved while armed: a queued
// call that queues itself again runs on every pass, the passes of a step's
// waits included (they serve no timer, so a timer could not mark them).
class GapWatch {
public:
    void arm()
    {
        clock_.start();
        last_ = 0;
        armed_ = true;
        queue();
    }
    void disarm()
    {
        mark();
        armed_ = false;
    }
    double longestMs() const { return longest_ / 1e6; }

private:
    void queue()
    {
        QMetaObject::invokeMethod(&context_, [this] {
            if (!armed_)
                return;
            mark();
            queue();
        }, Qt::QueuedConnection);
    }
    void mark()
    {
        const qint64 now = clock_.nsecsElapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    QObject context_;
    QElapsedTimer clock_;
    bool armed_ = false;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

void reportBoxes(const QString &what, const CountingPrompter &prompter)
{
    for (auto it = prompter.counts().cbegin(); it != prompter.counts().cend(); ++it)
        say(QStringLiteral("  note %1: box \"%2\" x%3").arg(what, QString(it.key()).replace(u'\r', u' ').replace(u'\n', u' ')).arg(it.value()));
}

// withWindows: the trend and line status windows open and shown while it polls.
void benchPolling(int speed, bool withWindows = false)
{
    SimProcess sim(QStringList{QStringLiteral("--speed"), QString::number(speed)} + thirtyOneInstruments());
    if (!sim.start()) {
        say(QStringLiteral("poll cycle %1: the simulator did not start").arg(speed));
        return;
    }
    prepareStore(sim.link(), QString::number(speed), ChannelCount, 0);
    Program program;
    const QString label = withWindows ? QStringLiteral("%1 bit/s, trend and line status shown").arg(speed)
                                      : QStringLiteral("%1 bit/s").arg(speed);
    if (withWindows)
        for (const char *item : {"mnuViewTrend", "mnuViewLine"})
            program.app.mainWindow()->findChild<QAction *>(QLatin1String(item))->trigger();
    MainLoop &loop = program.loop();
    loop.begin();
    if (loop.LoopState != MainLoop::InitialRead) {
        say(QStringLiteral("poll cycle %1: discovery found nothing").arg(speed));
        return;
    }
    // The opening PV pass, then one cycle to warm up (logging starts there).
    while (loop.LoopState != MainLoop::Transfer)
        loop.turn();

    std::vector<double> cycles;
    GapWatch gaps;
    const int watchedCycles = quick ? 2 : 4;
    while (int(cycles.size()) < watchedCycles) {
        if (loop.LoopState != MainLoop::Polling) {
            loop.turn();
            continue;
        }
        QElapsedTimer t;
        gaps.arm();
        t.start();
        loop.turn();
        cycles.push_back(double(t.nsecsElapsed()) / 1e6);
        gaps.disarm();
    }

    // Processor time over a span of plain polling, no watch running.
    CpuSlices cpu(2000);
    const int slices = quick ? 2 : 10;
    while (cpu.count() < slices) {
        const bool polling = loop.LoopState == MainLoop::Polling;
        QElapsedTimer t;
        t.start();
        loop.turn();
        if (polling)
            cycles.push_back(double(t.nsecsElapsed()) / 1e6);
        cpu.sample();
    }
    const double cpuShare = cpu.medianShare();

    const double limit = commands::cycleWireLimitMs(ChannelCount, speed, TurnaroundMs);
    const double med = median(cycles);
    const double ratio = med / limit;
    say(QStringLiteral("poll cycle %1: median %2 over %3 cycles; wire limit %4; ratio %5 (target <= 1.10: %6)")
            .arg(label)
            .arg(ms(med))
            .arg(cycles.size())
            .arg(ms(limit))
            .arg(ratio, 0, 'f', 3)
            .arg(verdict(ratio <= 1.10)));
    say(QStringLiteral("event loop gap %1: longest %2 during %3 polling cycles (target < 100 ms: %4)")
            .arg(label)
            .arg(ms(gaps.longestMs()))
            .arg(watchedCycles)
            .arg(verdict(gaps.longestMs() < 100)));
    say(QStringLiteral("cpu polling %1: %2%3")
            .arg(label)
            .arg(cpu.text())
            .arg(speed == 19200 ? QStringLiteral(" (target < 5 %: %1)").arg(verdict(cpuShare < 5)) : QString()));
    reportBoxes(QStringLiteral("polling"), program.prompter);
}

void benchIdle()
{
    prepareStore(QStringLiteral("COM1"), QStringLiteral("9600"), 0, 0);
    Program program;
    const int slices = quick ? 2 : 10;
    bool &stop = program.app.mainWindow()->StopRequest;
    CpuSlices cpu(950); // closed by the 1 s sampler below
    QTimer sampler;
    sampler.setInterval(1000);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        cpu.sample();
        if (cpu.count() >= slices)
            stop = true;
    });
    sampler.start();
    program.loop().communicate();
    say(QStringLiteral("cpu idle (all channels OFF): %1 (target < 1 %: %2)")
            .arg(cpu.text(), verdict(cpu.medianShare() < 1)));
}

void benchDiscovery()
{
    const int runs = quick ? 1 : 3;
    {
        // The saved speed is 9600; the instruments answer only at 2400, the
        // last candidate, on the saved port.
        SimProcess sim(QStringList{QStringLiteral("--speed"), QStringLiteral("2400")} + thirtyOneInstruments());
        if (!sim.start()) {
            say(QStringLiteral("discovery: the simulator did not start"));
            return;
        }
        std::vector<double> found, polling;
        QString speed;
        for (int run = 0; run < runs; ++run) {
            prepareStore(sim.link(), QStringLiteral("9600"), ChannelCount, 0);
            Program program;
            MainLoop &loop = program.loop();
            QElapsedTimer t;
            t.start();
            loop.begin();
            found.push_back(double(t.nsecsElapsed()) / 1e6);
            while (loop.LoopState == MainLoop::InitialRead)
                loop.turn();
            polling.push_back(double(t.nsecsElapsed()) / 1e6);
            speed = program.store.get(QStringLiteral("Speed"), QString());
        }
        // Four candidates fail (two probes each, each waiting its time-out
        // after the command's wire time), the fifth answers.
        double expected = 0;
        for (int s : {9600, 19200, 9600, 4800})
            expected += 2 * silentProbeMs(s);
        expected += commands::cycleWireLimitMs(1, 2400, TurnaroundMs) / 2; // one of a channel's two reads
        say(QStringLiteral("discovery on the last speed: found %1 bit/s after %2 (median of %3; time-outs and wire "
                           "time alone %4); polling starts after %5 (with the opening PV pass over 31 channels)")
                .arg(speed, ms(median(found)))
                .arg(runs)
                .arg(ms(expected), ms(median(polling))));
    }
    {
        // Nothing answers: every port and speed candidate in turn.
        SimProcess sim(QStringList{});
        if (!sim.start())
            return;
        std::vector<double> rounds;
        QStringList notes;
        for (int run = 0; run < runs; ++run) {
            prepareStore(sim.link(), QStringLiteral("9600"), ChannelCount, 0);
            Program program;
            QElapsedTimer t;
            t.start();
            program.loop().begin();
            rounds.push_back(double(t.nsecsElapsed()) / 1e6);
            if (run == 0)
                reportBoxes(QStringLiteral("discovery with nothing answering"), program.prompter);
        }
        double expected = 0;
        for (int s : {9600, 19200, 9600, 4800, 2400})
            expected += 2 * silentProbeMs(s);
        say(QStringLiteral("discovery with nothing answering: one StartLink round %1 (median of %2; the saved port's "
                           "time-outs alone %3; COM1 and COM2 as this machine has them)")
                .arg(ms(median(rounds)))
                .arg(runs)
                .arg(ms(expected)));
    }
}

// From starting vtx500-monitor to its first probe frame at the simulator.
// The program sends that probe right after showing its main window (the last
// start-up step); opening the port and the probe's wire time on a pty (which
// does not pace the host's output) add well under a millisecond.
void benchStartUp()
{
    SimProcess sim(QStringList{QStringLiteral("--instrument"), QStringLiteral("0")});
    if (!sim.start()) {
        say(QStringLiteral("start-up: the simulator did not start"));
        return;
    }
    const int runs = quick ? 2 : 7;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("config"));
        QDir(dir.path()).mkpath(QStringLiteral("work"));
        {
            QSettings conf(dir.filePath(QStringLiteral("config/KORVANE.conf")), QSettings::IniFormat);
            conf.beginGroup(QStringLiteral("VTX-500 Monitor"));
            conf.setValue(QStringLiteral("CommPort"), sim.link());
            conf.setValue(QStringLiteral("Speed"), QStringLiteral("9600"));
            conf.setValue(QStringLiteral("DvState00"), QStringLiteral("ON"));
        }
        const qsizetype framesBefore = sim.record().size();
        QProcess monitor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        monitor.setProcessEnvironment(env);
        monitor.setWorkingDirectory(dir.filePath(QStringLiteral("work")));
        monitor.setProcessChannelMode(QProcess::ForwardedChannels);
        QElapsedTimer t;
        t.start();
        monitor.start(QStringLiteral(VTX500_MONITOR_PATH), {});
        bool seen = false;
        while (t.elapsed() < 30000 && monitor.state() != QProcess::NotRunning) {
            if (sim.record().size() > framesBefore) {
                seen = true;
                break;
            }
            QThread::usleep(500);
        }
        if (seen)
            times.push_back(double(t.nsecsElapsed()) / 1e6);
        monitor.terminate(); // SIGTERM: the program ends in order
        if (!monitor.waitForFinished(10000)) {
            monitor.kill();
            monitor.waitForFinished();
        }
    }
    if (times.empty()) {
        say(QStringLiteral("start-up: the program never sent its first probe"));
        return;
    }
    say(QStringLiteral("start-up: %1 from process start to the first probe after the main window is shown "
                       "(median of %2 runs; min %3, max %4)")
            .arg(ms(median(times)))
            .arg(times.size())
            .arg(ms(*std::min_element(times.begin(), times.end())), ms(*std::max_element(times.begin(), times.end()))));
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1)).trimmed();
        }
    }
    return QStringLiteral("unknown CPU");
}

} // namespace

// Panels that only keep what polling shows.
class PlainPanels : public PanelView {
public:
    void setPvText(int channel, const QString &text) override { texts_[std::size_t(channel)] = text; }
    QString pvText(int channel) const override { return texts_[std::size_t(channel)]; }
    void setLamps(int, quint16) override {}

private:
    std::array<QString, ChannelCount> texts_;
};

// The heap this process holds, in bytes.
double heapBytes() { return double(mallinfo2().uordblks); }

// An alarm flood: every lamp of 31 instruments turning at every polling
// cycle at 19200 bit/s. The journal is driven directly for an hour of
// cycles (its cost against the cycle's time, the memory it keeps, the events
// window over what it holds), and real polling over the simulator, its
// instruments' lamps turned between cycles, is timed with the journal and
// without it, alternately.
void benchEvents()
{
    constexpr int speed = 19200;
    const double cycleMs = commands::cycleWireLimitMs(ChannelCount, speed, TurnaroundMs);
    const int cycles = quick ? 200 : int(3600 * 1000 / cycleMs);
    SharedState state;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        state.channels(channel, StateItem).Value = QStringLiteral("ON");
        state.DvtoN[std::size_t(channel)] = QString::number(channel);
    }
    CountingPrompter prompter;
    Clock clock;
    const double heapBefore = heapBytes();
    auto journal = std::make_unique<EventJournal>(state, clock, prompter);
    journal->programStarted();
    std::vector<double> perCycle;
    const QString pv = QStringLiteral("12.3");
    for (int cycle = 0; cycle < cycles; ++cycle) {
        QElapsedTimer t;
        t.start();
        for (int channel = ChannelCount - 1; channel >= 0; --channel) {
            journal->pvShown(channel, pv);
            journal->lampsShown(channel, cycle % 2 ? 0 : 7);
        }
        journal->cycleEnded();
        perCycle.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const double heldMiB = (heapBytes() - heapBefore) / (1024.0 * 1024.0);
    const double cost = median(perCycle);
    say(QStringLiteral("events flood: %1 cycles (%2 events, %3 kept), journal %4 a cycle (median; longest %5), %6 % "
                       "of the %7 cycle at %8 bit/s (target < 2 %: %9)")
            .arg(cycles)
            .arg(journal->events().back().sequence)
            .arg(journal->events().size())
            .arg(ms(cost))
            .arg(ms(*std::max_element(perCycle.begin(), perCycle.end())))
            .arg(cost / cycleMs * 100, 0, 'f', 2)
            .arg(ms(cycleMs))
            .arg(speed)
            .arg(verdict(cost / cycleMs < 0.02)));
    say(QStringLiteral("events memory: %1 MiB for %2 events kept (target < 32 MiB: %3); write failures %4")
            .arg(heldMiB, 0, 'f', 1)
            .arg(journal->events().size())
            .arg(verdict(heldMiB < 32))
            .arg(journal->failedWrites()));

    // The events window over 100,000 events: a repaint, and the refresh of a
    // cycle's 93 new events with its repaint.
    {
        EventsWindow window(*journal);
        window.show();
        QCoreApplication::processEvents();
        auto *table = window.findChild<QTableView *>(QStringLiteral("eventTable"));
        std::vector<double> repaints, refreshes;
        for (int i = 0; i < 30; ++i) {
            QElapsedTimer t;
            t.start();
            table->viewport()->repaint();
            repaints.push_back(double(t.nsecsElapsed()) / 1e6);
            for (int channel = 0; channel < ChannelCount; ++channel)
                journal->lampsShown(channel, i % 2 ? 7 : 0);
            t.start();
            window.refresh();
            table->viewport()->repaint();
            refreshes.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        say(QStringLiteral("events window with %1 events: repaint %2, refresh with 93 new events and repaint %3 "
                           "(medians of 30; target < 16 ms: %4)")
                .arg(journal->events().size())
                .arg(ms(median(repaints)))
                .arg(ms(median(refreshes)))
                .arg(verdict(std::max(median(repaints), median(refreshes)) < 16)));
    }
    journal.reset();
    {
        QElapsedTimer t;
        t.start();
        EventJournal again(state, clock, prompter);
        const int read = again.readBack();
        say(QStringLiteral("events read back at start: %1 events of the flood's journal in %2 (%3 kept)")
                .arg(read)
                .arg(ms(double(t.nsecsElapsed()) / 1e6))
                .arg(again.events().size()));
    }

    SimProcess sim(QStringList{QStringLiteral("--speed"), QString::number(speed)} + thirtyOneInstruments());
    Vtx vtx;
    vtx.SetPort(sim.link());
    vtx.SetSpeed(QString::number(speed));
    if (!sim.start() || !vtx.Open()) {
        say(QStringLiteral("events polling: the simulator did not start"));
        return;
    }
    EventJournal polled(state, clock, prompter);
    vtx.setAttemptObserver([&polled](const AttemptReport &report) { polled.attemptEnded(report); });
    PlainPanels plain;
    JournalPanels journalled(plain, polled);
    Polling without(vtx, state, plain, prompter);
    Polling with(vtx, state, journalled, prompter);
    std::vector<double> times[2];
    const int pairs = quick ? 4 : 10;
    for (int cycle = 0; cycle < 2 * pairs; ++cycle) {
        // Lamps all red, all green, red, green ...; the journal polls two
        // cycles of every four, so that each of its cycles turns them all.
        for (int address = 0; address < ChannelCount; ++address)
            sim.command(QStringLiteral("set %1 status %2").arg(address).arg(cycle % 2 ? 0 : 7));
        const bool withJournal = cycle % 4 < 2;
        QElapsedTimer t;
        t.start();
        (withJournal ? with : without).PollChannels();
        if (withJournal)
            polled.cycleEnded();
        times[withJournal].push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const double ratio = median(times[1]) / median(times[0]);
    say(QStringLiteral("events polling at %1 bit/s, all 93 lamps turning: cycle %2 with the journal, %3 without "
                       "(medians of %4); ratio %5 (target <= 1.02: %6); %7 events")
            .arg(speed)
            .arg(ms(median(times[1])))
            .arg(ms(median(times[0])))
            .arg(pairs)
            .arg(ratio, 0, 'f', 4)
            .arg(verdict(ratio <= 1.02))
            .arg(polled.events().size()));
    reportBoxes(QStringLiteral("events"), prompter);
}

int main(int argc, char *argv[])
{
    // The program's settings and files go to a directory of the run's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    MonitorApplication application(argc, argv);
    quick = QCoreApplication::arguments().contains(QStringLiteral("--quick"));
    QDir(home.path()).mkpath(QStringLiteral("work"));
    QDir::setCurrent(home.filePath(QStringLiteral("work")));

    say(QStringLiteral("machine: %1 cores, %2, %3")
            .arg(QThread::idealThreadCount())
            .arg(cpuModel(), QDateTime::currentDateTime().toString(Qt::ISODate)));
    // --only NAME runs one part: poll9600, poll19200, poll19200windows, idle,
    // discovery, startup, events.
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype only = arguments.indexOf(QStringLiteral("--only"));
    const QString part = only >= 0 ? arguments.value(only + 1) : QString();
    const auto wanted = [&part](const char *name) { return part.isEmpty() || part == QLatin1String(name); };
    if (wanted("poll9600"))
        benchPolling(9600);
    if (wanted("poll19200"))
        benchPolling(19200);
    if (wanted("poll19200windows"))
        benchPolling(19200, true);
    if (wanted("idle"))
        benchIdle();
    if (wanted("discovery"))
        benchDiscovery();
    if (wanted("startup"))
        benchStartUp();
    if (wanted("events"))
        benchEvents();
    return 0;
}
