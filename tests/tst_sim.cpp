// The simulator's parts: the instrument's rules (spans, refusal codes,
// read-only items, alarms and status), its frames and the demo wave.

#include "sim/CommandFrame.h"
#include "sim/FrameRecord.h"
#include "sim/Instrument.h"
#include "sim/InstrumentBus.h"

#include <QTest>

using namespace sim;

Q_DECLARE_METATYPE(sim::Response)

namespace {
Response ack(const QByteArray &data = {}) { return {true, data}; }
Response nak(const char *code) { return {false, code}; }

const QByteArray ExampleReadPv = QByteArray::fromHex("02232020303038300332450D");

QByteArray exampleWith(qsizetype index, char byte)
{
    QByteArray bytes = ExampleReadPv;
    bytes[index] = byte;
    return bytes;
}

QByteArray readPv(int address) { return encodeCommand(address, ReadType, "0080"); }

// The reply's code and data ("ACK04D2"), "" for no reply, "bad BCC" for a damaged one.
QByteArray answerTo(InstrumentBus &bus, const QByteArray &command, double seconds = 0)
{
    const std::optional<CommandFrame> frame = decodeCommand(command);
    const QByteArray reply = frame ? bus.answer(*frame, seconds) : QByteArray("no frame");
    const qsizetype n = reply.size();
    if (n == 0)
        return {};
    if (reply.mid(n - 3, 2) != blockCheck(reply.mid(1, n - 4)))
        return "bad BCC";
    const char code = reply.at(8);
    return QByteArray(code == ACK ? "ACK" : code == NAK ? "NAK" : "?") + reply.mid(9, n - 13);
}
} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    // Each command is checked for its answer and for the value read back
    // afterwards: a refusal must leave the old value in place. Empty data: a read.
    void instrumentAnswers_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<Response>("expected");
        QTest::addColumn<Response>("readBack");
        auto row = [](const char *name, const char *item, const char *data, Response expected, Response readBack) {
            QTest::newRow(name) << QByteArray(item) << QByteArray(data) << expected << readBack;
        };
        row("read item 0004 unknown", "0004", "", nak(UnknownItem), nak(UnknownItem));
        row("alarm 1 lowest", "0001", "F831", ack(), ack("F831"));
        row("alarm 2 highest", "0002", "270F", ack(), ack("270F"));
        row("alarm 3 above span", "0003", "2710", nak(OutsideSpan), ack("0000"));
        row("alarm 1 below span", "0001", "F830", nak(OutsideSpan), ack("0000"));
        row("decimal point 4", "0008", "0004", nak(OutsideSpan), ack("0000"));
        row("filter 1000", "0009", "03E8", nak(OutsideSpan), ack("0000"));
        row("action 3", "000D", "0003", nak(OutsideSpan), ack("0000"));
        row("scaling high equal to low", "0006", "0064", nak(OutsideSpan), ack("270F"));
        row("scaling low equal to high", "0007", "270F", nak(OutsideSpan), ack("0064"));
        row("pv read-only", "0080", "0001", nak(NotWritable), ack("FB2E"));
        row("read-only before bad data", "0080", "zz", nak(NotWritable), ack("FB2E"));
        row("data too short", "0009", "012", nak(MalformedData), ack("0000"));
    }
    void instrumentAnswers()
    {
        QFETCH(QByteArray, item);
        QFETCH(QByteArray, data);
        QFETCH(Response, expected);
        QFETCH(Response, readBack);
        Instrument instrument;
        instrument.setPv(-1234);
        if (!data.isEmpty() && (item == "0006" || item == "0007"))
            QCOMPARE(instrument.write("0007", "0064"), ack()); // high must stay above low 100
        QCOMPARE(data.isEmpty() ? instrument.read(item) : instrument.write(item, data), expected);
        QCOMPARE(instrument.read(item), readBack);
    }

    void alarmsDriveStatus_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("pv");
        QTest::addColumn<bool>("active");
        QTest::newRow("high alarm at set value") << 1 << 500 << true;
        QTest::newRow("high alarm just below") << 1 << 499 << false;
        QTest::newRow("low alarm at set value") << 2 << 500 << true;
        QTest::newRow("low alarm just above") << 2 << 501 << false;
        QTest::newRow("no action at set value") << 0 << 500 << false;
    }
    void alarmsDriveStatus()
    {
        QFETCH(int, action);
        QFETCH(int, pv);
        QFETCH(bool, active);
        for (int alarm = 1; alarm <= 3; ++alarm) {
            Instrument instrument;
            instrument.setPv(static_cast<qint16>(pv));
            QCOMPARE(instrument.write("000" + QByteArray::number(alarm), "01F4"), ack()); // set value 500
            QCOMPARE(instrument.write("000" + QByteArray("DEF").mid(alarm - 1, 1), "000" + QByteArray::number(action)),
                     ack()); // the status follows at once, without a new PV
            QCOMPARE(instrument.read("0081"), ack(encodeValue(static_cast<qint16>(active ? 1 << (alarm - 1) : 0))));
        }
    }

    void statusOutOfScalingAndFixed()
    {
        Instrument instrument;
        instrument.setPv(10000);
        QCOMPARE(instrument.read("0081"), ack("0100"));
        instrument.setPv(-2000);
        QCOMPARE(instrument.read("0081"), ack("0100"));
        QCOMPARE(instrument.configure("status", "5"), QString());
        QCOMPARE(instrument.read("0081"), ack("0005"));
        QCOMPARE(instrument.write("000D", "0001"), ack());
        instrument.setPv(0); // alarm 1 active, bit 0 only would follow
        QCOMPARE(instrument.configure("status", "65535"), QString());
        QCOMPARE(instrument.read("0081"), ack("FFFF"));
        QCOMPARE(instrument.configure("status", "auto"), QString());
        QCOMPARE(instrument.read("0081"), ack("0001"));
    }

    // The record file's lines; a frame that cannot be decoded is kept in hex.
    void recordLines()
    {
        const QByteArray odd = encodeCommand(30, WriteType, "000D", "12"), bad = exampleWith(10, 'F');
        QCOMPARE(recordLine(9600, decodeCommand(odd), odd), QByteArray("9600\t30\tW\t000D\t12\n"));
        QCOMPARE(recordLine(4800, decodeCommand(bad), bad), QByteArray("4800\t?\t02232020303038300332460D\n"));
    }

    // None of these may be answered: the decoder must turn them all away.
    void rejectsBrokenCommands_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wrong BCC") << exampleWith(10, 'F');
        QTest::newRow("damaged item byte") << exampleWith(6, '9');
        QTest::newRow("no CR") << ExampleReadPv.left(11) + 'X';
        QTest::newRow("no ETX") << exampleWith(8, '0');
        QTest::newRow("address 32") << encodeCommand(32, ReadType, "0080");
        QTest::newRow("unknown command type") << encodeCommand(3, 'R', "0080");
        QTest::newRow("control character in data") << encodeCommand(3, WriteType, "0001", QByteArray("00\n1"));
    }
    void rejectsBrokenCommands()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodeCommand(bytes));
    }

    void waveStaysWithinScaling_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("pv");
        // Address 0, period 60: a quarter period is the top, three quarters the bottom.
        QTest::newRow("quarter, high limit") << 15.0 << 1000;
        QTest::newRow("three quarters, low limit") << 45.0 << -100;
    }
    void waveStaysWithinScaling()
    {
        QFETCH(double, seconds);
        QFETCH(int, pv);
        InstrumentBus bus;
        Instrument &instrument = bus.instrument(0);
        for (const char *setting : {"lo=-100", "hi=1000", "act1=1", "a1=900"}) {
            const QStringList pair = QString::fromLatin1(setting).split(u'=');
            QCOMPARE(instrument.configure(pair[0], pair[1]), QString());
        }
        bus.setWave(true, 60);
        QCOMPARE(answerTo(bus, readPv(0), seconds), "ACK" + encodeValue(static_cast<qint16>(pv)));
        // The alarm follows the moving PV.
        QCOMPARE(answerTo(bus, encodeCommand(0, ReadType, "0081"), seconds), pv >= 900 ? "ACK0001" : "ACK0000");
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
