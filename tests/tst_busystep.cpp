// What goes on while a step of the main loop waits on the line: timers tick
// and the window paints, but a log write failure's box waits for the step's
// end, one box per failed record.
#include "app/MainLoop.h"
#include "app/MonitorApp.h"
#include "comm/PanelView.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "config/SharedState.h"
#include "logging/LogWriter.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompter.h"
#include "support/SimProcess.h"
#include "ui/main/frmMain.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <array>

namespace {

class FakePanels : public PanelView {
public:
    std::array<QString, ChannelCount> pv;
    void setPvText(int channel, const QString &text) override { pv[std::size_t(channel)] = text; }
    QString pvText(int channel) const override { return pv[std::size_t(channel)]; }
    void setLamps(int, quint16) override {}
};

const QString WriteFailed = QStringLiteral("Cannot write in the file. Check if the file is open.");

// A directory where the log file should be: every later append fails.
bool blockLogFile(const QString &name)
{
    return QFile::remove(name) && QDir().mkpath(name);
}

} // namespace

class tst_busystep : public QObject {
    Q_OBJECT
private slots:
    void init();
    void heldWriteFailuresAreShownAfterTheStep_data();
    void heldWriteFailuresAreShownAfterTheStep();
    void pollingStepLetsTimersTickAndDefersTheLogBox();

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

void tst_busystep::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(dir_->path()));
}

void tst_busystep::heldWriteFailuresAreShownAfterTheStep_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("failing");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("boxesDuring");
    QTest::addColumn<int>("boxesAfter");
    QTest::newRow("one failed record in a step") << true << true << 1 << 0 << 1;
    QTest::newRow("three failed records in a step") << true << true << 3 << 0 << 3;
    QTest::newRow("records written in a step") << true << false << 3 << 0 << 0;
    QTest::newRow("failed record outside a step") << false << true << 2 << 2 << 2;
}

void tst_busystep::heldWriteFailuresAreShownAfterTheStep()
{
    QFETCH(bool, held);
    QFETCH(bool, failing);
    QFETCH(int, records);
    QFETCH(int, boxesDuring);
    QFETCH(int, boxesAfter);

    SharedState state;
    state.acceptedLogInterval = 1;
    FakePanels panels;
    ScriptedPrompter prompter;
    FakeClock clock;
    LogWriter writer(state, panels, prompter, clock, nullptr);
    writer.startLogging();
    QVERIFY(prompter.shown.isEmpty());
    if (failing)
        QVERIFY(blockLogFile(writer.logFileName()));

    // A tick under a shown box fails too, but is not stacked on top of it.
    prompter.onShow = [&](const ScriptedPrompter::Shown &) {
        clock.advance(1);
        writer.LoggingTimer_Timer();
    };
    writer.holdMessages(held);
    for (int n = 0; n < records; ++n) {
        clock.advance(1);
        writer.LoggingTimer_Timer();
    }
    QCOMPARE(prompter.shown.size(), boxesDuring);
    writer.holdMessages(false);
    QCOMPARE(prompter.shown.size(), boxesAfter);
    QCOMPARE(writer.heldMessages(), 0);
    for (const ScriptedPrompter::Shown &box : std::as_const(prompter.shown))
        QCOMPARE(box.text, WriteFailed);
}

void tst_busystep::pollingStepLetsTimersTickAndDefersTheLogBox()
{
    // 31 instruments, replies paced at 9600 bit/s: a cycle lasts seconds.
    QStringList args;
    for (int address = 0; address < ChannelCount; ++address)
        args << QStringLiteral("--instrument") << QString::number(address);
    SimProcess sim(args);
    QVERIFY(sim.start());

    QSettings(QStringLiteral("KORVANE")).clear();
    SettingsStore store;
    store.save(QStringLiteral("CommPort"), sim.link());
    store.save(QStringLiteral("Speed"), QStringLiteral("9600"));
    store.save(QStringLiteral("LogT"), QStringLiteral("1"));
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const QString suffix = QStringLiteral("%1").arg(channel, 2, 10, QLatin1Char('0'));
        store.save(QStringLiteral("DvState") + suffix, QStringLiteral("ON"));
        store.save(QStringLiteral("DvtoN") + suffix, QString::number(channel));
    }

    ScriptedPrompter prompter;
    Clock clock;
    MonitorApp app(store, prompter, clock, [] { return std::make_unique<Vtx>(); });
    app.startUp();
    MainLoop &loop = *app.loop();
    loop.begin();
    QCOMPARE(int(loop.LoopState), int(MainLoop::InitialRead));
    while (loop.LoopState != MainLoop::Transfer) // the opening pass, then the first cycle starts logging
        loop.turn();
    QVERIFY(app.state.LoggingActive);
    while (loop.LoopState != MainLoop::Polling)
        loop.turn();

    const QString logFile = QDir(QStringLiteral("log")).entryList(QDir::Files).value(0);
    QVERIFY(!logFile.isEmpty());
    QVERIFY(blockLogFile(QStringLiteral("log/") + logFile));
    QList<qsizetype> framesAtBox;
    prompter.onShow = [&](const ScriptedPrompter::Shown &) { framesAtBox << sim.record().size(); };

    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    loop.turn(); // one polling cycle of 62 commands
    timer.stop();

    // The turn's own yield serves the timer at most once; the rest ticked
    // while the step waited for replies.
    QVERIFY2(ticks > 10, qPrintable(QString::number(ticks)));
    // Every failed record of the cycle was told, after its last command.
    QVERIFY(!framesAtBox.isEmpty());
    const qsizetype framesAtEnd = sim.record().size();
    for (qsizetype frames : std::as_const(framesAtBox))
        QCOMPARE(frames, framesAtEnd);
    QCOMPARE(prompter.texts(), QStringList(framesAtBox.size(), WriteFailed));
    app.endSequence();
}

QTEST_MAIN(tst_busystep)
#include "tst_busystep.moc"
