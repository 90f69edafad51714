// The line protocol without a port: a command frame's bytes, the judging of
// replies, and which device a port name opens.

#include "comm/Frame.h"
#include "comm/PortNames.h"

#include <QTest>

using frame::Reply;

Q_DECLARE_METATYPE(Reply::Status)

namespace {
// Read the PV of address 3.
const QByteArray ReadPv = frame::encodeCommand("#", " ", " ", "0080", "");

QByteArray withByte(QByteArray bytes, qsizetype index, char value)
{
    bytes[index] = value;
    return bytes;
}
} // namespace

class TestFrame : public QObject {
    Q_OBJECT

private slots:
    void encodesCommand()
    {
        QCOMPARE(ReadPv.toHex(' '), QByteArray("02 23 20 20 30 30 38 30 03 32 45 0d")); // the documented example
        // Its documented reply as bytes, not from the encoder the simulator shares.
        const Reply reply = frame::parseReply(QByteArray::fromHex("022320203030383006303444320330450D"), ReadPv);
        QCOMPARE(reply.status, Reply::Valid);
        QCOMPARE(reply.code + reply.data, QByteArray("\x06" "04D2"));
        // The check is the low byte of the sum in upper-case hex, bytes counted
        // unsigned (a signed sum would be negative here).
        QCOMPARE(frame::blockCheck(QByteArray("\x2A\x80", 2)), QByteArray("AA"));
    }

    void judgesReply_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<Reply::Status>("status");
        QTest::addColumn<QByteArray>("data"); // code and data of a valid reply
        const char A = frame::AckCode;
        const QByteArray ack = frame::encodeReply(ReadPv, A, "04D2");
        auto bad = [](const char *name, const QByteArray &bytes) {
            QTest::newRow(name) << bytes << Reply::Invalid << QByteArray();
        };
        QTest::newRow("noise before STX skipped") << QByteArray("\xFF\r\x03junk", 7) + ack << Reply::Valid
                                                  << QByteArray("\x06" "04D2");
        QTest::newRow("bytes after CR ignored") << ack + "\x02zz" << Reply::Valid << QByteArray("\x06" "04D2");
        QTest::newRow("missing CR") << ack.chopped(1) << Reply::Incomplete << QByteArray();
        bad("full length but no CR", withByte(ack, ack.size() - 1, '\n'));
        bad("oversize garbage", "\x02" + QByteArray(40, 'A'));
        bad("bad BCC", withByte(ack, 15, ack.at(15) == '0' ? '1' : '0'));
        bad("echo of another address", frame::encodeReply(withByte(ReadPv, 1, '$'), A, "04D2"));
        bad("echo of another item", frame::encodeReply(withByte(ReadPv, 7, '1'), A, "04D2"));
        bad("code neither ACK nor NAK", frame::encodeReply(ReadPv, 0x1B, "04D2"));
        bad("three data digits", frame::encodeReply(ReadPv, A, "4D2"));
        bad("lower-case data", frame::encodeReply(ReadPv, A, "04d2"));
        QByteArray noEtx = withByte(ack, 13, 'X');
        noEtx.replace(14, 2, frame::blockCheck(noEtx.mid(1, 13)));
        bad("ETX missing, BCC right", noEtx);
    }
    void judgesReply()
    {
        QFETCH(QByteArray, received);
        QFETCH(Reply::Status, status);
        QFETCH(QByteArray, data);
        const Reply whole = frame::parseReply(received, ReadPv);
        QCOMPARE(whole.status, status);
        if (status == Reply::Valid)
            QCOMPARE(whole.code + whole.data, data);
        // Arriving a byte at a time must not change the judgement.
        frame::ReplyReader reader(ReadPv);
        Reply piecewise;
        for (const char byte : received)
            piecewise = reader.feed(QByteArrayView(&byte, 1));
        QCOMPARE(piecewise.status, status);
        QCOMPARE(piecewise.data, whole.data);
    }

    void readerHoldsNoMoreThanOneFrame()
    {
        frame::ReplyReader reader(ReadPv);
        QCOMPARE(reader.feed(QByteArray(100000, '\x7F')).status, Reply::Incomplete);
        QCOMPARE(reader.buffered(), 0);
        QCOMPARE(reader.feed("\x02" + QByteArray(100000, 'A')).status, Reply::Invalid);
        QVERIFY(reader.buffered() <= frame::MaxReplyLength);
    }

    // COMn counts converters first (USB, then ACM), then on-board ports, each
    // kind in number order, a port listed twice once (a path as it stands: every simulator test).
    void resolvesNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path"); // empty: no such port
        QTest::newRow("COM1 is the first converter") << "COM1" << "/dev/ttyUSB2";
        QTest::newRow("numbers compare as numbers") << "COM2" << "/dev/ttyUSB10";
        QTest::newRow("ACM after USB") << "COM3" << "/dev/ttyACM0";
        QTest::newRow("lower case, on-board last") << "com5" << "/dev/ttyS11";
        QTest::newRow("beyond the list, duplicate counted once") << "COM6" << "";
        QTest::newRow("COM with a huge number") << "COM99999999999" << "/dev/COM99999999999";
        QTest::newRow("empty name") << "" << "";
    }
    void resolvesNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        const QStringList listed{"/dev/ttyS11", "/dev/ttyUSB10", "/dev/ttyS3", "/dev/ttyACM0", "/dev/ttyUSB2",
                                 "/dev/ttyUSB2"};
        QCOMPARE(portnames::resolve(name, listed), path);
    }

    // The ports can be given, so that runs side by side on one machine never
    // probe its real ones: an empty list has none.
    void portsGivenInTheEnvironment()
    {
        const auto restore = qScopeGuard([] { qunsetenv(portnames::PortListVariable); });
        qputenv(portnames::PortListVariable, "/tmp/a:/tmp/b");
        QCOMPARE(portnames::resolve(QStringLiteral("COM2")), QStringLiteral("/tmp/b"));
        qputenv(portnames::PortListVariable, "");
        QCOMPARE(portnames::resolve(QStringLiteral("COM1")), QString());
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
