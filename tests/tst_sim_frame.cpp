// Frames on the simulated line: the documented example bytes, the checks a
// command must pass to be answered at all, the reply bytes, the cutting of
// the byte stream into frames, and the record file's lines.

#include "sim/CommandFrame.h"
#include "sim/FrameReader.h"
#include "sim/FrameRecord.h"

#include <QTest>

using namespace sim;

namespace {
const QByteArray ExampleReadPv = QByteArray::fromHex("02232020303038300332450D");

// A well-formed read of PV at address 3 with one byte replaced.
QByteArray exampleWith(qsizetype index, char byte)
{
    QByteArray bytes = ExampleReadPv;
    bytes[index] = byte;
    return bytes;
}
} // namespace

class TestSimFrame : public QObject {
    Q_OBJECT

private slots:
    void exampleCommandBytes()
    {
        QCOMPARE(encodeCommand(3, ReadType, "0080"), ExampleReadPv);
        QCOMPARE(blockCheck(QByteArray::fromHex("2320203030383003")), QByteArray("2E"));
        const std::optional<CommandFrame> frame = decodeCommand(ExampleReadPv);
        QVERIFY(frame);
        QCOMPARE(frame->address, 3);
        QCOMPARE(frame->type, ReadType);
        QCOMPARE(frame->item, QByteArray("0080"));
        QCOMPARE(frame->data, QByteArray());
    }

    void replyBytes()
    {
        const CommandFrame read{3, ' ', ReadType, "0080", {}};
        QCOMPARE(encodeReply(read, true, "04D2"), QByteArray::fromHex("0223202030303830063034443203" "3045" "0D"));
        const CommandFrame write{31, ' ', WriteType, "0008", "0004"};
        // Address 31 is '?'; NAK 0002; BCC of 3F 20 50 30 30 30 38 15 30 30 30 32 03 = 0x251.
        QCOMPARE(encodeReply(write, false, "0002"), QByteArray("\x02?\x20P0008\x15" "0002\x03" "51\r"));
    }

    void decodesEveryAddressAndWrites_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<char>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("address 0 read") << 0 << ReadType << QByteArray();
        QTest::newRow("address 31 read") << 31 << ReadType << QByteArray();
        QTest::newRow("write") << 7 << WriteType << QByteArray("04D2");
        QTest::newRow("write with odd data is left to the instrument") << 7 << WriteType << QByteArray("12");
    }
    void decodesEveryAddressAndWrites()
    {
        QFETCH(int, address);
        QFETCH(char, type);
        QFETCH(QByteArray, data);
        const std::optional<CommandFrame> frame = decodeCommand(encodeCommand(address, type, "0001", data));
        QVERIFY(frame);
        QCOMPARE(frame->address, address);
        QCOMPARE(frame->type, type);
        QCOMPARE(frame->data, data);
    }

    // None of these may be answered: the decoder must turn them all away.
    void rejectsBrokenCommands_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wrong BCC") << exampleWith(10, 'F');
        QTest::newRow("lower-case BCC") << exampleWith(10, 'e');
        QTest::newRow("damaged item byte") << exampleWith(6, '9');
        QTest::newRow("no CR") << ExampleReadPv.left(11) + 'X';
        QTest::newRow("no STX") << exampleWith(0, 'X');
        QTest::newRow("no ETX") << exampleWith(8, '0');
        QTest::newRow("too short") << QByteArray::fromHex("0223200332450D");
        QTest::newRow("address 32") << encodeCommand(32, ReadType, "0080");
        QTest::newRow("unknown command type") << encodeCommand(3, 'R', "0080");
        QTest::newRow("control character in data") << encodeCommand(3, WriteType, "0001", QByteArray("00\n1"));
        QTest::newRow("empty") << QByteArray();
    }
    void rejectsBrokenCommands()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodeCommand(bytes));
    }

    void cutsStreamIntoFrames_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<QByteArray>>("frames");
        const QByteArray a = ExampleReadPv;
        const QByteArray b = encodeCommand(4, WriteType, "0001", "0064");
        QTest::newRow("one frame") << QList<QByteArray>{a} << QList<QByteArray>{a};
        QTest::newRow("noise before STX skipped") << QList<QByteArray>{"\r\n\xFFxx" + a} << QList<QByteArray>{a};
        QTest::newRow("split across reads") << QList<QByteArray>{a.left(5), a.mid(5, 4), a.mid(9)} << QList<QByteArray>{a};
        QTest::newRow("two in one read") << QList<QByteArray>{a + b} << QList<QByteArray>{a, b};
        QTest::newRow("STX restarts a broken frame") << QList<QByteArray>{a.left(6), b} << QList<QByteArray>{a.left(6), b};
        QTest::newRow("no CR yet") << QList<QByteArray>{a.left(11)} << QList<QByteArray>{};
    }
    void cutsStreamIntoFrames()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<QByteArray>, frames);
        FrameReader reader;
        QList<QByteArray> got;
        for (const QByteArray &chunk : chunks)
            for (const ReceivedFrame &frame : reader.feed(chunk, 0))
                got.append(frame.bytes);
        QCOMPARE(got, frames);
    }

    void endlessFrameIsCutOff()
    {
        FrameReader reader;
        QList<ReceivedFrame> frames = reader.feed(QByteArray(1, STX) + QByteArray(100000, 'A'), 0);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first().bytes.size(), FrameReader::MaximumFrameLength);
        // The rest was skipped; the next frame is found whole.
        frames = reader.feed(ExampleReadPv, 0);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first().bytes, ExampleReadPv);
    }

    void firstByteTimeIsWhenSTXArrived()
    {
        FrameReader reader;
        QVERIFY(reader.feed(ExampleReadPv.left(4), 100).isEmpty());
        const QList<ReceivedFrame> frames = reader.feed(ExampleReadPv.mid(4), 250);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first().firstByteTime, 100);
    }

    void recordLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("read") << ExampleReadPv << QByteArray("9600\t3\tR\t0080\t\n");
        QTest::newRow("write") << encodeCommand(30, WriteType, "000D", "0002") << QByteArray("9600\t30\tW\t000D\t0002\n");
        QTest::newRow("undecodable") << exampleWith(10, 'F') << QByteArray("9600\t?\t02232020303038300332460D\n");
    }
    void recordLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, line);
        QCOMPARE(recordLine(9600, decodeCommand(bytes), bytes), line);
    }
};

QTEST_GUILESS_MAIN(TestSimFrame)
#include "tst_sim_frame.moc"
