// The line protocol without a port: the bytes of command frames, the judging
// of replies, and which device a port name from the settings opens.

#include "comm/Frame.h"
#include "comm/PortNames.h"

#include <QTest>

using frame::Reply;

Q_DECLARE_METATYPE(Reply::Status)

namespace {
QByteArray encode(const char *address, const char *type, const char *item, const char *data = "")
{
    return frame::encodeCommand(QString::fromLatin1(address), QStringLiteral(" "), QString::fromLatin1(type),
                                QString::fromLatin1(item), QString::fromLatin1(data));
}

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
        QCOMPARE(encode("#", " ", "0080").toHex(' '), QByteArray("02 23 20 20 30 30 38 30 03 32 45 0d"));
        QCOMPARE(encode(" ", "P", "0001", "04D2"), QByteArray::fromHex("0220205030303031303444320332450D"));
        QCOMPARE(encode("?", " ", "0081"), QByteArray::fromHex("023F2020303038310334420D"));
        // The check is the low byte of the sum, in upper-case hex, bytes counted unsigned.
        QCOMPARE(frame::blockCheck(QByteArray("\xF8\x10", 2)), QByteArray("08"));
        QCOMPARE(frame::blockCheck(QByteArray("\x2A\x80", 2)), QByteArray("AA"));
        QCOMPARE(frame::blockCheck(QByteArray("\xFF\xFF", 2)), QByteArray("FE"));
    }

    void judgesReply_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<Reply::Status>("status");
        QTest::addColumn<QByteArray>("data"); // code and data of a valid reply
        const QByteArray read = encode("#", " ", "0080");
        const QByteArray write = encode("#", "P", "0009", "0014");
        const char A = frame::AckCode;
        const QByteArray ack = frame::encodeReply(read, A, "04D2");
        auto bad = [&](const char *name, const QByteArray &bytes) {
            QTest::newRow(name) << read << bytes << Reply::Invalid << QByteArray();
        };
        QTest::newRow("ACK with a value") << read << ack << Reply::Valid << QByteArray("\x06" "04D2");
        QTest::newRow("ACK to a write") << write << frame::encodeReply(write, A, "") << Reply::Valid
                                        << QByteArray("\x06");
        QTest::newRow("NAK with its code") << write << frame::encodeReply(write, frame::NakCode, "0002")
                                           << Reply::Valid << QByteArray("\x15" "0002");
        QTest::newRow("noise before STX skipped") << read << QByteArray("\xFF\r\x03junk", 7) + ack << Reply::Valid
                                                  << QByteArray("\x06" "04D2");
        QTest::newRow("bytes after CR ignored") << read << ack + "\x02zz" << Reply::Valid << QByteArray("\x06" "04D2");
        QTest::newRow("noise only") << read << QByteArray(100, 'x') << Reply::Incomplete << QByteArray();
        QTest::newRow("missing CR") << read << ack.chopped(1) << Reply::Incomplete << QByteArray();
        bad("full length but no CR", withByte(ack, ack.size() - 1, '\n'));
        bad("oversize garbage", "\x02" + QByteArray(40, 'A'));
        bad("bad BCC", withByte(ack, 15, ack.at(15) == '0' ? '1' : '0'));
        bad("corrupted data, BCC unchanged", withByte(ack, 10, '5'));
        bad("echo of another address", frame::encodeReply(withByte(read, 1, '$'), A, "04D2"));
        bad("echo of another item", frame::encodeReply(withByte(read, 7, '1'), A, "04D2"));
        bad("echo of a write to a read", frame::encodeReply(withByte(read, 3, 'P'), A, ""));
        bad("code neither ACK nor NAK", frame::encodeReply(read, 0x1B, "04D2"));
        bad("three data digits", frame::encodeReply(read, A, "4D2"));
        bad("five data digits", frame::encodeReply(read, A, "004D2"));
        bad("lower-case data", frame::encodeReply(read, A, "04d2"));
        QByteArray noEtx = ack;
        noEtx[13] = 'X';
        noEtx.replace(14, 2, frame::blockCheck(noEtx.mid(1, 13)));
        bad("ETX missing, BCC right", noEtx);
    }
    void judgesReply()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, received);
        QFETCH(Reply::Status, status);
        QFETCH(QByteArray, data);
        const Reply whole = frame::parseReply(received, command);
        QCOMPARE(whole.status, status);
        if (status == Reply::Valid)
            QCOMPARE(whole.code + whole.data, data);
        // Arriving a byte at a time must not change the judgement.
        frame::ReplyReader reader(command);
        Reply piecewise;
        for (const char byte : received)
            piecewise = reader.feed(QByteArrayView(&byte, 1));
        QCOMPARE(piecewise.status, status);
        QCOMPARE(piecewise.data, whole.data);
    }

    void readerHoldsNoMoreThanOneFrame()
    {
        frame::ReplyReader reader(encode("#", " ", "0080"));
        QCOMPARE(reader.feed(QByteArray(100000, '\x7F')).status, Reply::Incomplete);
        QCOMPARE(reader.buffered(), 0);
        QCOMPARE(reader.feed("\x02" + QByteArray(100000, 'A')).status, Reply::Invalid);
        QVERIFY(reader.buffered() <= frame::MaxReplyLength);
    }

    void ordersPortsForComNumbers_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("ordered");
        QTest::newRow("numbers compare as numbers, converters first")
            << QStringList{"/dev/ttyS11", "/dev/ttyUSB10", "/dev/ttyS3", "/dev/ttyUSB2"}
            << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS3", "/dev/ttyS11"};
        QTest::newRow("ACM after USB, before on-board")
            << QStringList{"/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB1"}
            << QStringList{"/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS0"};
        QTest::newRow("listed twice counts once") << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB0"}
                                                  << QStringList{"/dev/ttyUSB0"};
    }
    void ordersPortsForComNumbers()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, ordered);
        QCOMPARE(portnames::comOrder(listed), ordered);
    }

    void resolvesNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path"); // empty: no such port
        QTest::newRow("COM1 is the first converter") << "COM1" << "/dev/ttyUSB0";
        QTest::newRow("com2 in lower case") << "com2" << "/dev/ttyS0";
        QTest::newRow("COM3 beyond the list") << "COM3" << "";
        QTest::newRow("COM with a huge number") << "COM99999999999" << "/dev/COM99999999999";
        QTest::newRow("a path as it stands") << "/tmp/sim/tty" << "/tmp/sim/tty";
        QTest::newRow("empty name") << "" << "";
    }
    void resolvesNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(portnames::resolve(name, {"/dev/ttyS0", "/dev/ttyUSB0"}), path);
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
