// Discovery over a real serial port: the simulator listens at 19200 on the
// saved port while 9600 is saved.
#include "comm/Discovery.h"
#include "comm/Vtx.h"
#include "config/SettingsStore.h"
#include "support/Channels.h"
#include "support/ScriptedPrompter.h"
#include "support/SimProcess.h"

#include <QSettings>
#include <QtTest>

class tst_discovery_sim : public QObject {
    Q_OBJECT
private slots:
    void findsTheSpeedAndSavesIt()
    {
        QSettings(QStringLiteral("KORVANE")).clear();
        SimProcess sim({"--speed", "19200", "--instrument", "7:pv=100"});
        QVERIFY(sim.start());
        SettingsStore store;
        store.save(QStringLiteral("CommPort"), sim.link());
        store.save(QStringLiteral("Speed"), QStringLiteral("9600"));
        SharedState state;
        switchAllOff(state);
        switchOn(state, 12, QStringLiteral("7"));
        ScriptedPrompter prompter;
        Vtx vtx;
        QCOMPARE(Discovery(vtx, state, store, prompter).StartLink(), QStringLiteral("19200"));
        // Two attempts at the saved 9600, which the instrument cannot decode,
        // then one at 19200, all reading the PV of the probe channel's address.
        QCOMPARE(sim.record(), (QStringList{"9600\t7\tR\t0080\t", "9600\t7\tR\t0080\t", "19200\t7\tR\t0080\t"}));
        QCOMPARE(store.get(QStringLiteral("Speed"), QString()), QStringLiteral("19200"));
        QCOMPARE(store.get(QStringLiteral("CommPort"), QString()), sim.link());
        QVERIFY(prompter.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_discovery_sim)
#include "tst_discovery_sim.moc"
