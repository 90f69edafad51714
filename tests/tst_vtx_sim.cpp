// The communication component on a real pty against the instrument simulator.

#include "support/SimLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>


namespace {
QString ack(const QString &data = QString()) { return QString(ACK) + data; }
QString nak(const QString &code) { return QString(NAK) + code; }
const QString NoAnswer = QString(ESC);

// Printable form of a reply for failure messages.
QString shown(QString reply)
{
    return reply.replace(ACK, QStringLiteral("<ACK>")).replace(NAK, QStringLiteral("<NAK>")).replace(ESC, QStringLiteral("<ESC>"));
}

#define OPEN_LINE(line, ...) QVERIFY2((line).open(__VA_ARGS__), "the simulator's pty did not open")
#define COMPARE_REPLY(actual, expected) QCOMPARE(shown(actual), shown(expected))

const QStringList Instrument3{
    "--no-pacing", "--instrument",
    "3:pv=1234,dp=1,filter=20,hi=5000,lo=-100,a1=100,a2=200,a3=300,act1=1,act2=2,act3=0"};
} // namespace

class TestVtxSim : public QObject {
    Q_OBJECT

private slots:
    // Every item is read, written and read back; refusals leave the value.
    void everyItemRoundTrips_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("value"); // as configured
        QTest::addColumn<QString>("data");  // written
        QTest::addColumn<QString>("reply"); // to the write
        const QString ok = ack();
        QTest::newRow("PV cannot be written") << "0080" << "04D2" << "0000" << nak("0003");
        QTest::newRow("status: alarm 1 (high) active") << "0081" << "0001" << "0000" << nak("0003");
        QTest::newRow("alarm 1 to -1") << "0001" << "0064" << "FFFF" << ok;
        QTest::newRow("alarm 2 to 9999") << "0002" << "00C8" << "270F" << ok;
        QTest::newRow("alarm 3 to -1999") << "0003" << "012C" << "F831" << ok;
        QTest::newRow("scaling high to 4000") << "0006" << "1388" << "0FA0" << ok;
        QTest::newRow("scaling low from -100 to -200") << "0007" << "FF9C" << "FF38" << ok;
        QTest::newRow("decimal point to 3") << "0008" << "0001" << "0003" << ok;
        QTest::newRow("filter to 999") << "0009" << "0014" << "03E7" << ok;
        QTest::newRow("filter 1000 out of span") << "0009" << "0014" << "03E8" << nak("0002");
        QTest::newRow("alarm 1 action to none") << "000D" << "0001" << "0000" << ok;
        QTest::newRow("alarm 2 action to high") << "000E" << "0002" << "0001" << ok;
        QTest::newRow("alarm 3 action to low") << "000F" << "0000" << "0002" << ok;
        // Only control characters are the component's business; the
        // instrument judges the rest of a data field.
        QTest::newRow("malformed data") << "0001" << "0064" << "12" << nak("0004");
        QTest::newRow("unknown item") << "0004" << "" << "0000" << nak("0001");
    }
    void everyItemRoundTrips()
    {
        QFETCH(QString, item);
        QFETCH(QString, value);
        QFETCH(QString, data);
        QFETCH(QString, reply);
        SimLine line(Instrument3);
        OPEN_LINE(line);
        const QString read = value.isEmpty() ? nak("0001") : ack(value);
        COMPARE_REPLY(line.read(3, item), read);
        COMPARE_REPLY(line.write(3, item, data), reply);
        COMPARE_REPLY(line.read(3, item), reply == ack() ? ack(data) : read);
        QCOMPARE(line.sim.record(), (QStringList{QStringLiteral("9600\t3\tR\t%1\t").arg(item),
                                                 QStringLiteral("9600\t3\tW\t%1\t%2").arg(item, data),
                                                 QStringLiteral("9600\t3\tR\t%1\t").arg(item)}));
    }

    // The wait must cover the reply's wire time at a slow speed, counted from
    // when the command's last byte has left the wire: at 2400 bit/s the
    // command itself takes 50 ms, and an instrument that starts its 71 ms
    // reply 65 ms after it is within its allowance of 60 ms + 24 characters.
    void pacedRepliesArriveInTime_data()
    {
        QTest::addColumn<QString>("turnaround");
        QTest::newRow("prompt instrument") << "5";
        QTest::newRow("slow instrument within its allowance") << "65";
    }
    void pacedRepliesArriveInTime()
    {
        QFETCH(QString, turnaround);
        SimLine line({"--speed", "2400", "--turnaround", turnaround, "--instrument", "7:pv=-2"});
        OPEN_LINE(line, "2400");
        for (int i = 0; i < 5; ++i)
            COMPARE_REPLY(line.read(7, "0080"), ack("FFFE"));
    }

    void wrongSpeedMakesCountAttempts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("frames");
        QTest::newRow("probe count 2") << 2 << 2;
        QTest::newRow("count 0 still tries once") << 0 << 1;
    }
    void wrongSpeedMakesCountAttempts()
    {
        QFETCH(int, count);
        QFETCH(int, frames);
        SimLine line({"--no-pacing", "--speed", "9600", "--instrument", "1"});
        OPEN_LINE(line, "19200");
        COMPARE_REPLY(line.read(1, "0080", count), NoAnswer);
        QTRY_COMPARE(line.sim.record(), QStringList(frames, QStringLiteral("19200\t1\tR\t0080\t")));
    }

    void silentAddressMakesCountAttempts()
    {
        SimLine line({"--no-pacing", "--instrument", "5", "--instrument", "6:pv=6", "--silent", "5"});
        OPEN_LINE(line);
        COMPARE_REPLY(line.read(5, "0080"), NoAnswer);
        COMPARE_REPLY(line.read(6, "0080"), ack("0006"));
        QCOMPARE(line.sim.record(), QStringList(3, "9600\t5\tR\t0080\t") << "9600\t6\tR\t0080\t");
    }

    void corruptedRepliesAreRepeated()
    {
        // A corrupted byte must never pass as an answer, and a repeat must follow it.
        SimLine line({"--corrupt", "0.3", "--seed", "11", "--instrument", "2:pv=-1234,a1=77"});
        OPEN_LINE(line);
        constexpr int Commands = 40;
        for (int i = 0; i < Commands; ++i) {
            COMPARE_REPLY(line.read(2, "0080", 8), ack("FB2E"));
            COMPARE_REPLY(line.write(2, "0001", "004D", 8), ack());
        }
        QTRY_VERIFY(line.sim.record().size() > 2 * Commands);
    }

    void unpluggedConverter_data()
    {
        QTest::addColumn<bool>("idleHook");
        QTest::addColumn<bool>("eventLoopFirst");
        QTest::newRow("command notices, no event loop") << false << false;
        QTest::newRow("command notices, idle hook turns the event loop") << true << false;
        QTest::newRow("event loop notices between commands") << false << true;
    }
    void unpluggedConverter()
    {
        QFETCH(bool, idleHook);
        QFETCH(bool, eventLoopFirst);
        SimLine line({"--no-pacing", "--instrument", "4:pv=44"});
        OPEN_LINE(line);
        int idleCalls = 0;
        if (idleHook)
            line.vtx.idle = [&idleCalls] {
                ++idleCalls;
                QCoreApplication::processEvents();
            };
        COMPARE_REPLY(line.read(4, "0080"), ack("002C"));
        QVERIFY2(line.sim.command("vanish"), qPrintable(line.sim.lastAnswer()));
        // The link leads nowhere, not to a pty number the next program may get.
        QVERIFY(!QFileInfo(line.sim.link()).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));
        if (eventLoopFirst) // Qt reports the lost pty over and over; the device must be let go
            QTRY_VERIFY(line.vtx.lineFaulted());
        COMPARE_REPLY(line.read(4, "0080"), NoAnswer);
        QVERIFY(line.vtx.lineFaulted());
        COMPARE_REPLY(line.write(4, "0001", "0001"), NoAnswer);
        QVERIFY(line.vtx.isOpen()); // still open as far as its user knows
        QCOMPARE(idleCalls > 0, idleHook);
        QTest::qWait(50); // the event loop turns on a closed device without harm
        QVERIFY2(line.sim.command("appear"), qPrintable(line.sim.lastAnswer()));
        COMPARE_REPLY(line.read(4, "0080"), ack("002C"));
        QVERIFY(!line.vtx.lineFaulted());
    }

    // A port that is not there: Open is false. A port that cannot be used: VtxError.
    void openFailures_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<bool>("throws");
        QTest::newRow("missing path") << "/nonexistent/tty" << "9600" << false;
        QTest::newRow("dangling link") << "dangling" << "9600" << false;
        QTest::newRow("in use by another component") << "sim" << "9600" << true;
        QTest::newRow("speed not a number") << "free sim" << "abc" << true;
        // Never a serial line, whatever the store says: as if absent.
        for (const char *notALine : {"file", "directory", "fifo", "/dev/null"})
            QTest::newRow(notALine) << notALine << "9600" << false;
    }
    void openFailures()
    {
        QFETCH(QString, port);
        QFETCH(QString, speed);
        QFETCH(bool, throws);
        SimLine first({"--no-pacing", "--instrument", "0"});
        OPEN_LINE(first);
        QTemporaryDir dir;
        if (port == QLatin1String("dangling"))
            QVERIFY(QFile::link(dir.filePath("gone"), port = dir.filePath("tty")));
        if (port == QLatin1String("free sim"))
            first.vtx.Close();
        if (port == QLatin1String("file") || port == QLatin1String("directory") || port == QLatin1String("fifo")) {
            const QByteArray path = QFile::encodeName(dir.filePath(port));
            QVERIFY(port == QLatin1String("file") ? QFile(path).open(QIODevice::WriteOnly)
                    : port == QLatin1String("directory") ? QDir().mkdir(path)
                                                          : ::mkfifo(path.constData(), 0600) == 0);
            port = path;
        }
        Vtx second;
        second.SetPort(port.endsWith(QLatin1String("sim")) ? first.sim.link() : port);
        second.SetSpeed(speed);
        if (throws)
            QVERIFY_THROWS_EXCEPTION(VtxError, second.Open());
        else
            QVERIFY(!second.Open());
        QVERIFY(!second.isOpen());
        if (port == QLatin1String("sim")) // the holder is undisturbed
            COMPARE_REPLY(first.read(0, "0080"), ack("0000"));
    }

    void badFieldsSendNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("data");
        QTest::newRow("address 32") << "@" << "0001" << "0000";
        QTest::newRow("lower-case item") << "\"" << "000d" << "0001";
        QTest::newRow("CR in data") << "\"" << "0001" << "00\r1";
    }
    void badFieldsSendNothing()
    {
        QFETCH(QString, address);
        QFETCH(QString, item);
        QFETCH(QString, data);
        SimLine line({"--no-pacing", "--instrument", "2"});
        OPEN_LINE(line);
        QVERIFY_THROWS_EXCEPTION(VtxError, line.vtx.SendCommand(address, " ", "P", item, data, 3));
        // Frames are recorded in order: only the sound command after it went out.
        COMPARE_REPLY(line.read(2, "0008"), ack("0000"));
        QCOMPARE(line.sim.record(), QStringList{"9600\t2\tR\t0008\t"});
    }
};

QTEST_GUILESS_MAIN(TestVtxSim)
#include "tst_vtx_sim.moc"
