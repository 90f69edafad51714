// The simulated instrument's rules: what it answers to reads and writes,
// which values it refuses with which code, and how alarms drive the status.

#include "sim/Instrument.h"

#include <QTest>

using sim::Instrument;
using sim::Response;

Q_DECLARE_METATYPE(sim::Response)

namespace {
Response ack(const QByteArray &data = {}) { return {true, data}; }
Response nak(const char *code) { return {false, code}; }
} // namespace

class TestSimInstrument : public QObject {
    Q_OBJECT

private slots:
    void readsItems_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<Response>("expected");
        QTest::newRow("pv") << QByteArray("0080") << ack("FB2E"); // -1234 in two's complement
        QTest::newRow("status") << QByteArray("0081") << ack("0000");
        QTest::newRow("scaling high default") << QByteArray("0006") << ack("270F");
        QTest::newRow("scaling low default -1999") << QByteArray("0007") << ack("F831");
        QTest::newRow("alarm action default") << QByteArray("000F") << ack("0000");
        QTest::newRow("item 0000 unknown") << QByteArray("0000") << nak(sim::UnknownItem);
        QTest::newRow("item 0004 unknown") << QByteArray("0004") << nak(sim::UnknownItem);
        QTest::newRow("item 000A unknown") << QByteArray("000A") << nak(sim::UnknownItem);
        QTest::newRow("item 0082 unknown") << QByteArray("0082") << nak(sim::UnknownItem);
        QTest::newRow("lower-case item") << QByteArray("000d") << nak(sim::UnknownItem);
        QTest::newRow("item not hex") << QByteArray("00G0") << nak(sim::UnknownItem);
    }
    void readsItems()
    {
        QFETCH(QByteArray, item);
        QFETCH(Response, expected);
        Instrument instrument;
        instrument.setPv(-1234);
        QCOMPARE(instrument.read(item), expected);
    }

    // Each write is checked for its answer and for the value read back
    // afterwards: a refusal must leave the old value in place.
    void writes_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<Response>("expected");
        QTest::addColumn<Response>("readBack");
        QTest::newRow("alarm 1 lowest") << QByteArray("0001") << QByteArray("F831") << ack() << ack("F831");
        QTest::newRow("alarm 2 highest") << QByteArray("0002") << QByteArray("270F") << ack() << ack("270F");
        QTest::newRow("alarm 3 above span") << QByteArray("0003") << QByteArray("2710") << nak(sim::OutsideSpan) << ack("0000");
        QTest::newRow("alarm 1 below span") << QByteArray("0001") << QByteArray("F830") << nak(sim::OutsideSpan) << ack("0000");
        QTest::newRow("decimal point 3") << QByteArray("0008") << QByteArray("0003") << ack() << ack("0003");
        QTest::newRow("decimal point 4") << QByteArray("0008") << QByteArray("0004") << nak(sim::OutsideSpan) << ack("0000");
        QTest::newRow("decimal point -1") << QByteArray("0008") << QByteArray("FFFF") << nak(sim::OutsideSpan) << ack("0000");
        QTest::newRow("filter 999") << QByteArray("0009") << QByteArray("03E7") << ack() << ack("03E7");
        QTest::newRow("filter 1000") << QByteArray("0009") << QByteArray("03E8") << nak(sim::OutsideSpan) << ack("0000");
        QTest::newRow("action 2") << QByteArray("000E") << QByteArray("0002") << ack() << ack("0002");
        QTest::newRow("action 3") << QByteArray("000D") << QByteArray("0003") << nak(sim::OutsideSpan) << ack("0000");
        QTest::newRow("pv read-only") << QByteArray("0080") << QByteArray("0001") << nak(sim::NotWritable) << ack("0000");
        QTest::newRow("status read-only") << QByteArray("0081") << QByteArray("0001") << nak(sim::NotWritable) << ack("0000");
        QTest::newRow("read-only before bad data") << QByteArray("0080") << QByteArray("zz") << nak(sim::NotWritable) << ack("0000");
        QTest::newRow("unknown item") << QByteArray("0005") << QByteArray("0001") << nak(sim::UnknownItem) << nak(sim::UnknownItem);
        QTest::newRow("unknown before bad data") << QByteArray("0005") << QByteArray("zz") << nak(sim::UnknownItem) << nak(sim::UnknownItem);
        QTest::newRow("data too short") << QByteArray("0009") << QByteArray("012") << nak(sim::MalformedData) << ack("0000");
        QTest::newRow("data too long") << QByteArray("0009") << QByteArray("00012") << nak(sim::MalformedData) << ack("0000");
        QTest::newRow("data empty") << QByteArray("0009") << QByteArray() << nak(sim::MalformedData) << ack("0000");
        QTest::newRow("data lower-case hex") << QByteArray("0009") << QByteArray("000a") << nak(sim::MalformedData) << ack("0000");
        QTest::newRow("data not hex") << QByteArray("0009") << QByteArray("00 1") << nak(sim::MalformedData) << ack("0000");
    }
    void writes()
    {
        QFETCH(QByteArray, item);
        QFETCH(QByteArray, data);
        QFETCH(Response, expected);
        QFETCH(Response, readBack);
        Instrument instrument;
        QCOMPARE(instrument.write(item, data), expected);
        QCOMPARE(instrument.read(item), readBack);
    }

    void scalingHighStaysAboveLow_data()
    {
        QTest::addColumn<QByteArray>("lowFirst"); // written before the checked write
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("high one above low") << QByteArray("0064") << QByteArray("0006") << QByteArray("0065") << true;
        QTest::newRow("high equal to low") << QByteArray("0064") << QByteArray("0006") << QByteArray("0064") << false;
        QTest::newRow("high below low") << QByteArray("0064") << QByteArray("0006") << QByteArray("0063") << false;
        QTest::newRow("low equal to high") << QByteArray("0064") << QByteArray("0007") << QByteArray("270F") << false;
        QTest::newRow("low one below high") << QByteArray("0064") << QByteArray("0007") << QByteArray("270E") << true;
    }
    void scalingHighStaysAboveLow()
    {
        QFETCH(QByteArray, lowFirst);
        QFETCH(QByteArray, item);
        QFETCH(QByteArray, data);
        QFETCH(bool, accepted);
        Instrument instrument;
        QCOMPARE(instrument.write("0007", lowFirst), ack());
        const Response before = instrument.read(item);
        QCOMPARE(instrument.write(item, data), accepted ? ack() : nak(sim::OutsideSpan));
        QCOMPARE(instrument.read(item), accepted ? ack(data) : before);
    }

    void alarmsDriveStatus_data()
    {
        QTest::addColumn<int>("alarm");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("pv");
        QTest::addColumn<bool>("active");
        for (int alarm = 1; alarm <= 3; ++alarm) {
            const QByteArray n = QByteArray::number(alarm);
            QTest::newRow("high alarm " + n + " at set value") << alarm << 1 << 500 << true;
            QTest::newRow("high alarm " + n + " just below") << alarm << 1 << 499 << false;
            QTest::newRow("low alarm " + n + " at set value") << alarm << 2 << 500 << true;
            QTest::newRow("low alarm " + n + " just above") << alarm << 2 << 501 << false;
            QTest::newRow("no action " + n + " at set value") << alarm << 0 << 500 << false;
        }
    }
    void alarmsDriveStatus()
    {
        QFETCH(int, alarm);
        QFETCH(int, action);
        QFETCH(int, pv);
        QFETCH(bool, active);
        Instrument instrument;
        QCOMPARE(instrument.write("000" + QByteArray::number(alarm), "01F4"), ack()); // set value 500
        QCOMPARE(instrument.write("000" + QByteArray("DEF").mid(alarm - 1, 1), "000" + QByteArray::number(action)), ack());
        instrument.setPv(static_cast<qint16>(pv));
        const int bit = 1 << (alarm - 1);
        QCOMPARE(instrument.read("0081"), ack(sim::encodeValue(static_cast<qint16>(active ? bit : 0))));
    }

    void statusFollowsSettingsAtOnce()
    {
        Instrument instrument;
        instrument.setPv(100);
        QCOMPARE(instrument.write("000D", "0001"), ack()); // alarm 1 high at 0
        QCOMPARE(instrument.read("0081"), ack("0001"));
        QCOMPARE(instrument.write("0001", "0065"), ack()); // set value 101: now clear
        QCOMPARE(instrument.read("0081"), ack("0000"));
    }

    void outOfScalingSetsBit8()
    {
        Instrument instrument;
        instrument.setPv(10000);
        QCOMPARE(instrument.read("0081"), ack("0100"));
        instrument.setPv(-2000);
        QCOMPARE(instrument.read("0081"), ack("0100"));
    }

    void fixedStatusIgnoresAlarms()
    {
        Instrument instrument;
        QCOMPARE(instrument.configure("status", "5"), QString());
        QCOMPARE(instrument.read("0081"), ack("0005"));
        QCOMPARE(instrument.write("000D", "0001"), ack());
        instrument.setPv(0); // alarm 1 active, bit 0 only would follow
        QCOMPARE(instrument.configure("status", "65535"), QString());
        QCOMPARE(instrument.read("0081"), ack("FFFF"));
        QCOMPARE(instrument.configure("status", "auto"), QString());
        QCOMPARE(instrument.read("0081"), ack("0001"));
    }

    void configure_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QByteArray>("readBack");
        QTest::newRow("pv") << "pv" << "-1234" << true << QByteArray("0080") << QByteArray("FB2E");
        QTest::newRow("pv beyond 16 bits") << "pv" << "32768" << false << QByteArray("0080") << QByteArray("0000");
        QTest::newRow("pv not a number") << "pv" << "12x" << false << QByteArray("0080") << QByteArray("0000");
        QTest::newRow("dp") << "dp" << "2" << true << QByteArray("0008") << QByteArray("0002");
        QTest::newRow("dp outside span") << "dp" << "4" << false << QByteArray("0008") << QByteArray("0000");
        QTest::newRow("filter") << "filter" << "15" << true << QByteArray("0009") << QByteArray("000F");
        QTest::newRow("a3") << "a3" << "-5" << true << QByteArray("0003") << QByteArray("FFFB");
        QTest::newRow("act2") << "act2" << "1" << true << QByteArray("000E") << QByteArray("0001");
        QTest::newRow("hi not above lo") << "hi" << "-1999" << false << QByteArray("0006") << QByteArray("270F");
        QTest::newRow("lo") << "lo" << "0" << true << QByteArray("0007") << QByteArray("0000");
        QTest::newRow("status bad") << "status" << "on" << false << QByteArray("0081") << QByteArray("0000");
        QTest::newRow("unknown key") << "colour" << "1" << false << QByteArray("0081") << QByteArray("0000");
    }
    void configure()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, taken);
        QFETCH(QByteArray, item);
        QFETCH(QByteArray, readBack);
        Instrument instrument;
        QCOMPARE(instrument.configure(key, value).isEmpty(), taken);
        QCOMPARE(instrument.read(item), ack(readBack));
    }
};

QTEST_GUILESS_MAIN(TestSimInstrument)
#include "tst_sim_instrument.moc"
