// The log schedule: the fixed grid, rounding of fractional intervals, the
// midnight rule and the one-record-per-tick catch-up.
#include "logging/LogSchedule.h"

#include "support/FakeClock.h"

#include <QtTest>

static QDateTime at(const char *time, int day = 0)
{
    return QDateTime(QDate(2006, 12, 5 + day), QTime::fromString(QString::fromLatin1(time), QStringLiteral("HH:mm:ss")));
}

class tst_logschedule : public QObject {
    Q_OBJECT
private slots:
    void recordsOnTheGrid_data();
    void recordsOnTheGrid();
    void heldTicksCatchUpOnePerTick_data();
    void heldTicksCatchUpOnePerTick();
};

void tst_logschedule::recordsOnTheGrid_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<double>("restartInterval");
    QTest::addColumn<double>("acceptedInterval");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("startSecond");
    QTest::addColumn<QStringList>("records");

    QTest::newRow("start 23:59:30 interval 60: nothing before midnight")
        << at("23:59:30") << 60.0 << 60.0 << true << 150 << 30 << QStringList{"00:00:30", "00:01:30"};
    QTest::newRow("interval 2.5 from second 100: 102 104 106")
        << at("00:01:37") << 3.0 << 2.5 << true << 10 << 100
        << QStringList{"00:01:40", "00:01:42", "00:01:44", "00:01:46"};
    QTest::newRow("interval 1") << at("12:00:00") << 1.0 << 1.0 << true << 2 << 43201
                                << QStringList{"12:00:01", "12:00:02"};
    QTest::newRow("interval 18000") << at("00:00:00") << 18000.0 << 18000.0 << true << 36000 << 18000
                                    << QStringList{"05:00:00", "10:00:00"};
    QTest::newRow("30 accepted at 23:59:50") << at("23:59:50") << 30.0 << 30.0 << true << 30 << 20
                                             << QStringList{"00:00:20"};
    QTest::newRow("not active: no record") << at("12:00:00") << 60.0 << 60.0 << false << 70 << 43260
                                           << QStringList{};
}

void tst_logschedule::recordsOnTheGrid()
{
    QFETCH(QDateTime, start);
    QFETCH(double, restartInterval);
    QFETCH(double, acceptedInterval);
    QFETCH(bool, active);
    QFETCH(int, seconds);
    QFETCH(int, startSecond);
    QFETCH(QStringList, records);

    SharedState state;
    state.LoggingActive = active;
    state.acceptedLogInterval = acceptedInterval;
    state.LogT = QString(); // the field half typed: the schedule must not read it
    LogSchedule schedule(state);
    FakeClock clock;
    clock.current = start;
    schedule.restart(clock.now(), restartInterval);
    QCOMPARE(state.LogStartSecond, startSecond);

    QStringList written; // a tick every 200 ms, as the logging timer gives them
    for (int tick = 0; tick <= seconds * 5; ++tick, clock.advance(0.2)) {
        if (schedule.tick(clock.now()))
            written << clock.now().time().toString(QStringLiteral("HH:mm:ss"));
    }
    QCOMPARE(written, records);
    QCOMPARE(qint64(state.LogStartSecond), schedule.duePoint() % 86400);
}

void tst_logschedule::heldTicksCatchUpOnePerTick_data()
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
    QTest::newRow("point of the next day not due before midnight")
        << at("23:59:30") << 60.0 << at("23:59:59") << 0 << at("00:00:30", 1);
}

void tst_logschedule::heldTicksCatchUpOnePerTick()
{
    QFETCH(QDateTime, start);
    QFETCH(double, interval);
    QFETCH(QDateTime, resumed);
    QFETCH(int, records);
    QFETCH(QDateTime, nextDue);

    SharedState state;
    state.LoggingActive = true;
    state.acceptedLogInterval = interval;
    LogSchedule schedule(state);
    schedule.restart(start, interval);

    int written = 0; // the clock stands still while the backlog is worked off
    while (written <= records && schedule.tick(resumed))
        ++written;
    QCOMPARE(written, records);
    QVERIFY(!schedule.tick(nextDue.addSecs(-1)));
    QVERIFY(schedule.tick(nextDue));
}

QTEST_GUILESS_MAIN(tst_logschedule)
#include "tst_logschedule.moc"
