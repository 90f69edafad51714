// Port and speed discovery against a scripted component: the order of the
// candidates, what is saved, and the two boxes after a component error.
#include "comm/Discovery.h"
#include "config/SettingsStore.h"
#include "config/SharedState.h"
#include "support/FakeVtx.h"
#include "support/ScriptedPrompter.h"

#include <QSettings>
#include <QtTest>

class tst_discovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void triesCandidatesInOrder_data();
    void triesCandidatesInOrder();
    void foundAtSavedPairWritesNothing();
    void duplicatesAreKept();
    void probesLowestMonitoredChannel();
    void nothingMonitoredOpensNothing();
    void refusedProbeClosesAndGoesOn();
    void componentErrorAsksTheOperator_data();
    void componentErrorAsksTheOperator();
    void probeAddressOutOfRangeSendsNothing();

private:
    QStringList tries() const;
    SharedState state_;
    SettingsStore store_;
    FakeVtx vtx_;
    ScriptedPrompter prompter_;
};

void tst_discovery::init()
{
    QSettings(QStringLiteral("KORVANE")).clear();
    state_ = SharedState();
    for (int i = 0; i < ChannelCount; ++i)
        state_.channels(i, StateItem).Value = QStringLiteral("OFF");
    state_.channels(4, StateItem).Value = QStringLiteral("ON");
    state_.DvtoN[4] = QStringLiteral("3");
    vtx_ = FakeVtx();
    prompter_ = ScriptedPrompter();
}

// "PORT SPEED" for each probe that went out.
QStringList tst_discovery::tries() const
{
    QStringList result;
    QString port, speed;
    for (const QString &call : vtx_.calls) {
        if (call.startsWith(QLatin1String("SetPort ")))
            port = call.mid(8);
        else if (call.startsWith(QLatin1String("SetSpeed ")))
            speed = call.mid(9);
        else if (call.startsWith(QLatin1String("Send ")))
            result << port + QLatin1Char(' ') + speed;
    }
    return result;
}

void tst_discovery::triesCandidatesInOrder_data()
{
    QTest::addColumn<QString>("savedPort");
    QTest::addColumn<QString>("savedSpeed");
    QTest::addColumn<QStringList>("missingPorts");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("storedPort");
    QTest::addColumn<QString>("storedSpeed");

    QTest::newRow("saved COM3 at 38400, found on COM1 at 9600")
        << "COM3" << "38400" << QStringList()
        << QStringList{"COM3 38400", "COM3 19200", "COM3 9600", "COM3 4800", "COM3 2400",
                       "COM1 38400", "COM1 19200", "COM1 9600"}
        << "COM1" << "9600";
    QTest::newRow("missing port skips its other speeds")
        << "/dev/gone" << "4800" << QStringList{"/dev/gone"}
        << QStringList{"COM1 4800", "COM1 19200", "COM1 9600"}
        << "COM1" << "9600";
}

void tst_discovery::triesCandidatesInOrder()
{
    QFETCH(QString, savedPort);
    QFETCH(QString, savedSpeed);
    QFETCH(QStringList, missingPorts);
    QFETCH(QStringList, expected);
    QFETCH(QString, storedPort);
    QFETCH(QString, storedSpeed);
    store_.save(QStringLiteral("CommPort"), savedPort);
    store_.save(QStringLiteral("Speed"), savedSpeed);
    const QString answeringPort = storedPort;
    vtx_.open = [missingPorts](const QString &port, const QString &) { return !missingPorts.contains(port); };
    vtx_.reply = [this, answeringPort](const SentCommand &) {
        return vtx_.port == answeringPort && vtx_.speed == QLatin1String("9600") ? FakeVtx::ack("0000")
                                                                                 : FakeVtx::none();
    };

    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.StartLink(), QStringLiteral("9600"));
    QCOMPARE(tries(), expected);
    QCOMPARE(store_.get(QStringLiteral("CommPort"), QString()), storedPort);
    QCOMPARE(store_.get(QStringLiteral("Speed"), QString()), storedSpeed);
    QVERIFY(vtx_.isOpen); // left open for polling
    QVERIFY(prompter_.shown.isEmpty());
    // Every probe after a failed one was preceded by a Close of the port.
    QCOMPARE(vtx_.calls.count(QStringLiteral("Close")), expected.size() - 1);
}

void tst_discovery::foundAtSavedPairWritesNothing()
{
    vtx_.reply = [](const SentCommand &) { return FakeVtx::ack("04D2"); };
    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.StartLink(), QStringLiteral("9600"));
    QCOMPARE(tries(), QStringList{"COM1 9600"});
    QVERIFY(!store_.contains(QStringLiteral("Speed")));
    QVERIFY(!store_.contains(QStringLiteral("CommPort")));
}

void tst_discovery::duplicatesAreKept()
{
    // Saved COM1 at 9600, nothing answers and COM2 does not exist: COM1 is
    // tried twice, each time with 9600 as the opening and the third speed.
    vtx_.open = [](const QString &port, const QString &) { return port != QLatin1String("COM2"); };
    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.StartLink(), QString());
    const QStringList round{"COM1 9600", "COM1 19200", "COM1 9600", "COM1 4800", "COM1 2400"};
    QCOMPARE(tries(), round + round);
    QCOMPARE(vtx_.calls.last(), QStringLiteral("Open")); // COM2: Open gave false, no Close
    QVERIFY(!store_.contains(QStringLiteral("Speed")));
}

void tst_discovery::probesLowestMonitoredChannel()
{
    state_.channels(2, StateItem).Value = QStringLiteral("      on"); // any case, blanks around
    state_.DvtoN[2] = QStringLiteral("17");
    state_.channels(1, StateItem).Value = QStringLiteral("Off");
    vtx_.reply = [](const SentCommand &) { return FakeVtx::ack("0000"); };
    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.probeChannel(), 2);
    discovery.StartLink();
    QCOMPARE(vtx_.sent.size(), 1);
    const SentCommand &probe = vtx_.sent.first();
    QCOMPARE(probe.deviceAddress(), 17);
    QCOMPARE(probe.sub, QStringLiteral(" "));
    QCOMPARE(probe.type, QStringLiteral(" "));
    QCOMPARE(probe.item, QStringLiteral("0080"));
    QCOMPARE(probe.data, QString());
    QCOMPARE(probe.count, 2);
}

void tst_discovery::nothingMonitoredOpensNothing()
{
    state_.channels(4, StateItem).Value = QStringLiteral("      OFF");
    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.StartLink(), QString());
    QVERIFY(vtx_.calls.isEmpty());
    QVERIFY(prompter_.shown.isEmpty());
}

void tst_discovery::refusedProbeClosesAndGoesOn()
{
    vtx_.reply = [this](const SentCommand &) {
        return vtx_.speed == QLatin1String("19200") ? FakeVtx::ack("0001") : FakeVtx::nak("0001");
    };
    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.StartLink(), QStringLiteral("19200"));
    QCOMPARE(vtx_.calls.mid(0, 6), (QStringList{"SetPort COM1", "SetSpeed 9600", "Open", "Send 0080", "Close",
                                                "SetSpeed 19200"}));
    QCOMPARE(store_.get(QStringLiteral("Speed"), QString()), QStringLiteral("19200"));
}

void tst_discovery::componentErrorAsksTheOperator_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No: try again on the next turn") << false;
    QTest::newRow("Yes: end the program") << true;
}

void tst_discovery::componentErrorAsksTheOperator()
{
    QFETCH(bool, yes);
    vtx_.open = [](const QString &, const QString &) -> bool { throw VtxError("port in use"); };
    prompter_.answers << (yes ? Prompter::Answer::Yes : Prompter::Answer::No);
    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.StartLink(), QString());
    QCOMPARE(prompter_.shown.size(), 2);
    const auto &error = prompter_.shown[0];
    QCOMPARE(error.title, QStringLiteral("Communication error"));
    QCOMPARE(error.icon, Prompter::Icon::Warning);
    QVERIFY(!error.question);
    QCOMPARE(error.text,
             QStringLiteral("Communication error has occurred.\r\n"
                            "Check the connection between Host-computer<-->Comunication converter\r\n"
                            "and between Comunication converter<-->VTX-500 if they are properly connected.\r\n"
                            "Check the power supply about the Comunication converter and the VTX-500."));
    const auto &question = prompter_.shown[1];
    QCOMPARE(question.title, QStringLiteral("PLM-VX001E completion"));
    QCOMPARE(question.text, QStringLiteral("Do you want to close the PLM-VX001E?"));
    QCOMPARE(question.icon, Prompter::Icon::Question);
    QVERIFY(question.question);
    QCOMPARE(discovery.closeRequested(), yes);
    QVERIFY(!store_.contains(QStringLiteral("Speed")));
    QVERIFY(!vtx_.calls.contains(QStringLiteral("Close"))); // discovery leaves the port alone
}

void tst_discovery::probeAddressOutOfRangeSendsNothing()
{
    state_.DvtoN[4] = QStringLiteral("40");
    Discovery discovery(vtx_, state_, store_, prompter_);
    QCOMPARE(discovery.StartLink(), QString());
    QVERIFY(vtx_.sent.isEmpty());
    QVERIFY(prompter_.shown.isEmpty());
}

QTEST_GUILESS_MAIN(tst_discovery)
#include "tst_discovery.moc"
