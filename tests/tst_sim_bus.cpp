// Which instrument answers what on the simulated line, the faults laid on
// the line, the demo wave and the command line that sets all of it up.

#include "sim/InstrumentBus.h"
#include "sim/Options.h"

#include <QTest>

#include <algorithm>

using namespace sim;

namespace {
QByteArray readPv(int address) { return encodeCommand(address, ReadType, "0080"); }

QByteArray answerTo(InstrumentBus &bus, const QByteArray &command, double seconds = 0)
{
    const std::optional<CommandFrame> frame = decodeCommand(command);
    return frame ? bus.answer(*frame, seconds) : QByteArray("no frame");
}

// The reply's code and data, "" for no reply; fails the test on a reply
// that is not a well-formed frame.
QByteArray codeAndData(const QByteArray &reply)
{
    if (reply.isEmpty())
        return {};
    const qsizetype n = reply.size();
    if (reply.mid(n - 3, 2) != blockCheck(reply.mid(1, n - 4)))
        return "bad BCC";
    const char code = reply.at(8);
    return QByteArray(code == ACK ? "ACK" : code == NAK ? "NAK" : "?") + reply.mid(9, n - 13);
}
} // namespace

class TestSimBus : public QObject {
    Q_OBJECT

private slots:
    void whoAnswers_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("configured") << readPv(3) << QByteArray("ACK04D2");
        QTest::newRow("not configured") << readPv(4) << QByteArray();
        QTest::newRow("silent") << readPv(5) << QByteArray();
        QTest::newRow("silent switched off again") << readPv(6) << QByteArray("ACK0000");
        QTest::newRow("refused item") << encodeCommand(3, ReadType, "0009") << QByteArray("NAK0001");
        QTest::newRow("refused item, write") << encodeCommand(3, WriteType, "0009", "0001") << QByteArray("NAK0001");
        QTest::newRow("other item at a refusing address") << encodeCommand(3, ReadType, "0008") << QByteArray("ACK0000");
        QTest::newRow("read carrying data") << encodeCommand(3, ReadType, "0080", "0001") << QByteArray("NAK0004");
    }
    void whoAnswers()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, expected);
        InstrumentBus bus;
        bus.instrument(3).setPv(1234);
        bus.instrument(5);
        bus.instrument(6);
        bus.setSilent(5, true);
        bus.setSilent(6, true);
        bus.setSilent(6, false);
        bus.setRefused(3, "0009", true);
        QCOMPARE(codeAndData(answerTo(bus, command)), expected);
    }

    void faults_data()
    {
        QTest::addColumn<double>("drop");
        QTest::addColumn<double>("corrupt");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("none") << 0.0 << 0.0 << QByteArray("ACK0000");
        QTest::newRow("every reply dropped") << 1.0 << 0.0 << QByteArray();
        QTest::newRow("every reply corrupted") << 0.0 << 1.0 << QByteArray("bad BCC");
    }
    void faults()
    {
        QFETCH(double, drop);
        QFETCH(double, corrupt);
        QFETCH(QByteArray, expected);
        InstrumentBus bus;
        bus.instrument(0);
        bus.setDropShare(drop);
        bus.setCorruptShare(corrupt);
        for (int i = 0; i < 50; ++i) // the damaged byte moves about; each must fail the BCC
            QCOMPARE(codeAndData(answerTo(bus, readPv(0))), expected);
    }

    void seedRepeatsFaults()
    {
        auto run = [](quint32 seed) {
            InstrumentBus bus;
            bus.instrument(0);
            bus.seed(seed);
            bus.setDropShare(0.3);
            bus.setCorruptShare(0.3);
            QList<QByteArray> replies;
            for (int i = 0; i < 100; ++i)
                replies.append(answerTo(bus, readPv(0)));
            return replies;
        };
        const QList<QByteArray> first = run(42);
        QCOMPARE(run(42), first);
        QVERIFY(first.contains(QByteArray()));
        QVERIFY(std::count_if(first.begin(), first.end(), [](const QByteArray &r) { return codeAndData(r) == "ACK0000"; }) > 0);
        QVERIFY(std::count_if(first.begin(), first.end(), [](const QByteArray &r) { return codeAndData(r) == "bad BCC"; }) > 0);
    }

    void waveStaysWithinScaling_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("pv");
        // Address 0, period 60: a quarter period is the top, three quarters the bottom.
        QTest::newRow("start, middle") << 0.0 << 450;
        QTest::newRow("quarter, high limit") << 15.0 << 1000;
        QTest::newRow("three quarters, low limit") << 45.0 << -100;
    }
    void waveStaysWithinScaling()
    {
        QFETCH(double, seconds);
        QFETCH(int, pv);
        InstrumentBus bus;
        Instrument &instrument = bus.instrument(0);
        QCOMPARE(instrument.configure("lo", "-100"), QString());
        QCOMPARE(instrument.configure("hi", "1000"), QString());
        QCOMPARE(instrument.configure("act1", "1"), QString());
        QCOMPARE(instrument.configure("a1", "900"), QString());
        bus.setWave(true, 60);
        QCOMPARE(codeAndData(answerTo(bus, readPv(0), seconds)), "ACK" + encodeValue(static_cast<qint16>(pv)));
        // The alarm follows the moving PV.
        const QByteArray status = pv >= 900 ? "ACK0001" : "ACK0000";
        QCOMPARE(codeAndData(answerTo(bus, encodeCommand(0, ReadType, "0081"), seconds)), status);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("valid");
        QTest::newRow("none") << QStringList{} << true;
        QTest::newRow("everything") << QStringList{"--link", "/tmp/x", "--speed", "19200", "--instrument",
                                                   "3:pv=1234,dp=1", "--instrument", "4", "--no-pacing",
                                                   "--turnaround", "0", "--silent", "4", "--refuse", "3:0009",
                                                   "--corrupt", "0.5", "--drop", "0", "--seed", "7", "--wave",
                                                   "--wave-period", "10", "--record", "/tmp/r"}
                                    << true;
        QTest::newRow("address 32") << QStringList{"--instrument", "32"} << false;
        QTest::newRow("key without value") << QStringList{"--instrument", "3:pv"} << false;
        QTest::newRow("share above 1") << QStringList{"--drop", "1.5"} << false;
        QTest::newRow("speed 0") << QStringList{"--speed", "0"} << false;
        QTest::newRow("refuse without item") << QStringList{"--refuse", "3"} << false;
        QTest::newRow("missing value") << QStringList{"--speed"} << false;
        QTest::newRow("unknown option") << QStringList{"--fast"} << false;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, valid);
        QString error;
        const std::optional<Options> options = parseOptions(arguments, &error);
        QCOMPARE(bool(options), valid);
        QCOMPARE(error.isEmpty(), valid);
    }
};

QTEST_GUILESS_MAIN(TestSimBus)
#include "tst_sim_bus.moc"
