// The main loop's state table against recorded steps, and the whole program
// with a scripted component: start-up, geometry, the ways it ends, in order.
#include "app/MonitorApp.h"
#include "comm/LineRecorder.h"
#include "comm/MainLoop.h"
#include "config/SettingsStore.h"
#include "support/FakeClock.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"
#include "trend/LiveHistory.h"
#include "ui/dialogs/frmDevNo.h"
#include "ui/dialogs/frmSetting.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <stdexcept>

namespace {
QStringList events;
// Port closed, then the component released after VX5DP.DAT is written, then the store.
const QStringList EndOrder{"Close", "released after VX5DP.DAT", "save PVname00", "save MainLeft"};

class LoggedVtx : public FakeVtx {
public:
    ~LoggedVtx() override
    {
        events << (QFile::exists(QStringLiteral("VX5DP.DAT")) ? QStringLiteral("released after VX5DP.DAT")
                                                               : QStringLiteral("released"));
    }
    void Close() override
    {
        FakeVtx::Close();
        events << QStringLiteral("Close");
    }
};

class RecordingStore : public SettingsStore {
public:
    QMap<QString, int> saves;
    void save(const QString &key, const QString &value) override
    {
        if (saves[key]++ == 0 && (key == QLatin1String("PVname00") || key == QLatin1String("MainLeft")))
            events << QStringLiteral("save ") + key;
        SettingsStore::save(key, value);
    }
};
} // namespace

class tst_monitorapp : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingStore store_;
    ScriptedPrompter prompter_;
    FakeClock clock_;
    std::unique_ptr<MonitorApp> app_;
    std::function<void(LoggedVtx &)> setUpVtx;

    // Runs the program; `during` runs from the loop's first yield.
    void run(const std::function<void()> &during)
    {
        app_->startUp();
        // A failed check inside `during` ends the run at once.
        QTimer::singleShot(0, app_->mainWindow(), [this, during] {
            during();
            if (QTest::currentTestFailed())
                app_->mainWindow()->StopRequest = true;
        });
        // A run whose ending never comes fails, leaving no loop or modal window.
        bool stoppedByTest = false;
        QTimer::singleShot(20000, app_->mainWindow(), [this, &stoppedByTest] {
            stoppedByTest = true;
            app_->mainWindow()->StopRequest = true;
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        app_->loop()->communicate();
        app_->endSequence();
        QVERIFY2(!stoppedByTest, "the program did not end by itself");
    }
    void trigger(const QString &action) { app_->mainWindow()->findChild<QAction *>(action)->trigger(); }
    QString stored(const QString &key) const { return store_.get(key, QString()); }

    // The main loop alone, its steps recorded.
    SharedState state_;
    bool stop_ = false;
    QStringList log_;
    QStringList linkResults_; // results of successive StartLink calls, "" when used up
    std::function<void(const QString &)> onStep;

    MainLoop makeLoop()
    {
        auto step = [this](const QString &name) {
            log_ << name;
            if (onStep)
                onStep(name);
        };
        MainLoop::Steps steps;
        steps.StartLink = [this, step] {
            step(QStringLiteral("StartLink"));
            return linkResults_.isEmpty() ? QString() : linkResults_.takeFirst();
        };
        steps.ReadAllPv = [step] { step(QStringLiteral("ReadAllPv")); };
        steps.PollChannels = [step] { step(QStringLiteral("PollChannels")); };
        steps.TransferSettings = [step] { step(QStringLiteral("TransferSettings")); };
        steps.startLogging = [this, step] {
            step(QStringLiteral("startLogging"));
            state_.LoggingActive = true;
        };
        steps.closeRequested = [] { return false; };
        steps.yield = [this] { log_ << QStringLiteral("yield"); };
        return MainLoop(state_, stop_, steps);
    }

private slots:
    void init()
    {
        state_ = SharedState();
        stop_ = true; // begin() must clear it
        log_.clear();
        linkResults_.clear();
        onStep = nullptr;
        QSettings(QStringLiteral("KORVANE")).clear();
        QDir::setCurrent(dir_.path());
        QFile::remove(QStringLiteral("VX5DP.DAT"));
        events.clear();
        store_.saves.clear();
        prompter_ = ScriptedPrompter();
        setUpVtx = nullptr;
        app_ = std::make_unique<MonitorApp>(store_, prompter_, clock_, [this] {
            auto vtx = std::make_unique<LoggedVtx>();
            if (setUpVtx)
                setUpVtx(*vtx);
            return vtx;
        });
    }
    void cleanup() { app_.reset(); }

    // File > Exit, the window manager's close and a termination signal (here
    // while the modal about box is open and the loop turns behind it) end in
    // order: the port closed, VX5DP.DAT written before the component goes,
    // then one save of each key (the exit save once wrote the file 66 times);
    // an open setting dialog is unloaded with the program.
    void endsInOrder_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("File > Exit") << "exit";
        QTest::newRow("window manager's close") << "frame";
        QTest::newRow("termination signal under the about box") << "signal";
    }
    void endsInOrder()
    {
        QFETCH(QString, how);
        QPointer<frmSetting> dialog;
        run([this, &dialog, how] {
            app_->state.channels(3, NameItem).Value = QStringLiteral("Renamed");
            trigger(QStringLiteral("Dv05"));
            dialog = app_->settingDialog();
            QVERIFY(dialog && dialog->isVisible());
            if (how == QLatin1String("frame")) {
                app_->mainWindow()->close();
            } else if (how == QLatin1String("exit")) {
                trigger(QStringLiteral("mnuFileExit"));
            } else {
                QTimer::singleShot(0, app_->mainWindow(), [this] { app_->endOnSignal(); });
                trigger(QStringLiteral("mnuHelpAbout"));
            }
        });
        QCOMPARE(events, EndOrder);
        QVERIFY(dialog.isNull());
        QCOMPARE(app_->mainWindow(), nullptr);
        QCOMPARE(stored(QStringLiteral("PVname03")), QStringLiteral("Renamed"));
        QCOMPARE(stored(QStringLiteral("MainLeft")), QStringLiteral("1005"));
        for (int i = 0; i < ChannelCount; ++i)
            QCOMPARE(store_.saves.value(QStringLiteral("PVname%1").arg(i, 2, 10, QLatin1Char('0'))), 1);
        QVERIFY(prompter_.shown.isEmpty());
    }

    // A minimised window at exit keeps the stored geometry it was restored from.
    void geometryIsRestoredAndMinimisedKeepsIt()
    {
        const QStringList keys{"MainLeft", "MainTop", "MainWidth", "MainHeight"}, values{"3000", "1500", "9000", "8400"};
        for (int i = 0; i < 4; ++i)
            store_.save(keys[i], values[i]);
        run([this] {
            QCOMPARE(app_->mainWindow()->frameGeometry(), QRect(200, 100, 600, 560));
            app_->mainWindow()->showMinimized();
            app_->mainWindow()->move(10, 10);
            trigger(QStringLiteral("mnuFileExit"));
        });
        QCOMPARE(store_.saves.value(QStringLiteral("MainLeft")), 1); // only the test's own
        for (int i = 0; i < 4; ++i)
            QCOMPARE(stored(keys[i]), values[i]);
    }

    // A stored window larger than its screen is cut to the screen.
    void hugeStoredWindowFitsTheScreen()
    {
        store_.save(QStringLiteral("MainWidth"), QStringLiteral("480000"));
        store_.save(QStringLiteral("MainHeight"), QStringLiteral("480000"));
        run([this] {
            QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(app_->mainWindow()->frameGeometry()));
            trigger(QStringLiteral("mnuFileExit"));
        });
    }

    // A component error in discovery is told, then "close?" asked: No tries
    // again at the next turn; Yes ends in order without asking again. Nothing
    // is saved and discovery leaves the port alone (the one Close is the end's).
    void closeAnswerAfterCommunicationErrorEndsInOrder()
    {
        store_.save(QStringLiteral("DvState00"), QStringLiteral("ON"));
        setUpVtx = [](LoggedVtx &vtx) {
            vtx.open = [](const QString &, const QString &) -> bool { throw VtxError("no permission"); };
        };
        prompter_.answers << Prompter::Answer::No << Prompter::Answer::Yes;
        app_->run();
        QCOMPARE(prompter_.shown.size(), 4); // no further turn to ask again
        QVERIFY(!prompter_.shown[2].question && prompter_.shown[3].question);
        QVERIFY(!store_.contains(QStringLiteral("Speed")));
        QCOMPARE(events, EndOrder);
    }

    // A fault of the program itself inside a step is told; the program goes on.
    void programFaultInAStepIsToldAndTheProgramGoesOn()
    {
        store_.save(QStringLiteral("DvState00"), QStringLiteral("ON"));
        setUpVtx = [](LoggedVtx &vtx) {
            vtx.reply = [&vtx](const SentCommand &) -> QString {
                if (vtx.sent.size() > 1)
                    throw std::out_of_range("index 40");
                return FakeVtx::ack("0001");
            };
        };
        prompter_.onShow = [this](const ScriptedPrompter::Shown &) { trigger(QStringLiteral("mnuFileExit")); };
        run([] {});
        QCOMPARE(prompter_.texts(), QStringList{"Internal error: index 40"});
        QCOMPARE(events, EndOrder);
    }

    // With a folder in place of the store's file, each save that loses data
    // is told once, naming the file: the found speed, the address dialog's
    // OK (31 keys) and the exit save (names, states, geometry).
    void unwritableStoreIsToldOncePerSave()
    {
        const QString file = QSettings(QStringLiteral("KORVANE")).fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        setUpVtx = [](LoggedVtx &vtx) {
            vtx.reply = [&vtx](const SentCommand &) {
                return vtx.speed == QLatin1String("19200") ? FakeVtx::ack("0001") : FakeVtx::none();
            };
        };
        prompter_.onShow = [this](const ScriptedPrompter::Shown &) {
            if (prompter_.shown.size() == 1) {
                app_->addressDialog()->DvOK_Click();
                trigger(QStringLiteral("mnuFileExit"));
            }
        };
        run([this] { app_->state.channels(0, StateItem).Value = QStringLiteral("ON"); });
        QDir(file).removeRecursively();
        const QString told = QStringLiteral("Cannot write the file %1.\nIs a directory").arg(file);
        QCOMPARE(prompter_.texts(), QStringList(3, told));
        QCOMPARE(events.mid(events.size() - EndOrder.size()), EndOrder); // the program went on to its end
    }

    // Records under a step's box hold "----" for every monitored channel (the
    // one still answering too, an OFF one empty); the live trend has a gap.
    // Each polling cycle feeds the line status (counts per address) and the
    // trend's live history (the PVs as shown, none for an OFF channel).
    void recordsUnderAStepsBoxHoldNoValue()
    {
        QDir(QStringLiteral("log")).removeRecursively();
        store_.save(QStringLiteral("DvState00"), QStringLiteral("ON"));
        store_.save(QStringLiteral("DvState01"), QStringLiteral("ON"));
        store_.save(QStringLiteral("DvtoN01"), QStringLiteral("1"));
        setUpVtx = [this](LoggedVtx &vtx) {
            vtx.reply = [this](const SentCommand &command) {
                const bool silent = command.deviceAddress() == 0 && app_->state.LoggingActive;
                return silent ? FakeVtx::none() : FakeVtx::ack("0012");
            };
        };
        trend::Millis boxAt = 0;
        bool linePolled = false;
        prompter_.onShow = [this, &boxAt, &linePolled](const ScriptedPrompter::Shown &) {
            if (boxAt != 0)
                return;
            boxAt = clock_.now().toMSecsSinceEpoch();
            const LineRecorder &line = *app_->lineRecorder();
            linePolled = line.counts(1).replies >= 3 && line.counts(0).noAnswers > 0;
            clock_.advance(61); // a record falls due under the box
            QTest::qWait(600);  // ticks of the logging timer
            trigger(QStringLiteral("mnuFileExit"));
        };
        run([] {});
        QVERIFY(boxAt != 0);
        const QStringList logs = QDir(QStringLiteral("log")).entryList({QStringLiteral("*.TXT")}, QDir::Files);
        QCOMPARE(logs.size(), 1);
        QFile log(QStringLiteral("log/") + logs.first());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QCOMPARE(lines.size(), 3); // the header, the record written under the box, nothing after it
        QCOMPARE(lines[1].split('\t').mid(1, 3), (QList<QByteArray>{"----", "----", ""}));
        QVERIFY(std::isnan(app_->history().valueAt(1, boxAt + 1000)));
        const trend::Millis last = app_->history().lastTime();
        QVERIFY(last > boxAt);
        QCOMPARE(app_->history().valueAt(1, last), 18.0f);
        QVERIFY(std::isnan(app_->history().valueAt(2, last))); // read at the start, but not monitored
        QVERIFY(linePolled);
    }

    // View > Line status while polling: the port in its header, the probe on
    // a row of its own, an OFF channel at the polled channel's address with
    // no counts; Alt+R sets the counts to zero.
    void lineStatusWhilePolling()
    {
        store_.save(QStringLiteral("CommPort"), QStringLiteral("ttyLINE7"));
        store_.save(QStringLiteral("DvState00"), QStringLiteral("ON")); // channel 1: OFF, both at address 0
        setUpVtx = [](LoggedVtx &vtx) { vtx.reply = [](const SentCommand &) { return FakeVtx::ack("0012"); }; };
        run([this] {
            trigger(QStringLiteral("mnuViewLine"));
            auto *window = app_->mainWindow()->findChild<QWidget *>(QStringLiteral("lineStatusWindow"));
            QVERIFY(window && window->isVisible());
            QTRY_VERIFY(app_->lineRecorder()->counts(0).replies >= 4);
            QVERIFY(window->findChild<QLabel *>(QStringLiteral("lineActivity"))->text().contains("polling on ttyLINE7"));
            const QAbstractItemModel *table = window->findChild<QTableView *>(QStringLiteral("channelTable"))->model();
            const auto cells = [table](int row) { // state, replies, no answers
                return QStringList{table->index(row, 2).data().toString(), table->index(row, 4).data().toString(),
                                   table->index(row, 6).data().toString()};
            };
            QCOMPARE(cells(1), (QStringList{"OFF", "", ""}));
            QCOMPARE(cells(ChannelCount), (QStringList{"", "1", "0"}));
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, 'r', Qt::AltModifier); // clicks after a moment, as a mnemonic does
            QTRY_COMPARE(cells(ChannelCount), (QStringList{"", "0", "0"}));
            trigger(QStringLiteral("mnuFileExit"));
        });
    }

    // The loop's turns: which step runs after which, when logging starts, when
    // it pauses before the next turn; File > Exit chosen during a yield lets
    // the step after it run (in discovery the current StartLink), then ends.
    void stateTable_data()
    {
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<int>("turns"); // -1: until File > Exit at the step `stopAt`
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<MainLoop::State>("finalState");
        QTest::addColumn<bool>("pause"); // before the next turn
        QTest::addColumn<QString>("stopAt");
        QTest::newRow("found at start: logging starts once, after the first poll")
            << QStringList{"9600"} << 6
            << QStringList{"StartLink", "yield", "ReadAllPv", "yield", "PollChannels", "startLogging", "yield",
                           "TransferSettings", "yield", "PollChannels", "yield", "TransferSettings", "yield",
                           "PollChannels"}
            << MainLoop::Transfer << false << "";
        QTest::newRow("nothing answers: discovery with a pause after every round")
            << QStringList{} << 2 << QStringList{"StartLink", "yield", "StartLink", "yield", "StartLink"}
            << MainLoop::Discovery << true << "";
        QTest::newRow("found on the second try")
            << QStringList{"", "19200"} << 2 << QStringList{"StartLink", "yield", "StartLink", "yield", "ReadAllPv"} << MainLoop::Polling
            << false << "";
        QTest::newRow("exit in polling") << QStringList{"9600"} << -1 << QStringList{"StartLink", "ReadAllPv"}
                                         << MainLoop::Polling << false << "ReadAllPv";
        QTest::newRow("exit in discovery") << QStringList{} << -1 << QStringList{"StartLink"} << MainLoop::Discovery
                                           << true << "StartLink";
    }
    void stateTable()
    {
        QFETCH(QStringList, links);
        QFETCH(int, turns);
        QFETCH(QStringList, expected);
        QFETCH(MainLoop::State, finalState);
        QFETCH(bool, pause);
        QFETCH(QString, stopAt);
        linkResults_ = links;
        onStep = [this, stopAt](const QString &name) { stop_ = stop_ || name == stopAt; };
        MainLoop loop = makeLoop();
        if (turns < 0) {
            loop.communicate();
        } else {
            loop.begin();
            QCOMPARE(stop_, false);
        }
        for (int i = 0; i < turns; ++i)
            loop.turn();
        QCOMPARE(log_, expected);
        QCOMPARE(loop.LoopState, finalState);
        QCOMPARE(loop.pauseBeforeNextTurn(), pause);
    }
};

QTEST_MAIN(tst_monitorapp)
#include "tst_monitorapp.moc"
