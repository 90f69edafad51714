// The simulator program as the monitor meets it: a pty behind a link, the
// control input, the record file, and the commands it must leave unanswered.
// Unanswered commands are checked without timing: a good command follows
// each one, and the first reply to arrive must be the good command's.

#include "sim/CommandFrame.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace sim;

namespace {
const QByteArray GoodCommand = encodeCommand(3, ReadType, "0080");
const QByteArray GoodReply = encodeReply({3, ' ', ReadType, "0080", {}}, true, "04D2");
} // namespace

class TestSimProcess : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess sim_;
    int line_ = -1;

    QString link() const { return dir_.filePath("tty"); }

    QByteArray readOutputLine()
    {
        while (!sim_.canReadLine())
            if (!sim_.waitForReadyRead(10000))
                return "(nothing)";
        return sim_.readLine().trimmed();
    }

    QByteArray control(const QByteArray &line)
    {
        sim_.write(line + '\n');
        return readOutputLine();
    }

    bool openLine(speed_t speed)
    {
        closeLine();
        line_ = ::open(QFile::encodeName(link()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (line_ < 0)
            return false;
        return setSpeed(speed);
    }

    bool setSpeed(speed_t speed)
    {
        termios settings{};
        if (tcgetattr(line_, &settings) != 0)
            return false;
        cfmakeraw(&settings);
        cfsetspeed(&settings, speed);
        return tcsetattr(line_, TCSANOW, &settings) == 0;
    }

    void closeLine()
    {
        if (line_ >= 0)
            ::close(line_);
        line_ = -1;
    }

    void send(const QByteArray &bytes) { QCOMPARE(::write(line_, bytes.constData(), size_t(bytes.size())), bytes.size()); }

    // Everything up to the first CR; a generous wait, not a timing check.
    QByteArray readReply()
    {
        QByteArray reply;
        while (!reply.endsWith('\r')) {
            pollfd fd{line_, POLLIN, 0};
            if (::poll(&fd, 1, 10000) <= 0)
                break;
            char c;
            if (::read(line_, &c, 1) == 1)
                reply.append(c);
        }
        return reply;
    }

    QStringList record() const
    {
        QFile file(dir_.filePath("record"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void init()
    {
        QFile::remove(dir_.filePath("record"));
        sim_.start(VTX500_SIM_PATH, {"--link", link(), "--record", dir_.filePath("record"), "--no-pacing",
                                     "--instrument", "3:pv=1234", "--instrument", "5", "--silent", "5"});
        QVERIFY(sim_.waitForStarted());
        QVERIFY(readOutputLine().startsWith("pty /dev/"));
        QVERIFY(openLine(B9600));
    }

    void cleanup()
    {
        closeLine();
        sim_.write("quit\n");
        if (!sim_.waitForFinished(10000))
            sim_.kill();
        sim_.waitForFinished();
    }

    void leavesUnanswered_data()
    {
        QTest::addColumn<QByteArrayList>("controls");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("bad BCC") << QByteArrayList{} << QByteArray::fromHex("02232020303038300332460D")
                                 << "9600\t?\t02232020303038300332460D";
        QTest::newRow("address not configured") << QByteArrayList{} << encodeCommand(4, ReadType, "0080")
                                                << "9600\t4\tR\t0080\t";
        QTest::newRow("silent address") << QByteArrayList{} << encodeCommand(5, ReadType, "0080")
                                        << "9600\t5\tR\t0080\t";
        QTest::newRow("silenced at run time") << QByteArrayList{"silent 3 on"} << GoodCommand
                                              << "9600\t3\tR\t0080\t";
        QTest::newRow("listening at another speed") << QByteArrayList{"speed 19200"} << GoodCommand
                                                    << "9600\t3\tR\t0080\t";
        QTest::newRow("all replies dropped") << QByteArrayList{"drop 1"} << GoodCommand << "9600\t3\tR\t0080\t";
    }
    void leavesUnanswered()
    {
        QFETCH(QByteArrayList, controls);
        QFETCH(QByteArray, command);
        QFETCH(QString, recorded);
        for (const QByteArray &line : controls)
            QCOMPARE(control(line), QByteArray("ok"));
        send(command);
        // Once the simulator has taken the command in, undo the fault; then
        // the good command must be the first answered.
        QTRY_COMPARE_WITH_TIMEOUT(record().size(), 1, 10000);
        for (const QByteArray &line : {QByteArray("silent 3 off"), QByteArray("speed 9600"), QByteArray("drop 0")})
            QCOMPARE(control(line), QByteArray("ok"));
        send(GoodCommand);
        QCOMPARE(readReply(), GoodReply);
        QCOMPARE(record(), (QStringList{recorded, "9600\t3\tR\t0080\t"}));
    }

    void commandAtWrongSpeedIsRecordedWithIt()
    {
        QVERIFY(setSpeed(B4800));
        send(GoodCommand);
        // The simulator reads the speed when the frame arrives: keep it until then.
        QTRY_COMPARE_WITH_TIMEOUT(record().size(), 1, 10000);
        QVERIFY(setSpeed(B9600));
        send(GoodCommand);
        QCOMPARE(readReply(), GoodReply);
        QCOMPARE(record(), (QStringList{"4800\t3\tR\t0080\t", "9600\t3\tR\t0080\t"}));
    }

    void controlInput_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("pv"); // PV of address 3 afterwards
        QTest::newRow("set pv") << QByteArray("set 3 pv -1") << QByteArray("ok") << QByteArray("FFFF");
        QTest::newRow("set pv out of range") << QByteArray("set 3 pv 40000") << QByteArray("error") << QByteArray("04D2");
        QTest::newRow("bad address") << QByteArray("set 32 pv 1") << QByteArray("error") << QByteArray("04D2");
        QTest::newRow("unknown command") << QByteArray("explode") << QByteArray("error") << QByteArray("04D2");
        QTest::newRow("refuse pv") << QByteArray("refuse 3 0080 on") << QByteArray("ok") << QByteArray("\x15" "0001");
    }
    void controlInput()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, pv);
        QVERIFY(control(line).startsWith(answer));
        send(GoodCommand);
        const QByteArray reply = readReply();
        QCOMPARE(reply.mid(8, reply.size() - 12), pv.startsWith('\x15') ? pv : '\x06' + pv);
    }

    void vanishAndAppear()
    {
        QCOMPARE(control("vanish"), QByteArray("ok"));
        QVERIFY(QFileInfo(link()).isSymLink());
        QVERIFY(!QFileInfo::exists(link())); // dangling, as an unplugged converter's device
        char c;
        pollfd fd{line_, POLLIN, 0};
        QCOMPARE(::poll(&fd, 1, 10000), 1); // the old port hangs up at once
        QVERIFY(::read(line_, &c, 1) <= 0);

        sim_.write("appear\n");
        QVERIFY(readOutputLine().startsWith("pty /dev/"));
        QCOMPARE(readOutputLine(), QByteArray("ok"));
        QVERIFY(openLine(B9600));
        send(GoodCommand);
        QCOMPARE(readReply(), GoodReply);
    }

    void endsAtEndOfInput()
    {
        sim_.closeWriteChannel();
        QVERIFY(sim_.waitForFinished(10000));
        QCOMPARE(sim_.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim_.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_sim_process.moc"
