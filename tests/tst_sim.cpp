// The simulator's rules that no exchange over the line pins down: the status
// word, the framing its decoder turns away, and the demo wave. Its answer to
// each item is checked over a pty in tst_line_sim, and its bytes by
// protocol_client.py.

#include "sim/InstrumentBus.h"

#include <QTest>

using namespace sim;

class TestSim : public QObject {
    Q_OBJECT

private slots:
    // Bits 0..2: alarm action 1 (high) is active from the set value up,
    // action 2 (low) from it down. Bit 8: the PV outside the scaling. A fixed
    // word stands until "auto".
    void statusWord_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("pv");
        QTest::addColumn<int>("status");
        QTest::newRow("high alarm at its set value") << "a1=500 act1=1" << 500 << 0x001;
        QTest::newRow("high alarm just below") << "a1=500 act1=1" << 499 << 0;
        QTest::newRow("low alarm at its set value") << "a2=500 act2=2" << 500 << 0x002;
        QTest::newRow("low alarm just above") << "a2=500 act2=2" << 501 << 0;
        QTest::newRow("alarm 3 at its set value") << "a3=500 act3=1" << 500 << 0x004;
        QTest::newRow("alarm 3 just below") << "a3=500 act3=1" << 499 << 0;
        QTest::newRow("no action at the set value") << "a1=500 act1=0" << 500 << 0;
        QTest::newRow("above the scaling") << "" << 10000 << 0x100;
        QTest::newRow("below the scaling") << "" << -2000 << 0x100;
        QTest::newRow("fixed word") << "act1=1 status=65535" << 0 << 0xFFFF;
        QTest::newRow("fixed word let go") << "act1=1 status=65535 status=auto" << 0 << 0x001;
    }
    void statusWord()
    {
        QFETCH(QString, settings);
        QFETCH(int, pv);
        QFETCH(int, status);
        Instrument instrument;
        instrument.setPv(qint16(pv));
        for (const QString &setting : settings.split(u' ', Qt::SkipEmptyParts))
            QCOMPARE(instrument.configure(setting.section(u'=', 0, 0), setting.section(u'=', 1)), QString());
        QCOMPARE(instrument.status(), quint16(status));
    }

    // None of these may be answered. A wrong check sum goes over the line in
    // protocol_client.py.
    void rejectsBrokenCommands_data()
    {
        const QByteArray readPv = encodeCommand(3, ReadType, "0080");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no CR") << readPv.left(11) + 'X';
        QTest::newRow("no ETX") << readPv.left(8) + '0' + readPv.mid(9);
        QTest::newRow("address 32") << encodeCommand(32, ReadType, "0080");
        QTest::newRow("unknown command type") << encodeCommand(3, 'R', "0080");
        QTest::newRow("control character in data") << encodeCommand(3, WriteType, "0001", QByteArray("00\n1"));
    }
    void rejectsBrokenCommands()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodeCommand(bytes));
    }

    // Address 0, period 60: a quarter period is the top, three quarters the
    // bottom, and the alarm follows the moving PV.
    void waveStaysWithinScaling_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("pv");
        QTest::newRow("quarter, high limit") << 15.0 << 1000;
        QTest::newRow("three quarters, low limit") << 45.0 << -100;
    }
    void waveStaysWithinScaling()
    {
        QFETCH(double, seconds);
        QFETCH(int, pv);
        InstrumentBus bus;
        Instrument &instrument = bus.instrument(0);
        for (const auto &[key, value] : {std::pair{"lo", "-100"}, {"hi", "1000"}, {"act1", "1"}, {"a1", "900"}})
            QCOMPARE(instrument.configure(key, value), QString());
        bus.setWave(true, 60);
        QVERIFY(!bus.answer(*decodeCommand(encodeCommand(0, ReadType, "0080")), seconds).isEmpty());
        QCOMPARE(instrument.pv(), qint16(pv));
        QCOMPARE(instrument.alarmActive(1), pv >= 900);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
