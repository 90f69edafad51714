// While a step of the main loop waits on the line the logging tick runs, but
// a window's timer and a log write failure's box wait for the step's end.
#include "app/MonitorApp.h"
#include "comm/MainLoop.h"
#include "comm/Vtx.h"
#include "config/Numbers.h"
#include "config/SettingsStore.h"
#include "logging/Clock.h"
#include "support/ScriptedPrompter.h"
#include "support/SimProcess.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString WriteFailed = QStringLiteral("Cannot write in the file. Check if the file is open.");
} // namespace

class tst_busystep : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir_->path()));
    }

    // While a polling step waits on the line, the logging tick runs (each
    // failed record is counted at its time), but the log failure boxes and
    // a window's timer wait for the step's last command.
    // 31 instruments, replies paced at 9600 bit/s: a cycle lasts seconds.
    void pollingStepKeepsTheLogTickAndDefersBoxesAndTimers()
    {
        QStringList args;
        for (int address = 0; address < ChannelCount; ++address)
            args << QStringLiteral("--instrument") << QString::number(address);
        SimProcess sim(args);
        QVERIFY(sim.start());
        QSettings(QStringLiteral("KORVANE")).clear();
        SettingsStore store;
        store.save(QStringLiteral("CommPort"), sim.link());
        store.save(QStringLiteral("LogT"), QStringLiteral("1"));
        for (int channel = 0; channel < ChannelCount; ++channel) {
            store.save(QStringLiteral("DvState") + numbers::keySuffix(channel), QStringLiteral("ON"));
            store.save(QStringLiteral("DvtoN") + numbers::keySuffix(channel), QString::number(channel));
        }
        ScriptedPrompter prompter;
        Clock clock;
        MonitorApp app(store, prompter, clock, [] { return std::make_unique<Vtx>(); });
        app.startUp();
        MainLoop &loop = *app.loop();
        loop.begin();
        while (loop.LoopState != MainLoop::Transfer) // the opening pass, then the first cycle starts logging
            loop.turn();
        QVERIFY(app.state.LoggingActive);
        while (loop.LoopState != MainLoop::Polling)
            loop.turn();
        const QString logFile = QDir(QStringLiteral("log")).entryList(QDir::Files).value(0);
        QVERIFY(!logFile.isEmpty());
        QVERIFY(QFile::remove(QStringLiteral("log/") + logFile)); // a directory in its place: appends fail
        QVERIFY(QDir().mkpath(QStringLiteral("log/") + logFile));
        QList<qsizetype> framesAtBox;
        prompter.onShow = [&](const ScriptedPrompter::Shown &) { framesAtBox << sim.record().size(); };
        int ticks = 0;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start();
        loop.turn(); // one polling cycle of 62 commands
        // A window's timer never runs inside the step (the turn's own yield
        // before it may serve it once): its handler could open an event loop
        // that the step would never leave. It runs as soon as the step is over.
        QVERIFY2(ticks <= 1, qPrintable(QString::number(ticks)));
        const int ticksInStep = ticks;
        QTRY_VERIFY(ticks > ticksInStep);
        timer.stop();
        QVERIFY(!framesAtBox.isEmpty());
        QCOMPARE(framesAtBox, QList<qsizetype>(framesAtBox.size(), sim.record().size()));
        QCOMPARE(prompter.texts(), QStringList(framesAtBox.size(), WriteFailed));
        app.endSequence();
    }
};

QTEST_MAIN(tst_busystep)
#include "tst_busystep.moc"
