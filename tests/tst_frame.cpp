// The bytes of command frames and the judging of replies, without a port.

#include "comm/Frame.h"

#include <QTest>

using frame::Reply;

Q_DECLARE_METATYPE(Reply::Status)

namespace {

QByteArray readPv3()
{
    return frame::encodeCommand(QStringLiteral("#"), QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("0080"),
                                QString());
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
    void encodesCommand_data();
    void encodesCommand();
    void blockCheckIsLowByteInUpperHex_data();
    void blockCheckIsLowByteInUpperHex();
    void judgesFields_data();
    void judgesFields();
    void judgesReply_data();
    void judgesReply();
    void readerHoldsNoMoreThanOneFrame();
};

void TestFrame::encodesCommand_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("read PV of address 3") << "#" << " " << "0080" << "" << QByteArray::fromHex("02232020303038300332450D");
    QTest::newRow("write 04D2 to alarm 1 of address 0")
        << " " << "P" << "0001" << "04D2" << QByteArray::fromHex("0220205030303031303444320332450D");
    QTest::newRow("read status of address 31")
        << "?" << " " << "0081" << "" << QByteArray::fromHex("023F2020303038310334420D");
}

void TestFrame::encodesCommand()
{
    QFETCH(QString, address);
    QFETCH(QString, type);
    QFETCH(QString, item);
    QFETCH(QString, data);
    QFETCH(QByteArray, bytes);
    QVERIFY(frame::commandFieldError(address, QStringLiteral(" "), type, item, data).isEmpty());
    QCOMPARE(frame::encodeCommand(address, QStringLiteral(" "), type, item, data).toHex(' '), bytes.toHex(' '));
}

void TestFrame::blockCheckIsLowByteInUpperHex_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("check");
    QTest::newRow("nothing") << QByteArray() << QByteArray("00");
    QTest::newRow("sum above 255 keeps the low byte") << QByteArray("\xF8\x10", 2) << QByteArray("08");
    QTest::newRow("letters are upper-case") << QByteArray("\x2A\x80", 2) << QByteArray("AA");
    QTest::newRow("bytes above 127 count unsigned") << QByteArray("\xFF\xFF", 2) << QByteArray("FE");
}

void TestFrame::blockCheckIsLowByteInUpperHex()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, check);
    QCOMPARE(frame::blockCheck(bytes), check);
}

void TestFrame::judgesFields_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("sub");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("complaint"); // part of the error text; empty when the fields are sound

    QTest::newRow("read of address 0") << " " << " " << " " << "0080" << "" << "";
    QTest::newRow("write of address 31") << "?" << " " << "P" << "000D" << "FFFF" << "";
    // The instrument, not the component, judges what a data field means.
    QTest::newRow("data that is no number goes to the instrument") << "#" << " " << "P" << "0001" << "12x" << "";
    QTest::newRow("empty address") << "" << " " << " " << "0080" << "" << "address";
    QTest::newRow("two address characters") << "##" << " " << " " << "0080" << "" << "address";
    QTest::newRow("address below blank") << "\x1F" << " " << " " << "0080" << "" << "address";
    QTest::newRow("address 32") << "@" << " " << " " << "0080" << "" << "address";
    QTest::newRow("empty sub-address") << "#" << "" << " " << "0080" << "" << "sub-address";
    QTest::newRow("control sub-address") << "#" << "\r" << " " << "0080" << "" << "sub-address";
    QTest::newRow("two-character type") << "#" << " " << "PP" << "0080" << "" << "command type";
    QTest::newRow("DEL as type") << "#" << " " << "\x7F" << "0080" << "" << "command type";
    QTest::newRow("three-digit item") << "#" << " " << " " << "080" << "" << "data item";
    QTest::newRow("five-digit item") << "#" << " " << " " << "00800" << "" << "data item";
    QTest::newRow("lower-case item") << "#" << " " << " " << "000d" << "" << "data item";
    QTest::newRow("item not hexadecimal") << "#" << " " << " " << "00G0" << "" << "data item";
    QTest::newRow("CR in data") << "#" << " " << "P" << "0001" << "04\rD" << "control character";
    QTest::newRow("ETX in data") << "#" << " " << "P" << "0001" << "\x03" "04D" << "control character";
    QTest::newRow("DEL in data") << "#" << " " << "P" << "0001" << "04D\x7F" << "control character";
    QTest::newRow("non-ASCII data") << "#" << " " << "P" << "0001" << QString::fromUtf8("04\u00C92") << "ASCII";
    QTest::newRow("C1 control in data") << "#" << " " << "P" << "0001" << QString(QChar(0x85)) << "ASCII";
}

void TestFrame::judgesFields()
{
    QFETCH(QString, address);
    QFETCH(QString, sub);
    QFETCH(QString, type);
    QFETCH(QString, item);
    QFETCH(QString, data);
    QFETCH(QString, complaint);
    const QString error = frame::commandFieldError(address, sub, type, item, data);
    if (complaint.isEmpty())
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY2(error.contains(complaint), qPrintable(error));
}

void TestFrame::judgesReply_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<Reply::Status>("status");
    QTest::addColumn<char>("code");
    QTest::addColumn<QByteArray>("data");

    const QByteArray read = readPv3();
    const QByteArray write = frame::encodeCommand(QStringLiteral("#"), QStringLiteral(" "), QStringLiteral("P"),
                                                  QStringLiteral("0009"), QStringLiteral("0014"));
    const QByteArray ack = frame::encodeReply(read, frame::AckCode, "04D2");
    const char A = frame::AckCode;
    const char N = frame::NakCode;

    QTest::newRow("ACK with a value") << read << ack << Reply::Valid << A << QByteArray("04D2");
    QTest::newRow("ACK to a write, no data") << write << frame::encodeReply(write, A, "") << Reply::Valid << A
                                             << QByteArray();
    QTest::newRow("NAK with its code") << write << frame::encodeReply(write, N, "0002") << Reply::Valid << N
                                       << QByteArray("0002");
    QTest::newRow("noise before STX skipped") << read << QByteArray("\xFF\r\x03junk", 7) + ack << Reply::Valid << A
                                              << QByteArray("04D2");
    QTest::newRow("bytes after CR ignored") << read << ack + "\x02zz" << Reply::Valid << A << QByteArray("04D2");
    QTest::newRow("nothing yet") << read << QByteArray() << Reply::Incomplete << '\0' << QByteArray();
    QTest::newRow("noise only") << read << QByteArray(100, 'x') << Reply::Incomplete << '\0' << QByteArray();
    QTest::newRow("half a frame") << read << ack.left(9) << Reply::Incomplete << '\0' << QByteArray();
    QTest::newRow("missing CR") << read << ack.chopped(1) << Reply::Incomplete << '\0' << QByteArray();
    QTest::newRow("full length but no CR") << read << withByte(ack, ack.size() - 1, '\n') << Reply::Invalid << '\0'
                                           << QByteArray();
    QTest::newRow("oversize garbage") << read << "\x02" + QByteArray(40, 'A') << Reply::Invalid << '\0'
                                      << QByteArray();
    QTest::newRow("bad BCC") << read << withByte(ack, 15, ack.at(15) == '0' ? '1' : '0') << Reply::Invalid << '\0' << QByteArray();
    QTest::newRow("corrupted data, BCC unchanged") << read << withByte(ack, 10, '5') << Reply::Invalid << '\0'
                                                   << QByteArray();
    QTest::newRow("echo of another address")
        << read << frame::encodeReply(withByte(read, 1, '$'), A, "04D2") << Reply::Invalid << '\0' << QByteArray();
    QTest::newRow("echo of another item")
        << read << frame::encodeReply(withByte(read, 7, '1'), A, "04D2") << Reply::Invalid << '\0' << QByteArray();
    QTest::newRow("echo of a write to a read")
        << read << frame::encodeReply(withByte(read, 3, 'P'), A, "") << Reply::Invalid << '\0' << QByteArray();
    QTest::newRow("code neither ACK nor NAK") << read << frame::encodeReply(read, 0x1B, "04D2") << Reply::Invalid
                                              << '\0' << QByteArray();
    QTest::newRow("three data digits") << read << frame::encodeReply(read, A, "4D2") << Reply::Invalid << '\0'
                                       << QByteArray();
    QTest::newRow("five data digits") << read << frame::encodeReply(read, A, "004D2") << Reply::Invalid << '\0'
                                      << QByteArray();
    QTest::newRow("lower-case data") << read << frame::encodeReply(read, A, "04d2") << Reply::Invalid << '\0'
                                     << QByteArray();
    QTest::newRow("data not hexadecimal") << read << frame::encodeReply(read, A, "04G2") << Reply::Invalid << '\0'
                                          << QByteArray();
    QByteArray noEtx = ack;
    noEtx[13] = 'X';
    noEtx.replace(14, 2, frame::blockCheck(noEtx.mid(1, 13)));
    QTest::newRow("ETX missing, BCC right") << read << noEtx << Reply::Invalid << '\0' << QByteArray();
}

void TestFrame::judgesReply()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, received);
    QFETCH(Reply::Status, status);
    QFETCH(char, code);
    QFETCH(QByteArray, data);

    const Reply whole = frame::parseReply(received, command);
    QCOMPARE(whole.status, status);
    if (status == Reply::Valid) {
        QCOMPARE(whole.code, code);
        QCOMPARE(whole.data, data);
    }

    // Arriving a byte at a time must not change the judgement.
    frame::ReplyReader reader(command);
    Reply piecewise;
    for (const char byte : received)
        piecewise = reader.feed(QByteArrayView(&byte, 1));
    QCOMPARE(piecewise.status, status);
    QCOMPARE(piecewise.data, whole.data);
}

void TestFrame::readerHoldsNoMoreThanOneFrame()
{
    frame::ReplyReader reader(readPv3());
    QCOMPARE(reader.feed(QByteArray(100000, '\x7F')).status, Reply::Incomplete);
    QCOMPARE(reader.buffered(), 0);
    QCOMPARE(reader.feed("\x02" + QByteArray(100000, 'A')).status, Reply::Invalid);
    QVERIFY(reader.buffered() <= frame::MaxReplyLength);
}

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
