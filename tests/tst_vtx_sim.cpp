// The communication component on a real pty against the instrument simulator.

#include "comm/Vtx.h"
#include "support/SimProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString Blank = QStringLiteral(" ");
const QString Read = QStringLiteral(" ");
const QString Write = QStringLiteral("P");

QString addressCharacter(int address)
{
    return QString(QChar(char16_t(32 + address)));
}

QString ack(const QString &data = QString())
{
    return QString(ACK) + data;
}

QString nak(const QString &code)
{
    return QString(NAK) + code;
}

// Printable form of a reply for failure messages.
QString shown(const QString &reply)
{
    QString text = reply;
    return text.replace(ACK, QStringLiteral("<ACK>")).replace(NAK, QStringLiteral("<NAK>")).replace(ESC, QStringLiteral("<ESC>"));
}

// The simulator and a component opened on it at a speed.
struct Line {
    explicit Line(const QStringList &args, const QString &speed = QStringLiteral("9600"))
        : sim(args)
    {
        started = sim.start();
        if (!started)
            return;
        vtx.SetPort(sim.link());
        vtx.SetSpeed(speed);
        opened = vtx.Open();
    }

    QString read(int address, const QString &item, int count = 3)
    {
        return vtx.SendCommand(addressCharacter(address), Blank, Read, item, QString(), count);
    }
    QString write(int address, const QString &item, const QString &data, int count = 3)
    {
        return vtx.SendCommand(addressCharacter(address), Blank, Write, item, data, count);
    }

    SimProcess sim;
    Vtx vtx;
    bool started = false;
    bool opened = false;
};

#define VERIFY_LINE(line)                                                                                              \
    do {                                                                                                               \
        QVERIFY2((line).started, "the simulator did not start");                                                      \
        QVERIFY2((line).opened, "the simulator's pty did not open");                                                  \
    } while (false)

#define COMPARE_REPLY(actual, expected) QCOMPARE(shown(actual), shown(expected))

// Keeps a pty's number from being handed out again while the test runs:
// other programs on the machine open ptys too, and one of them could get the
// vanished pty's number and with it the dangling link.
class PtyNumberHold {
public:
    explicit PtyNumberHold(const QString &slavePath)
        : fd_(::open(QFile::encodeName(slavePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~PtyNumberHold()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    PtyNumberHold(const PtyNumberHold &) = delete;
    PtyNumberHold &operator=(const PtyNumberHold &) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

const QStringList Instrument3{
    "--no-pacing", "--instrument",
    "3:pv=1234,dp=1,filter=20,hi=5000,lo=-100,a1=100,a2=200,a3=300,act1=1,act2=2,act3=0"};

} // namespace

class TestVtxSim : public QObject {
    Q_OBJECT

private slots:
    void readsEveryItem_data();
    void readsEveryItem();
    void writesAndRefusals_data();
    void writesAndRefusals();
    void pacedRepliesArriveInTime_data();
    void pacedRepliesArriveInTime();
    void wrongSpeedMakesCountAttempts_data();
    void wrongSpeedMakesCountAttempts();
    void silentAddressMakesCountAttempts();
    void corruptedRepliesAreRepeated();
    void unpluggedConverter_data();
    void unpluggedConverter();
    void openFindsNoPort_data();
    void openFindsNoPort();
    void openRefusesPort_data();
    void openRefusesPort();
    void badFieldsSendNothing_data();
    void badFieldsSendNothing();
    void commandsNeedAnOpenPort();
};

void TestVtxSim::readsEveryItem_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("reply");

    QTest::newRow("PV 1234") << "0080" << ack("04D2");
    QTest::newRow("status: alarm 1 (high) active") << "0081" << ack("0001");
    QTest::newRow("alarm 1 set value") << "0001" << ack("0064");
    QTest::newRow("alarm 2 set value") << "0002" << ack("00C8");
    QTest::newRow("alarm 3 set value") << "0003" << ack("012C");
    QTest::newRow("scaling high") << "0006" << ack("1388");
    QTest::newRow("scaling low, negative") << "0007" << ack("FF9C");
    QTest::newRow("decimal point") << "0008" << ack("0001");
    QTest::newRow("filter") << "0009" << ack("0014");
    QTest::newRow("alarm 1 action") << "000D" << ack("0001");
    QTest::newRow("alarm 2 action") << "000E" << ack("0002");
    QTest::newRow("alarm 3 action") << "000F" << ack("0000");
    QTest::newRow("unknown item") << "1234" << nak("0001");
}

void TestVtxSim::readsEveryItem()
{
    QFETCH(QString, item);
    QFETCH(QString, reply);
    Line line(Instrument3);
    VERIFY_LINE(line);
    COMPARE_REPLY(line.read(3, item), reply);
    QCOMPARE(line.sim.record(), QStringList{QStringLiteral("9600\t3\tR\t%1\t").arg(item)});
}

void TestVtxSim::writesAndRefusals_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("after"); // the item's value read back afterwards

    QTest::newRow("alarm 1 to -1") << "0001" << "FFFF" << ack() << "FFFF";
    QTest::newRow("alarm 2 to 9999") << "0002" << "270F" << ack() << "270F";
    QTest::newRow("alarm 3 to -1999") << "0003" << "F831" << ack() << "F831";
    QTest::newRow("scaling high to 4000") << "0006" << "0FA0" << ack() << "0FA0";
    QTest::newRow("scaling low to -200") << "0007" << "FF38" << ack() << "FF38";
    QTest::newRow("decimal point to 3") << "0008" << "0003" << ack() << "0003";
    QTest::newRow("filter to 999") << "0009" << "03E7" << ack() << "03E7";
    QTest::newRow("alarm 1 action to none") << "000D" << "0000" << ack() << "0000";
    QTest::newRow("alarm 2 action to high") << "000E" << "0001" << ack() << "0001";
    QTest::newRow("alarm 3 action to low") << "000F" << "0002" << ack() << "0002";
    QTest::newRow("PV cannot be written") << "0080" << "0000" << nak("0003") << "04D2";
    QTest::newRow("filter 1000 out of span") << "0009" << "03E8" << nak("0002") << "0014";
    QTest::newRow("unknown item") << "0004" << "0000" << nak("0001") << "";
    // Only control characters are the component's business; the instrument
    // judges the rest of a data field.
    QTest::newRow("malformed data") << "0001" << "12" << nak("0004") << "0064";
}

void TestVtxSim::writesAndRefusals()
{
    QFETCH(QString, item);
    QFETCH(QString, data);
    QFETCH(QString, reply);
    QFETCH(QString, after);
    Line line(Instrument3);
    VERIFY_LINE(line);
    COMPARE_REPLY(line.write(3, item, data), reply);
    if (!after.isEmpty())
        COMPARE_REPLY(line.read(3, item), ack(after));
}

void TestVtxSim::pacedRepliesArriveInTime_data()
{
    QTest::addColumn<QString>("speed");
    QTest::newRow("2400") << "2400";
    QTest::newRow("9600") << "9600";
    QTest::newRow("38400") << "38400";
}

void TestVtxSim::pacedRepliesArriveInTime()
{
    // Replies come at the line's own pace: the wait must cover the reply's
    // wire time at slow speeds. Three attempts absorb a stall of the machine.
    QFETCH(QString, speed);
    Line line({"--speed", speed, "--instrument", "7:pv=-2"}, speed);
    VERIFY_LINE(line);
    for (int i = 0; i < 5; ++i)
        COMPARE_REPLY(line.read(7, "0080"), ack("FFFE"));
}

void TestVtxSim::wrongSpeedMakesCountAttempts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("frames");
    QTest::newRow("probe count 2") << 2 << 2;
    QTest::newRow("command count 3") << 3 << 3;
    QTest::newRow("count 0 still tries once") << 0 << 1;
}

void TestVtxSim::wrongSpeedMakesCountAttempts()
{
    QFETCH(int, count);
    QFETCH(int, frames);
    Line line({"--no-pacing", "--speed", "9600", "--instrument", "1"}, QStringLiteral("19200"));
    VERIFY_LINE(line);
    COMPARE_REPLY(line.read(1, "0080", count), QString(ESC));
    QStringList expected;
    for (int i = 0; i < frames; ++i)
        expected << QStringLiteral("19200\t1\tR\t0080\t");
    QTRY_COMPARE(line.sim.record(), expected);
    COMPARE_REPLY(line.read(1, "0080", count), QString(ESC));
    QTRY_COMPARE(line.sim.record().size(), 2 * frames);
}

void TestVtxSim::silentAddressMakesCountAttempts()
{
    Line line({"--no-pacing", "--instrument", "5", "--instrument", "6:pv=6", "--silent", "5"});
    VERIFY_LINE(line);
    COMPARE_REPLY(line.read(5, "0080"), QString(ESC));
    COMPARE_REPLY(line.read(6, "0080"), ack("0006"));
    QCOMPARE(line.sim.record(), QStringList({"9600\t5\tR\t0080\t", "9600\t5\tR\t0080\t", "9600\t5\tR\t0080\t",
                                             "9600\t6\tR\t0080\t"}));
}

void TestVtxSim::corruptedRepliesAreRepeated()
{
    // A corrupted byte must never pass as an answer, and a repeat must follow it.
    Line line({"--corrupt", "0.3", "--seed", "11", "--instrument", "2:pv=-1234,a1=77"});
    VERIFY_LINE(line);
    constexpr int Commands = 40;
    for (int i = 0; i < Commands; ++i) {
        COMPARE_REPLY(line.read(2, "0080", 8), ack("FB2E"));
        COMPARE_REPLY(line.write(2, "0001", "004D", 8), ack());
    }
    QTRY_VERIFY(line.sim.record().size() > 2 * Commands);
}

void TestVtxSim::unpluggedConverter_data()
{
    QTest::addColumn<bool>("idleHook");
    QTest::addColumn<bool>("eventLoopFirst");
    QTest::newRow("command notices, no event loop") << false << false;
    QTest::newRow("command notices, idle hook turns the event loop") << true << false;
    QTest::newRow("event loop notices between commands") << false << true;
}

void TestVtxSim::unpluggedConverter()
{
    QFETCH(bool, idleHook);
    QFETCH(bool, eventLoopFirst);
    Line line({"--no-pacing", "--instrument", "4:pv=44"});
    VERIFY_LINE(line);
    int idleCalls = 0;
    if (idleHook)
        line.vtx.idle = [&idleCalls] {
            ++idleCalls;
            QCoreApplication::processEvents();
        };
    COMPARE_REPLY(line.read(4, "0080"), ack("002C"));

    const PtyNumberHold hold(line.sim.ptyPath());
    QVERIFY(hold.held());
    QVERIFY2(line.sim.command("vanish"), qPrintable(line.sim.lastAnswer()));
    if (eventLoopFirst) // Qt reports the lost pty over and over; the device must be let go
        QTRY_VERIFY(line.vtx.lineFaulted());
    COMPARE_REPLY(line.read(4, "0080"), QString(ESC));
    QVERIFY(line.vtx.lineFaulted());
    COMPARE_REPLY(line.write(4, "0001", "0001"), QString(ESC));
    QVERIFY(line.vtx.isOpen()); // still open as far as its user knows
    QCOMPARE(idleCalls > 0, idleHook);
    QTest::qWait(50); // the event loop turns on a closed device without harm

    QVERIFY2(line.sim.command("appear"), qPrintable(line.sim.lastAnswer()));
    COMPARE_REPLY(line.read(4, "0080"), ack("002C"));
    QVERIFY(!line.vtx.lineFaulted());
    COMPARE_REPLY(line.write(4, "0001", "0001"), ack());
}

void TestVtxSim::openFindsNoPort_data()
{
    QTest::addColumn<QString>("port");
    QTest::newRow("missing path") << "/nonexistent/tty";
    QTest::newRow("missing bare name") << "ttyNoSuchPort7";
    QTest::newRow("COM beyond the machine's ports") << "COM250";
    QTest::newRow("empty name") << "";
    QTest::newRow("dangling link") << "dangling";
}

void TestVtxSim::openFindsNoPort()
{
    QFETCH(QString, port);
    QTemporaryDir dir;
    if (port == QLatin1String("dangling")) {
        port = dir.filePath("tty");
        QVERIFY(QFile::link(dir.filePath("gone"), port));
    }
    Vtx vtx;
    vtx.SetPort(port);
    vtx.SetSpeed("9600");
    QVERIFY(!vtx.Open());
    QVERIFY(!vtx.isOpen());
}

void TestVtxSim::openRefusesPort_data()
{
    QTest::addColumn<QString>("why");
    QTest::newRow("speed not a number") << "abc";
    QTest::newRow("speed zero") << "0";
    QTest::newRow("speed negative") << "-9600";
    QTest::newRow("in use by another component") << "in use";
    QTest::newRow("a file that is no serial port") << "file";
}

void TestVtxSim::openRefusesPort()
{
    QFETCH(QString, why);
    Line first({"--no-pacing", "--instrument", "0"});
    VERIFY_LINE(first);
    QTemporaryDir dir;
    Vtx second;
    second.SetPort(first.sim.link());
    second.SetSpeed("9600");
    if (why == QLatin1String("file")) {
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        second.SetPort(plain.fileName());
    } else if (why != QLatin1String("in use")) {
        first.vtx.Close(); // the port itself is free
        second.SetSpeed(why);
    }
    QVERIFY_THROWS_EXCEPTION(VtxError, second.Open());
    QVERIFY(!second.isOpen());
    if (why == QLatin1String("in use")) // the holder is undisturbed
        COMPARE_REPLY(first.read(0, "0080"), ack("0000"));
}

void TestVtxSim::badFieldsSendNothing_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("data");
    QTest::newRow("address 32") << "@" << "P" << "0001" << "0000";
    QTest::newRow("lower-case item") << "\"" << "P" << "000d" << "0001";
    QTest::newRow("CR in data") << "\"" << "P" << "0001" << "00\r1";
}

void TestVtxSim::badFieldsSendNothing()
{
    QFETCH(QString, address);
    QFETCH(QString, type);
    QFETCH(QString, item);
    QFETCH(QString, data);
    Line line({"--no-pacing", "--instrument", "2"});
    VERIFY_LINE(line);
    QVERIFY_THROWS_EXCEPTION(VtxError, line.vtx.SendCommand(address, Blank, type, item, data, 3));
    // Frames are recorded in order: only the sound command after it went out.
    COMPARE_REPLY(line.read(2, "0008"), ack("0000"));
    QCOMPARE(line.sim.record(), QStringList{"9600\t2\tR\t0008\t"});
}

void TestVtxSim::commandsNeedAnOpenPort()
{
    Line line({"--no-pacing", "--instrument", "2"});
    VERIFY_LINE(line);
    Vtx never;
    QVERIFY_THROWS_EXCEPTION(VtxError, never.SendCommand("\"", Blank, Read, "0080", QString(), 3));
    never.Close(); // nothing to close: nothing happens

    line.vtx.Close();
    line.vtx.Close();
    QVERIFY_THROWS_EXCEPTION(VtxError, line.read(2, "0080"));
    QVERIFY(line.vtx.Open()); // the same port again
    COMPARE_REPLY(line.read(2, "0080"), ack("0000"));
    QCOMPARE(line.sim.record().size(), 1);
}

QTEST_GUILESS_MAIN(TestVtxSim)
#include "tst_vtx_sim.moc"
