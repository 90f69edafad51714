// The whole program with a scripted component: start-up, the orderly end in
// its order, the window's geometry, and the ways the program ends.
#include "app/MainLoop.h"
#include "app/MonitorApp.h"
#include "config/SettingsStore.h"
#include "support/FakeClock.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"
#include "ui/dialogs/frmSetting.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QStringList events;

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
private slots:
    void init();
    void cleanup();
    void emptyStoreStartAndExit();
    void geometryIsRestored();
    void minimisedWindowKeepsStoredGeometry();
    void windowManagerCloseEndsInOrder();
    void closeAnswerAfterCommunicationErrorEndsInOrder();
    void idleUntilAChannelIsSwitchedOn();
    void exitWithSettingDialogOpenUnloadsIt();

private:
    // Runs the program; `during` runs from the loop's first yield.
    void run(const std::function<void()> &during);
    void trigger(const QString &action);

    QTemporaryDir dir_;
    RecordingStore store_;
    ScriptedPrompter prompter_;
    FakeClock clock_;
    std::unique_ptr<MonitorApp> app_;
    LoggedVtx *vtx_ = nullptr;
    std::function<void(LoggedVtx &)> setUpVtx;
};

void tst_monitorapp::init()
{
    QSettings(QStringLiteral("KORVANE")).clear();
    QDir::setCurrent(dir_.path());
    QFile::remove(QStringLiteral("VX5DP.DAT"));
    events.clear();
    store_.saves.clear();
    prompter_ = ScriptedPrompter();
    setUpVtx = nullptr;
    app_ = std::make_unique<MonitorApp>(store_, prompter_, clock_, [this] {
        auto vtx = std::make_unique<LoggedVtx>();
        vtx_ = vtx.get();
        if (setUpVtx)
            setUpVtx(*vtx);
        return vtx;
    });
}

void tst_monitorapp::cleanup() { app_.reset(); }

void tst_monitorapp::trigger(const QString &action)
{
    auto *item = app_->mainWindow()->findChild<QAction *>(action);
    QVERIFY2(item, qPrintable(action));
    item->trigger();
}

void tst_monitorapp::run(const std::function<void()> &during)
{
    app_->startUp();
    QTimer::singleShot(0, app_->mainWindow(), during);
    // A failed check inside `during` must not leave the loop running forever.
    QTimer::singleShot(20000, app_->mainWindow(), [this] { app_->mainWindow()->StopRequest = true; });
    app_->loop()->communicate();
    app_->endSequence();
}

void tst_monitorapp::emptyStoreStartAndExit()
{
    run([this] {
        frmMain *window = app_->mainWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("VTX-501-M Monitor"));
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(window->windowFlags() & Qt::WindowSystemMenuHint));
        QCOMPARE(window->frameGeometry().topLeft(), QPoint(67, 67));
        QCOMPARE(int(app_->loop()->LoopState), 3); // every channel OFF
        trigger(QStringLiteral("mnuFileExit"));
    });

    QCOMPARE(events, (QStringList{"Close", "released after VX5DP.DAT", "save PVname00", "save MainLeft"}));
    QCOMPARE(app_->mainWindow(), nullptr);
    QCOMPARE(QFileInfo(QStringLiteral("VX5DP.DAT")).size(), qint64(62));
    for (int i = 0; i < ChannelCount; ++i) {
        const QString suffix = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        QCOMPARE(store_.get(QStringLiteral("PVname") + suffix, QString()), QStringLiteral("CH %1").arg(i));
        QCOMPARE(store_.get(QStringLiteral("DvState") + suffix, QString()), QStringLiteral("OFF"));
        QCOMPARE(store_.saves.value(QStringLiteral("PVname") + suffix), 1);
    }
    QCOMPARE(store_.get(QStringLiteral("MainLeft"), QString()), QStringLiteral("1005"));
    QCOMPARE(store_.get(QStringLiteral("MainWidth"), QString()), QStringLiteral("6495"));
    QVERIFY(store_.contains(QStringLiteral("MainTop")));
    QVERIFY(store_.contains(QStringLiteral("MainHeight")));
    QVERIFY(prompter_.shown.isEmpty());
}

void tst_monitorapp::geometryIsRestored()
{
    store_.save(QStringLiteral("MainLeft"), QStringLiteral("3000"));
    store_.save(QStringLiteral("MainTop"), QStringLiteral("1500"));
    store_.save(QStringLiteral("MainWidth"), QStringLiteral("9000"));
    store_.save(QStringLiteral("MainHeight"), QStringLiteral("8400"));
    run([this] {
        QCOMPARE(app_->mainWindow()->frameGeometry(), QRect(200, 100, 600, 560));
        trigger(QStringLiteral("mnuFileExit"));
    });
    QCOMPARE(store_.get(QStringLiteral("MainLeft"), QString()), QStringLiteral("3000"));
    QCOMPARE(store_.get(QStringLiteral("MainHeight"), QString()), QStringLiteral("8400"));
}

void tst_monitorapp::minimisedWindowKeepsStoredGeometry()
{
    store_.save(QStringLiteral("MainLeft"), QStringLiteral("3000"));
    run([this] {
        app_->mainWindow()->showMinimized();
        app_->mainWindow()->move(10, 10);
        trigger(QStringLiteral("mnuFileExit"));
    });
    QCOMPARE(store_.saves.value(QStringLiteral("MainLeft")), 1); // only the test's own
    QCOMPARE(store_.get(QStringLiteral("MainLeft"), QString()), QStringLiteral("3000"));
    QCOMPARE(store_.saves.value(QStringLiteral("PVname00")), 1);
}

void tst_monitorapp::windowManagerCloseEndsInOrder()
{
    run([this] {
        app_->state.channels(3, NameItem).Value = QStringLiteral("Renamed");
        app_->mainWindow()->close();
        QVERIFY(app_->mainWindow()->StopRequest);
    });
    QCOMPARE(events, (QStringList{"Close", "released after VX5DP.DAT", "save PVname00", "save MainLeft"}));
    QCOMPARE(store_.get(QStringLiteral("PVname03"), QString()), QStringLiteral("Renamed"));
    QCOMPARE(store_.saves.value(QStringLiteral("PVname03")), 1);
}

void tst_monitorapp::closeAnswerAfterCommunicationErrorEndsInOrder()
{
    store_.save(QStringLiteral("DvState00"), QStringLiteral("ON"));
    setUpVtx = [](LoggedVtx &vtx) {
        vtx.open = [](const QString &, const QString &) -> bool { throw VtxError("no permission"); };
    };
    prompter_.answers << Prompter::Answer::Yes;
    app_->run();
    QCOMPARE(prompter_.shown.size(), 2);
    QCOMPARE(events, (QStringList{"Close", "released after VX5DP.DAT", "save PVname00", "save MainLeft"}));
}

void tst_monitorapp::idleUntilAChannelIsSwitchedOn()
{
    setUpVtx = [](LoggedVtx &vtx) { vtx.reply = [](const SentCommand &) { return FakeVtx::ack("0001"); }; };
    QStringList seen;
    QTimer *poll = nullptr;
    run([this, &poll, &seen] {
        // A while in discovery with nothing on: nothing is sent.
        QTimer::singleShot(200, app_->mainWindow(), [this, &poll, &seen] {
            seen << QString::number(app_->loop()->LoopState);
            QVERIFY(vtx_->sent.isEmpty());
            app_->state.channels(2, StateItem).Value = QStringLiteral("      ON");
            poll = new QTimer(app_->mainWindow());
            QObject::connect(poll, &QTimer::timeout, [this, poll, &seen] {
                if (app_->loop()->LoopState != 2)
                    return;
                seen << QString::number(app_->loop()->LoopState);
                poll->stop();
                trigger(QStringLiteral("mnuFileExit"));
            });
            poll->start(10);
        });
    });
    QCOMPARE(seen, (QStringList{"3", "2"}));
}

void tst_monitorapp::exitWithSettingDialogOpenUnloadsIt()
{
    QPointer<frmSetting> dialog;
    run([this, &dialog] {
        trigger(QStringLiteral("Dv05"));
        dialog = app_->settingDialog();
        QVERIFY(dialog && dialog->isVisible());
        trigger(QStringLiteral("mnuFileExit"));
    });
    QVERIFY(dialog.isNull());
}

QTEST_MAIN(tst_monitorapp)
#include "tst_monitorapp.moc"
