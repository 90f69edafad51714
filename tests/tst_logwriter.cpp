// Logging: the schedule's grid, midnight and catch-up; the file's name,
// header and records, and how failures to write it are reported.
#include "logging/LogSchedule.h"
#include "logging/LogWriter.h"

#include "config/SharedState.h"
#include "support/FakeClock.h"
#include "support/FakePanels.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace {
const QString WriteFailed = QStringLiteral("Cannot write in the file. Check if the file is open.");
const QString FirstName = QStringLiteral("log/061205_0846.TXT");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QDateTime at(const char *time, int day = 0)
{
    return QDateTime(QDate(2006, 12, 5 + day), QTime::fromString(QString::fromLatin1(time), QStringLiteral("HH:mm:ss")));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class tst_logwriter : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    SharedState state_;
    FakePanels panels_;
    ScriptedPrompter prompter_;
    FakeClock clock_;
    QStringList status_;
    std::unique_ptr<LogWriter> writer_;

    // Moves the clock by the interval and lets one tick run.
    void nextRecord(double seconds = 1)
    {
        clock_.advance(seconds);
        writer_->LoggingTimer_Timer();
    }
    // A running schedule over state_ at this interval.
    std::unique_ptr<LogSchedule> schedule(double interval)
    {
        state_.LoggingActive = true;
        state_.acceptedLogInterval = interval;
        return std::make_unique<LogSchedule>(state_);
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        std::signal(SIGXFSZ, SIG_IGN); // a write beyond the file size limit fails instead of ending the test
    }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir_->path()));
        state_ = SharedState();
        state_.acceptedLogInterval = 1;
        for (int i = 0; i < ChannelCount; ++i) {
            state_.channels(i, NameItem).Value = QStringLiteral("CH %1").arg(i);
            state_.channels(i, StateItem).Value = QStringLiteral("ON");
            panels_.texts[i] = QString::number(i * 1.5);
        }
        prompter_ = ScriptedPrompter();
        clock_.current = QDateTime(QDate(2006, 12, 5), QTime(8, 46, 0));
        status_.clear();
        writer_ = std::make_unique<LogWriter>(state_, panels_, prompter_, clock_,
                                              [this](const QString &text) { status_ << text; });
    }
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        writer_.reset();
        QDir::setCurrent(QDir::tempPath());
        dir_.reset();
    }

    // One file per run; a header of names and records of the shown PVs, CR LF,
    // blank for OFF channels, no break or tab splitting the row, the time of day
    // the locale's own; one record however many are due.
    void fileFormat()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        state_.channels(0, NameItem).Value = QStringLiteral("Kühlwasser");
        state_.channels(2, NameItem).Value = QStringLiteral("\r\nx\t"); // breaks would split the row
        panels_.texts[2] = QStringLiteral("a\tb");
        state_.channels(3, StateItem).Value = QStringLiteral("OFF");
        state_.channels(4, StateItem).Value = QStringLiteral("off");
        state_.channels(5, StateItem).Value = QStringLiteral("      OFF");
        panels_.texts[0] = QStringLiteral("123.4");
        panels_.texts[30] = QStringLiteral("-1999");
        writer_->startLogging();
        writer_->startLogging(); // once per run: no second file
        QVERIFY(writer_->loggingTimer().isActive());
        QCOMPARE(status_, QStringList{FirstName});
        nextRecord(0.6); // not due yet
        nextRecord(0.4); // 08:46:01
        nextRecord(4);   // 08:46:05, one record although four are due
        QVERIFY(prompter_.shown.isEmpty());
        const QByteArray bytes = readAll(FirstName);
        QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.size(), 3);
        for (const QByteArray &line : lines) {
            QVERIFY(line.endsWith('\r') && line.count('\r') == 1);
            QCOMPARE(line.count('\t'), 31);
        }
        QCOMPARE(QString::fromLocal8Bit(lines[0].chopped(1).split('\t').mid(0, 4).join('|')),
                 QStringLiteral("Time|Kühlwasser|CH 1|  x "));
        // Time, channels 0..6 (3..5 switched off), ..., channel 30.
        QCOMPARE(lines[2].chopped(1).split('\t').mid(0, 8),
                 (QList<QByteArray>{"8:46:05 AM", "123.4", "1.5", "a b", "", "", "", "9"}));
        QVERIFY(lines[2].endsWith("\t-1999\r"));
    }

    // A run in the same minute as earlier ones gets the next free _2, _3 name
    // (a file of another minute counts for none) and leaves them alone.
    void secondRunInTheSameMinuteKeepsEarlierFile()
    {
        const QStringList earlier{"061205_0845.TXT", "061205_0846.TXT", "061205_0846_2.TXT"};
        const QString expected = QStringLiteral("log/061205_0846_3.TXT");
        QVERIFY(QDir().mkdir(QStringLiteral("log")));
        for (const QString &name : earlier)
            QVERIFY(writeFile(QStringLiteral("log/") + name, "earlier run\r\n"));
        writer_->startLogging();
        QCOMPARE(writer_->logFileName(), expected);
        QVERIFY(readAll(expected).startsWith("Time\t"));
        for (const QString &name : earlier)
            QCOMPARE(readAll(QStringLiteral("log/") + name), QByteArray("earlier run\r\n"));
        QVERIFY(prompter_.shown.isEmpty());
    }

    // A failed record is told, those failing under its box counted in one box
    // after it, logging goes on; a FIFO or device is refused unopened; a write
    // cut off part-way leaves no torn line.
    void failedRecordIsReportedAndLaterOnesGoOn_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("directory in the file's place") << "directory";
        QTest::newRow("device in the file's place") << "/dev/null";
        QTest::newRow("FIFO in the file's place") << "fifo";
        QTest::newRow("disk full part-way through a record") << "size limit";
    }
    void failedRecordIsReportedAndLaterOnesGoOn()
    {
        QFETCH(QString, blocker);
        writer_->startLogging();
        const QByteArray header = readAll(FirstName);
        const bool limited = blocker == "size limit"; // stands in for a disk that fills up
        rlimit unlimited{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        int reader = -1; // the FIFO's other end: an open that waited for one would hang the test
        const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &unlimited); ::close(reader); });
        const rlimit limit{rlim_t(header.size() + 40), unlimited.rlim_max};
        QVERIFY(limited ? setrlimit(RLIMIT_FSIZE, &limit) == 0 : QFile::remove(FirstName));
        if (blocker == "fifo")
            QVERIFY(mkfifo(QFile::encodeName(FirstName), 0600) == 0
                    && (reader = ::open(QFile::encodeName(FirstName), O_RDONLY | O_NONBLOCK)) >= 0);
        QVERIFY(blocker != "directory" || QDir().mkdir(FirstName));
        QVERIFY(!blocker.startsWith("/dev/") || QFile::link(blocker, FirstName));
        int shown = 0;
        prompter_.onShow = [&](const ScriptedPrompter::Shown &) {
            if (shown++ == 0)
                nextRecord();
        };
        nextRecord();    // 08:46:01, and 08:46:02 while its box is open
        nextRecord(0.2); // not due: the point advanced although the writes failed
        nextRecord(0.8); // 08:46:03
        const QString further = QStringLiteral("1 further record could not be written in the file %1.")
                                    .arg(QDir::current().absoluteFilePath(FirstName));
        QCOMPARE(prompter_.texts(), (QStringList{WriteFailed, further, WriteFailed}));
        QVERIFY(state_.LoggingActive);
        // Once free, the next record follows the last whole line (no header
        // in a file made again).
        QVERIFY(limited ? setrlimit(RLIMIT_FSIZE, &unlimited) == 0
                        : QFile::remove(FirstName) || QDir().rmdir(FirstName));
        nextRecord();
        QCOMPARE(prompter_.shown.size(), 3);
        const QByteArray bytes = readAll(FirstName);
        QVERIFY(bytes.startsWith((limited ? header : QByteArray()) + "08:46:04\t"));
        QCOMPARE(bytes.count("\r\n"), limited ? 2 : 1);
    }

    // A log folder that cannot be made is told once, naming it; logging stays on.
    void directoryThatCannotBeMadeIsReportedOnce()
    {
        QVERIFY(writeFile(QStringLiteral("log"), "not a directory"));
        writer_->startLogging();
        QCOMPARE(prompter_.shown.size(), 1);
        QVERIFY(prompter_.shown[0].text.contains(QDir::current().absoluteFilePath(QStringLiteral("log"))));
        QVERIFY(state_.LoggingActive);
        nextRecord();
        nextRecord();
        QCOMPARE(prompter_.texts().mid(1), (QStringList{WriteFailed, WriteFailed}));
    }

    // Ticks every 200 ms, as the logging timer gives them: a fixed grid from the
    // start, fractions rounded half to even, nothing before a point past
    // midnight, none once logging is off, the half-typed field never read.
    // Summer time or the clock set an hour either way neither stops the log nor
    // makes it burst: a record every interval, stamped with the shown time.
    void recordsKeepTheGridThroughClockChanges_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<double>("restartInterval");
        QTest::addColumn<double>("interval");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<double>("stepAfter"); // seconds; the clock is set by `step` then
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("first");          // of the records compared
        QTest::addColumn<QStringList>("stamps"); // from `first`
        QTest::newRow("start 23:59:30 interval 60: nothing before midnight")
            << at("23:59:30") << 60.0 << 60.0 << 150 << 0.0 << 0.0 << 2 << 0 << QStringList{"00:00:30", "00:01:30"};
        QTest::newRow("interval 2.5 from second 100: 102 104 106")
            << at("00:01:37") << 3.0 << 2.5 << 10 << 0.0 << 0.0 << 4 << 0
            << QStringList{"00:01:40", "00:01:42", "00:01:44", "00:01:46"};
        const QTimeZone berlin("Europe/Berlin");
        QTest::newRow("summer time ends") << QDateTime(QDate(2026, 10, 25), QTime(1, 29, 20), berlin) << 60.0 << 60.0
                                          << 7200 << 0.0 << 0.0 << 120 << 89
                                          << QStringList{"02:59:20", "02:00:20", "02:01:20"};
        QTest::newRow("summer time begins") << QDateTime(QDate(2026, 3, 29), QTime(0, 59, 20), berlin) << 60.0 << 60.0
                                            << 7200 << 0.0 << 0.0 << 120 << 59
                                            << QStringList{"01:59:20", "03:00:20", "03:01:20"};
        const QDateTime morning(QDate(2026, 12, 1), QTime(7, 59, 20), berlin);
        QTest::newRow("clock set an hour back") << morning << 60.0 << 60.0 << 7200 << 3595.0 << -3600.0 << 120 << 58
                                                << QStringList{"08:58:20", "07:59:20", "08:00:20"};
        QTest::newRow("clock set an hour ahead") << morning << 60.0 << 60.0 << 7200 << 3595.0 << 3600.0 << 120 << 58
                                                 << QStringList{"08:58:20", "09:59:20", "10:00:20"};
    }
    void recordsKeepTheGridThroughClockChanges()
    {
        QFETCH(QDateTime, start);
        QFETCH(double, restartInterval);
        QFETCH(double, interval);
        QFETCH(int, seconds);
        QFETCH(double, stepAfter);
        QFETCH(double, step);
        QFETCH(int, count);
        QFETCH(int, first);
        QFETCH(QStringList, stamps);
        QVERIFY(start.isValid());
        state_.LogT = QString();
        const auto grid = schedule(interval);
        FakeClock clock;
        clock.current = start;
        grid->restart(clock.now(), clock.elapsedMs(), restartInterval);
        QStringList written;
        QList<qint64> when; // steady time of each record
        for (int tick = 0; tick < seconds * 5; ++tick) {
            clock.advance(0.2);
            if (step != 0 && clock.elapsedMs() == qint64(stepAfter * 1000)) {
                clock.step(step);
                step = 0;
            }
            if (grid->tick(clock.now(), clock.elapsedMs())) {
                written << clock.now().time().toString(QStringLiteral("HH:mm:ss"));
                when << clock.elapsedMs();
            }
        }
        QCOMPARE(written.size(), count);
        for (qsizetype i = 2; i < when.size(); ++i)
            QVERIFY2(when[i] - when[i - 1] == when[1] - when[0], qPrintable(written[i]));
        QCOMPARE(written.mid(first, stamps.size()), stamps);
        QCOMPARE(state_.LogStartSecond, secondOfDay(QDateTime::fromSecsSinceEpoch(grid->duePoint())));
        state_.LoggingActive = false;
        clock.advance(86400);
        QVERIFY(!grid->tick(clock.now(), clock.elapsedMs()));
    }

    // Held ticks catch up one record per tick, across midnight too.
    void heldTicksCatchUpOnePerTick_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<double>("interval");
        QTest::addColumn<QDateTime>("resumed");
        QTest::addColumn<int>("records");
        QTest::addColumn<QDateTime>("nextDue");
        QTest::newRow("ten and a half intervals behind")
            << at("12:00:00") << 10.0 << at("12:01:55") << 11 << at("12:02:00");
        QTest::newRow("point passed before midnight stays due after it")
            << at("23:59:50") << 5.0 << at("00:00:03", 1) << 2 << at("00:00:05", 1);
    }
    void heldTicksCatchUpOnePerTick()
    {
        QFETCH(QDateTime, start);
        QFETCH(double, interval);
        QFETCH(QDateTime, resumed);
        QFETCH(int, records);
        QFETCH(QDateTime, nextDue);
        const auto grid = schedule(interval);
        const auto elapsed = [&start](const QDateTime &t) { return start.msecsTo(t); }; // no clock change
        grid->restart(start, 0, interval);
        int written = 0; // the clock stands still while the backlog is worked off
        while (written <= records && grid->tick(resumed, elapsed(resumed)))
            ++written;
        QCOMPARE(written, records);
        QVERIFY(!grid->tick(nextDue.addSecs(-1), elapsed(nextDue.addSecs(-1))));
        QVERIFY(grid->tick(nextDue, elapsed(nextDue)));
    }
};

QTEST_GUILESS_MAIN(tst_logwriter)
#include "tst_logwriter.moc"
