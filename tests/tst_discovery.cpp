// Port and speed discovery against a scripted component: the order of the
// candidates, what is saved, and the two boxes after a component error.
#include "comm/Discovery.h"
#include "config/SettingsStore.h"
#include "support/Channels.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"

#include <QSettings>
#include <QtTest>

class tst_discovery : public QObject {
    Q_OBJECT

    SharedState state_;
    SettingsStore store_;
    FakeVtx vtx_;
    ScriptedPrompter prompter_;

    // "PORT SPEED" for each probe that went out.
    QStringList tries() const
    {
        QStringList result;
        QString port, speed;
        for (const QString &call : vtx_.calls) {
            if (call.startsWith(QLatin1String("SetPort ")))
                port = call.mid(8);
            else if (call.startsWith(QLatin1String("SetSpeed ")))
                speed = call.mid(9);
            else if (call.startsWith(QLatin1String("Send ")))
                result << port + u' ' + speed;
        }
        return result;
    }
    QString stored(const char *key) const { return store_.get(QString::fromLatin1(key), QStringLiteral("-")); }

private slots:
    void init()
    {
        QSettings(QStringLiteral("KORVANE")).clear();
        state_ = SharedState();
        switchAllOff(state_);
        switchOn(state_, 4, QStringLiteral("3"));
        vtx_ = FakeVtx();
        prompter_ = ScriptedPrompter();
    }

    // Saved pair first, then the other speeds of the saved port, then COM1
    // and COM2 from 9600; a port that does not open skips its other speeds.
    void triesCandidatesInOrder_data()
    {
        QTest::addColumn<QString>("savedPort");
        QTest::addColumn<QString>("savedSpeed");
        QTest::addColumn<QString>("answering"); // the pair the instrument answers at
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("storedPair"); // "-" where nothing was written
        QTest::newRow("saved COM3 at 38400, found on COM1 at 9600")
            << "COM3" << "38400" << "COM1 9600"
            << QStringList{"COM3 38400", "COM3 19200", "COM3 9600", "COM3 4800", "COM3 2400",
                           "COM1 38400", "COM1 19200", "COM1 9600"}
            << "COM1 9600";
        QTest::newRow("missing port skips its other speeds")
            << "/dev/gone" << "4800" << "COM1 9600" << QStringList{"COM1 4800", "COM1 19200", "COM1 9600"}
            << "COM1 9600";
        QTest::newRow("found at the saved pair writes nothing") << "" << "" << "COM1 9600"
                                                                << QStringList{"COM1 9600"} << "- -";
        QTest::newRow("NAK to the probe goes on") << "" << "" << "COM1 19200" << QStringList{"COM1 9600", "COM1 19200"}
                                                  << "- 19200";
        // COM1 at 9600 saved and COM2 missing: COM1 comes round twice, with
        // 9600 as the opening and as the third speed each time.
        const QStringList round{"COM1 9600", "COM1 19200", "COM1 9600", "COM1 4800", "COM1 2400"};
        QTest::newRow("duplicates kept, nothing answers") << "" << "" << "" << round + round << "- -";
        // A hand-edited saved speed that no line runs at is passed over.
        for (const char *speed : {"abc", "-9600", "10"})
            QTest::newRow(speed) << "COM1" << speed << "COM1 9600" << QStringList{"COM1 19200", "COM1 9600"}
                                 << "COM1 9600";
    }
    void triesCandidatesInOrder()
    {
        QFETCH(QString, savedPort);
        QFETCH(QString, savedSpeed);
        QFETCH(QString, answering);
        QFETCH(QStringList, expected);
        QFETCH(QString, storedPair);
        if (!savedPort.isEmpty()) {
            store_.save(QStringLiteral("CommPort"), savedPort);
            store_.save(QStringLiteral("Speed"), savedSpeed);
        }
        vtx_.open = [](const QString &port, const QString &) {
            return port != QLatin1String("/dev/gone") && port != QLatin1String("COM2");
        };
        vtx_.reply = [this, answering](const SentCommand &) {
            return vtx_.port + u' ' + vtx_.speed == answering ? FakeVtx::ack("0000") : FakeVtx::nak("0001");
        };
        Discovery discovery(vtx_, state_, store_, prompter_);
        QCOMPARE(discovery.StartLink(), answering.section(u' ', 1));
        QCOMPARE(tries(), expected);
        QCOMPARE(stored("CommPort") + u' ' + stored("Speed"), storedPair);
        QCOMPARE(vtx_.isOpen, !answering.isEmpty()); // left open for polling
        QVERIFY(prompter_.shown.isEmpty());
        // Every probe after a failed one was preceded by a Close of the port.
        QCOMPARE(vtx_.calls.count(QStringLiteral("Close")), expected.size() - (answering.isEmpty() ? 0 : 1));
    }

    // The probe reads the PV of the lowest channel switched on, whatever the
    // case and blanks of its state text.
    void probesLowestMonitoredChannel()
    {
        switchOn(state_, 2, QStringLiteral("17"), QStringLiteral("      on")); // any case, blanks around
        state_.channels(1, StateItem).Value = QStringLiteral("Off");
        vtx_.reply = [](const SentCommand &) { return FakeVtx::ack("0000"); };
        Discovery discovery(vtx_, state_, store_, prompter_);
        QCOMPARE(discovery.probeChannel(), 2);
        discovery.StartLink();
        QCOMPARE(vtx_.sent.size(), 1);
        const SentCommand &probe = vtx_.sent[0];
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(probe.deviceAddress()).arg(probe.item).arg(probe.count), "17 0080 2");
    }

    // With no channel to probe, or a probe address outside 0..31 (once
    // narrowed to int), no port is opened: nothing toggles the control lines.
    void nothingToProbeOpensOrSendsNothing_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("address");
        QTest::newRow("all OFF") << "      OFF" << "3";
        QTest::newRow("probe address out of range") << "ON" << "40";
        QTest::newRow("probe address beyond 32 bits") << "ON" << "4294967299";
    }
    void nothingToProbeOpensOrSendsNothing()
    {
        QFETCH(QString, state);
        QFETCH(QString, address);
        switchOn(state_, 4, address, state);
        Discovery discovery(vtx_, state_, store_, prompter_);
        QCOMPARE(discovery.StartLink(), QString());
        QCOMPARE(vtx_.calls, QStringList());
        QVERIFY(prompter_.shown.isEmpty());
    }

    // A component error is told, then the operator is asked whether to end;
    // nothing is saved and the port is left alone.
    void componentErrorAsksTheOperator_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No: try again on the next turn") << false;
        QTest::newRow("Yes: end the program") << true;
    }
    void componentErrorAsksTheOperator()
    {
        QFETCH(bool, yes);
        vtx_.open = [](const QString &, const QString &) -> bool { throw VtxError("port in use"); };
        prompter_.answers << (yes ? Prompter::Answer::Yes : Prompter::Answer::No);
        Discovery discovery(vtx_, state_, store_, prompter_);
        QCOMPARE(discovery.StartLink(), QString());
        QCOMPARE(prompter_.shown.size(), 2);
        QVERIFY(!prompter_.shown[0].question && prompter_.shown[1].question);
        QCOMPARE(discovery.closeRequested(), yes);
        QVERIFY(!store_.contains(QStringLiteral("Speed")));
        QVERIFY(!vtx_.calls.contains(QStringLiteral("Close")));
    }
};

QTEST_GUILESS_MAIN(tst_discovery)
#include "tst_discovery.moc"
