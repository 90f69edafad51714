// Trend data: log files read back as a chart, the envelope, the live
// history's bound, and the CSV export.
#include "config/SharedState.h"
#include "logging/EventJournal.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompter.h"
#include "comm/Polling.h"
#include "logging/LogWriter.h"
#include "logging/TimeOfDayFormat.h"
#include "trend/CsvExport.h"
#include "trend/JournalMarks.h"
#include "trend/LiveHistory.h"
#include "trend/LogChart.h"
#include "trend/NativePath.h"
#include "support/FileSizeLimit.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <numeric>

using namespace trend;

namespace {

const QByteArray Header = "Time\ta,b\tsay \"hi\"\t=1+2\t@x" + QByteArray(ChannelCount - 4, '\t');

// A record line with the fields given and the other channels empty.
QByteArray record(const QByteArray &fields)
{
    return fields + QByteArray(ChannelCount - int(fields.count('\t')), '\t');
}

bool writeLog(const QString &path, const QByteArrayList &lines)
{
    QFile file(path);
    const QByteArray bytes = (QByteArrayList{Header} + lines).join("\r\n") + "\r\n";
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::vector<int> everySeries(const TrendSource &source)
{
    std::vector<int> all(std::size_t(source.seriesCount()));
    std::iota(all.begin(), all.end(), 0);
    return all;
}

QByteArrayList readLines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList();
}

// The envelope by its definition, one sample at a time.
std::vector<Span> referenceEnvelope(const TrendSource &source, int series, Millis from, Millis to, int columns,
                                    Millis breakAt)
{
    std::vector<Span> spans(static_cast<std::size_t>(columns));
    bool haveValue = false;
    bool gap = false;
    source.forEachSample(from, to, [&](Millis t, const float *values) {
        gap = gap || (t >= breakAt && haveValue && t - 1000 < breakAt);
        const float value = values[series];
        if (std::isnan(value)) {
            gap = true;
            return;
        }
        Span &span = spans[std::size_t((t - from) * columns / (to - from))];
        if (!span.hasValue())
            span = {value, value, haveValue && !gap};
        span.low = std::min(span.low, value);
        span.high = std::max(span.high, value);
        haveValue = true;
        gap = false;
    });
    return spans;
}

} // namespace

class tst_trend : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    std::unique_ptr<LogChart> chart_;
    std::unique_ptr<LiveHistory> history_;

    QString path(const QString &name) const { return dir_.filePath(name); }

    // Two logs of a record a second, 1000 s apart: channel 0 values with
    // spikes, channel 1 mostly gaps; the live history is fed the same records.
    void openSpikyLogs()
    {
        QByteArrayList first;
        QByteArrayList second;
        quint32 random = 1;
        for (int i = 0; i < 39'000; ++i) {
            random = random * 1'103'515'245u + 12'345u;
            const int r = int(random >> 16);
            const QByteArray value0 = r % 97 == 0 ? "----" : QByteArray::number(r % 1000 - (r % 331 == 0 ? 5000 : 0));
            const QByteArray value1 = r % 13 < 3 ? QByteArray::number(r % 100) : "";
            const int second0 = i < 19'000 ? i : i + 1000;
            const QByteArray time = QTime(0, 0).addSecs(second0).toString("HH:mm:ss").toLatin1();
            (i < 19'000 ? first : second).append(record(time + '\t' + value0 + '\t' + value1));
        }
        chart_ = std::make_unique<LogChart>();
        if (!writeLog(path(QStringLiteral("230301_0000.TXT")), first)
            || !writeLog(path(QStringLiteral("230301_0530.TXT")), second)
            || !chart_->open({path(QStringLiteral("230301_0530.TXT")), path(QStringLiteral("230301_0000.TXT"))}))
            return;
        history_ = std::make_unique<LiveHistory>([](int) { return QString(); });
        chart_->forEachSample(chart_->firstTime(), chart_->lastTime() + 1, [this](Millis t, const float *values) {
            LiveHistory::Values row;
            std::copy(values, values + ChannelCount, row.begin());
            history_->append(t, row, {});
        });
    }

private slots:
    void initTestCase()
    {
        // Central European time, summer time rules included, on any machine.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        QLocale::setDefault(QLocale::c());
        QVERIFY(dir_.isValid());
    }

    // A record's date follows from the file's name and the midnights passed
    // since, exported as local ISO 8601 with the offset.
    void recordDatesAndTheirExport_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArrayList>("records");
        QTest::addColumn<QByteArrayList>("rows"); // time and channel 0 as exported
        QTest::newRow("one day") << "230105_0846.TXT" << QByteArrayList{"08:46:01\t1,5", "08:46:02\t-3276.8"}
                                 << QByteArrayList{"2023-01-05T08:46:01+01:00,1.5", "2023-01-05T08:46:02+01:00,-3276.8"};
        QTest::newRow("midnight") << "230105_2300.TXT" << QByteArrayList{"23:59:59\t1", "00:00:01\t----"}
                                  << QByteArrayList{"2023-01-05T23:59:59+01:00,1", "2023-01-06T00:00:01+01:00,"};
        QTest::newRow("several midnights")
            << "230630_1200.TXT"
            << QByteArrayList{"12:00:00\t1", "00:00:00\t2", "23:00:00\t3", "01:00:00\t4", "00:30:00\t5"}
            << QByteArrayList{"2023-06-30T12:00:00+02:00,1", "2023-07-01T00:00:00+02:00,2", "2023-07-01T23:00:00+02:00,3",
                              "2023-07-02T01:00:00+02:00,4", "2023-07-03T00:30:00+02:00,5"};
        QTest::newRow("decimal places kept") << "230105_0846.TXT"
                                             << QByteArrayList{"08:46:01\t73.0", "08:46:02\t1.050", "08:46:03\t100,0"}
                                             << QByteArrayList{"2023-01-05T08:46:01+01:00,73.0", "2023-01-05T08:46:02+01:00,1.050",
                                                               "2023-01-05T08:46:03+01:00,100.0"};
        QTest::newRow("later run of the minute") << "230105_0846_3.TXT" << QByteArrayList{"08:46:10\t7"}
                                                 << QByteArrayList{"2023-01-05T08:46:10+01:00,7"};
        QTest::newRow("begun at 23:59") << "231231_2359.TXT" << QByteArrayList{"00:00:30\t1", "00:00:31\t2"}
                                        << QByteArrayList{"2024-01-01T00:00:30+01:00,1", "2024-01-01T00:00:31+01:00,2"};
        QTest::newRow("AM and PM") << "230105_2359.TXT"
                                   << QByteArrayList{"11:59:40 PM\t1", "12:00:30 AM\t2", "12:30:00 PM\t3"}
                                   << QByteArrayList{"2023-01-05T23:59:40+01:00,1", "2023-01-06T00:00:30+01:00,2",
                                                     "2023-01-06T12:30:00+01:00,3"};
        QTest::newRow("summer time ends") << "231029_0230.TXT"
                                          << QByteArrayList{"02:59:59\t1", "02:00:00\t2", "02:30:00\t3", "03:00:00\t4"}
                                          << QByteArrayList{"2023-10-29T02:59:59+02:00,1", "2023-10-29T02:00:00+01:00,2",
                                                            "2023-10-29T02:30:00+01:00,3", "2023-10-29T03:00:00+01:00,4"};
    }
    void recordDatesAndTheirExport()
    {
        QFETCH(QString, name);
        QFETCH(QByteArrayList, records);
        QFETCH(QByteArrayList, rows);
        QByteArrayList lines;
        for (const QByteArray &fields : records)
            lines.append(record(fields));
        QVERIFY(writeLog(path(name), lines));
        LogChart chart;
        QString error;
        QVERIFY2(chart.open({path(name)}, &error), qPrintable(error));
        QCOMPARE(chart.skippedLines(), qint64(0));
        QVERIFY(exportCsv(chart, chart.firstTime(), chart.lastTime() + 1, everySeries(chart), path(QStringLiteral("out.csv")),
                          &error));

        QByteArrayList exported = readLines(path(QStringLiteral("out.csv")));
        // A name that a spreadsheet would run as a formula is written as text.
        QVERIFY(exported.first().startsWith("time,\"a,b\",\"say \"\"hi\"\"\",'=1+2,'@x,,"));
        QCOMPARE(exported.size(), rows.size() + 2); // the header, the rows, nothing after the last CR LF
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(exported[i + 1].left(rows[i].size() + 1), rows[i] + ',');
    }

    // A "----" or empty field is a gap; a line that is no record is left out
    // and counted; a file whose name is no log file's (skipped -1) is refused.
    void gapsAndSkippedLines_data()
    {
        QTest::addColumn<QByteArray>("line"); // between two good records
        QTest::addColumn<int>("skipped");
        QTest::addColumn<float>("channel0");
        QTest::addColumn<float>("channel1");
        QTest::newRow("values") << record("08:00:05\t-0,25\t+12.5") << 0 << -0.25f << 12.5f;
        QTest::newRow("gaps") << record("08:00:05\t----\t") << 0 << NAN << NAN;
        QTest::newRow("too few fields") << QByteArray("08:00:05\t1\t2") << 1 << 0.f << 0.f;
        QTest::newRow("too many fields") << record("08:00:05\t1\t2") + "\t3" << 1 << 0.f << 0.f;
        QTest::newRow("hour 24") << record("24:00:05\t1\t2") << 1 << 0.f << 0.f;
        QTest::newRow("unknown day period") << record("8:00:05 XM\t1\t2") << 1 << 0.f << 0.f;
        QTest::newRow("two separators") << record("08:00:05\t1.2.3\t2") << 1 << 0.f << 0.f;
        QTest::newRow("letters") << record("08:00:05\t1\t12a") << 1 << 0.f << 0.f;
        QTest::newRow("beyond a float") << record("08:00:05\t1\t" + QByteArray(40, '9')) << 1 << 0.f << 0.f;
        QTest::newRow("empty line") << QByteArray() << 1 << 0.f << 0.f;
        QTest::newRow("name without time") << QByteArray() << -1 << 0.f << 0.f;
    }
    void gapsAndSkippedLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, skipped);
        QFETCH(float, channel0);
        QFETCH(float, channel1);
        const QString name = skipped < 0 ? QStringLiteral("230105.TXT") : QStringLiteral("230105_0800.TXT");
        QVERIFY(writeLog(path(name), {record("08:00:00\t0\t0"), line, record("08:00:10\t9\t9")}));
        LogChart chart;
        QString error;
        QCOMPARE(chart.open({path(name)}, &error), skipped >= 0);
        if (skipped < 0) {
            QVERIFY(error.contains(name));
            QCOMPARE(chart.sampleCount(), qint64(0));
            // A renamed log opens with the date the operator gives.
            chart.setGivenDates({{path(name), QDate(2023, 1, 5)}});
            QVERIFY2(chart.open({path(name)}, &error), qPrintable(error));
            QCOMPARE(chart.firstTime(), QDateTime(QDate(2023, 1, 5), QTime(8, 0)).toMSecsSinceEpoch());
            return;
        }
        QCOMPARE(chart.skippedLines(), qint64(skipped));
        QCOMPARE(chart.sampleCount(), qint64(3 - skipped));
        const Millis at = chart.firstTime() + 5000;
        QCOMPARE(chart.valueAt(0, at), channel0);
        QCOMPARE(chart.valueAt(1, at), channel1);
    }

    // Nothing a file holds ends the program or fills memory; a file with no
    // record is refused with its reason, records around the rest are kept.
    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size"); // the rest a hole (reads as NULs)
        QTest::addColumn<qint64>("samples");
        QTest::addColumn<QString>("reason"); // with no sample
        const QString noRecord = QStringLiteral("not one of its lines is a log record");
        QTest::newRow("blank lines, then 3 GiB of hole") << QByteArray(4 << 20, '\n') << (qint64(3) << 30) << 0ll << noRecord;
        QTest::newRow("one line of 9 MiB") << QByteArray(9 << 20, 'x') << 0ll << 0ll << noRecord;
        const QByteArray nul(1, '\0');
        QTest::newRow("NULs in records") << Header + "\r\n" + record("08:00:00\t1") + "\r\n"
                + record("08:00:01\t" + nul + "5") + "\r\n" + nul + nul + "\n" + record("08:00:02\t2") + "\r\n"
                                         << 0ll << 2ll << QString();
        QTest::newRow("records around a long line")
            << record("08:00:00\t1") + '\n' + QByteArray(5 << 20, '7') + '\n' + record("08:00:02\t2") + '\n' << 0ll << 2ll
            << QString();
        QTest::newRow("last line cut short") << record("08:00:00\t1") + "\r\n" + record("08:00:02\t1234").left(10) << 0ll
                                             << 1ll << QString();
        QTest::newRow("header only") << Header + "\r\n" << 0ll << 0ll << QStringLiteral("it holds no record");
        QTest::newRow("CR-only line ends") << Header + '\r' + record("08:00:00\t1") + '\r' << 0ll << 0ll
                                           << QStringLiteral("CR alone");
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QFETCH(qint64, samples);
        QFETCH(QString, reason);
        QFile file(path(QStringLiteral("261204_0000.TXT")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(head) == head.size());
        QVERIFY(size == 0 || file.resize(size));
        file.close();
        LogChart chart;
        QString error;
        QCOMPARE(chart.open({file.fileName()}, &error), samples > 0);
        QCOMPARE(chart.sampleCount(), samples);
        QVERIFY2(samples > 0 || error.contains(reason), qPrintable(error));
        QVERIFY2(chart.memoryBytes() < 1u << 20, qPrintable(QString::number(chart.memoryBytes())));
        QVERIFY(file.remove());
    }

    // Logs written under one locale read back under another: the time of day
    // and the decimal point as the writing locale has them, through the
    // writer's own formats.
    void logsOfEveryLocale_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("reader");
        QTest::newRow("Arabic digits, read in German") << "ar_EG" << "de_DE";
        QTest::newRow("Korean, read in Arabic") << "ko_KR" << "ar_EG";
        QTest::newRow("German, read in Korean") << "de_DE" << "ko_KR";
        QTest::newRow("Japanese, read in US English") << "ja_JP" << "en_US";
        QTest::newRow("US English, read in Persian") << "en_US" << "fa_IR";
    }
    void logsOfEveryLocale()
    {
        QFETCH(QString, writer);
        QFETCH(QString, reader);
        const QDateTime start(QDate(2023, 1, 5), QTime(11, 59, 59));
        const int offsets[] = {0, 1, 4 * 3600 + 9 * 60 + 4, 12 * 3600, 12 * 3600 + 2}; // to 00:00:01 of the next day
        DecimalPlaceTable places{};
        places[1] = 3;
        QLocale::setDefault(QLocale(writer));
        QByteArrayList lines;
        for (const int offset : offsets) {
            const QLocale locale;
            const QString time = locale.toString(start.addSecs(offset).time(), logfile::timeOfDayFormat(locale));
            lines.append(logfile::encode(time + u'\t' + FormatPv(qint16(1050 + offset % 7), 1, places)) + "\t7");
            lines.last() += QByteArray(ChannelCount - 2, '\t');
        }
        QLocale::setDefault(QLocale(reader));
        LogChart chart;
        QString error;
        const bool opened = writeLog(path(QStringLiteral("230105_1159.TXT")), lines)
            && chart.open({path(QStringLiteral("230105_1159.TXT"))}, &error);
        QLocale::setDefault(QLocale::c());
        QVERIFY2(opened, qPrintable(error + lines.join('|')));
        QCOMPARE(chart.skippedLines(), 0);
        QCOMPARE(chart.sampleCount(), qint64(std::size(offsets)));
        for (const int offset : offsets) {
            const Millis t = start.addSecs(offset).toMSecsSinceEpoch();
            QCOMPARE(chart.valueAt(0, t), float(1050 + offset % 7) / 1000);
            QCOMPARE(chart.decimals(0, t), 3);
            QCOMPARE(chart.valueAt(1, t), 7.f);
        }
    }

    // Where the monitor did not run for more than three of the file's
    // intervals the line breaks; a late record or two does not break it.
    void pausesBreakTheLine()
    {
        QByteArrayList lines;
        for (const int second : {0, 2, 4, 6, 8, 10, 12, 19, 25})
            lines.append(record(QTime(8, 0).addSecs(second).toString("HH:mm:ss").toLatin1() + "\t1"));
        QVERIFY(writeLog(path(QStringLiteral("230105_0800.TXT")), lines));
        LogChart chart;
        QVERIFY(chart.open({path(QStringLiteral("230105_0800.TXT"))}));
        const std::vector<Span> spans = chart.envelope(0, chart.firstTime(), chart.firstTime() + 26'000, 26);
        QVERIFY(spans[12].joinsPrevious);
        QVERIFY(!spans[19].joinsPrevious); // 7 s after a record: more than 3 x 2 s
        QVERIFY(spans[25].joinsPrevious);  // 6 s
    }

    // Reading can be followed and stopped between two blocks (the window's
    // Cancel in tst_window): a stopped read leaves the chart empty. A path
    // opens as the file system has it.
    void progressAndCancel()
    {
        QByteArrayList lines;
        for (int i = 0; i < 40'000; ++i)
            lines.append(record(QTime(0, 0).addSecs(i).toString("HH:mm:ss").toLatin1() + "\t1\t2\t3"));
        QVERIFY(writeLog(path(QStringLiteral("230105_0000.TXT")), lines));
        QVERIFY(writeLog(path(QStringLiteral("230106_0000.TXT")), lines));
        const QStringList both{path(QStringLiteral("230105_0000.TXT")), path(QStringLiteral("230106_0000.TXT"))};
        QList<qint64> told;
        qint64 total = 0;
        LogChart chart;
        QVERIFY(chart.open(both, nullptr, [&](qint64 done, qint64 all) {
            told.append(done);
            total = all;
            return true;
        }));
        QCOMPARE(chart.sampleCount(), 80'000);
        QVERIFY(told.size() >= 2 && std::is_sorted(told.begin(), told.end()));
        QCOMPARE(told.last(), total);
        QCOMPARE(total, QFileInfo(both[0]).size() * 2);

        QString error;
        QVERIFY(!chart.open(both, &error, [](qint64 done, qint64 all) { return done < all / 2; }));
        QVERIFY(chart.cancelled());
        QVERIFY(chart.sampleCount() == 0 && chart.files().isEmpty());

        // From a folder whose name is not UTF-8, as the file system has it.
        const QByteArray folder = QFile::encodeName(path(QString())) + "/Messwerte-\xE4\xF6";
        QVERIFY(::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST);
        const QByteArray log = folder + "/230105_0000.TXT";
        QVERIFY(::link(QFile::encodeName(both[0]).constData(), log.constData()) == 0);
        QVERIFY2(chart.open({decodePath(log)}, &error), qPrintable(error));
        QCOMPARE(chart.sampleCount(), 40'000);
        QCOMPARE(encodePath(chart.files().first()), log);
    }

    // However the columns fall, the envelope keeps each column's extremes and
    // breaks the line at every gap and between two files, log and live alike.
    void envelopeKeepsEveryExtreme_data()
    {
        QTest::addColumn<bool>("live");
        QTest::addColumn<int>("series");
        QTest::addColumn<qint64>("from"); // seconds after the first record
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("columns");
        const qint64 all = 40'000;
        QTest::newRow("all, 1920 columns") << false << 0 << 0ll << all << 1920;
        QTest::newRow("all, sparse values") << false << 1 << 0ll << all << 1920;
        QTest::newRow("one column") << false << 0 << 0ll << all << 1;
        QTest::newRow("uneven columns") << false << 1 << 17ll << 36'001ll << 7;
        QTest::newRow("more columns than samples") << false << 0 << 19'990ll << 20'030ll << 333;
        QTest::newRow("across the files' break") << false << 1 << 19'000ll << 21'000ll << 100;
        QTest::newRow("live, last hour") << true << 1 << all - 3600 << all << 1920;
        // Columns of whole intervals, so that the intervals fall as their cycles would.
        QTest::newRow("live, older hours") << true << 1 << 0ll << 36'000ll << 360;
        QTest::newRow("live, all in one column") << true << 0 << -10ll << all << 1;
    }
    void envelopeKeepsEveryExtreme()
    {
        QFETCH(bool, live);
        QFETCH(int, series);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, columns);
        if (!chart_)
            openSpikyLogs();
        QVERIFY(chart_ && chart_->sampleCount() == 39'000);
        const Millis start = chart_->firstTime();
        const TrendSource &source = live ? static_cast<const TrendSource &>(*history_) : *chart_;
        const Millis a = start + from * 1000;
        const Millis b = start + to * 1000;
        const Millis breakAt = live ? b : start + 20'000'000;
        const std::vector<Span> expected = referenceEnvelope(*chart_, series, a, b, columns, breakAt);
        const std::vector<Span> spans = source.envelope(series, a, b, columns);
        QCOMPARE(spans.size(), expected.size());
        for (std::size_t c = 0; c < spans.size(); ++c) {
            const QString where = QStringLiteral("column %1").arg(c);
            QVERIFY2(spans[c].hasValue() == expected[c].hasValue(), qPrintable(where));
            if (expected[c].hasValue())
                QVERIFY2(spans[c].low == expected[c].low && spans[c].high == expected[c].high
                             && spans[c].joinsPrevious == expected[c].joinsPrevious,
                         qPrintable(where));
        }
    }

    // Seven days at a cycle a second stay within 64 MiB; older ones go.
    void liveHistoryIsBounded()
    {
        LiveHistory history([](int) { return QString(); });
        const Millis start = 1'700'000'000'000;
        const int seconds = 7 * 86'400;
        LiveHistory::Values values;
        LiveHistory::StatusWords words;
        for (int i = 0; i < seconds; ++i) {
            values.fill(i % 97 == 0 ? NAN : float(i % 1000));
            words.fill(quint16(i / 5 % 2)); // lamp 1 turns every 5 s
            history.append(start + i * Millis(1000), values, words);
        }
        QVERIFY2(history.memoryBytes() <= 64u << 20, qPrintable(QString::number(history.memoryBytes())));
        const Millis end = start + seconds * Millis(1000);
        // Every turn of the last hour; at most one each way an interval before.
        QCOMPARE(history.alarmMarks(30, end - LiveHistory::FineSpan, end).size(), std::size_t(720));
        const std::size_t intervals = (seconds - 3600) / 10;
        const std::size_t older = history.alarmMarks(30, start, end - LiveHistory::FineSpan).size();
        QVERIFY2(older > intervals && older <= 2 * intervals, qPrintable(QString::number(older)));

        history.append(end + 86'400'000, values, words); // a day later
        QVERIFY(history.firstTime() >= end + 86'400'000 - LiveHistory::KeptSpan);
        QVERIFY(std::isnan(history.valueAt(0, start + 86'400'000 - 20'000)));
        QVERIFY(!std::isnan(history.valueAt(0, start + 86'400'000 + 20'000)));
        QVERIFY(history.memoryBytes() <= 64u << 20);
    }

    // A cycle that ends more than three median cycles after the last breaks
    // the live curves from the time it was overdue; a slow one within that does not.
    void liveGapAfterMissedCycles_data()
    {
        QTest::addColumn<qint64>("late"); // ms after the last of cycles 1 s apart
        QTest::addColumn<bool>("gap");
        QTest::newRow("2.9 s: a slow cycle") << 2900ll << false;
        QTest::newRow("3.1 s: a gap") << 3100ll << true;
    }
    void liveGapAfterMissedCycles()
    {
        QFETCH(qint64, late);
        QFETCH(bool, gap);
        LiveHistory history([](int) { return QString(); });
        LiveHistory::Values values;
        values.fill(5);
        const Millis start = 1'700'000'000'000, last = start + 20'000;
        for (int i = 0; i <= 20; ++i) // a little jitter: cycles of 1010, 990 and 1000 ms
            history.append(start + i * 1000 + (i % 3 == 1 ? 10 : 0), values, {});
        history.append(last + late, values, {});
        QCOMPARE(history.typicalCycle(), Millis(1000));
        QCOMPARE(std::isnan(history.valueAt(0, last + 3011)), gap);
        const std::vector<Span> spans = history.envelope(0, last, last + 4000, 40); // 100 ms columns
        QVERIFY(spans[std::size_t(late / 100)].hasValue());
        QCOMPARE(spans[std::size_t(late / 100)].joinsPrevious, !gap);
    }

    // An export that cannot be written says so with the reason, and an
    // earlier file in its place stays as it was.
    void failedExport_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("device full") << "/dev/full";
        QTest::newRow("a directory in the way") << "folder.csv";
        QTest::newRow("disk full over an earlier export") << "earlier.csv";
    }
    void failedExport()
    {
        QFETCH(QString, target);
        QByteArrayList records;
        for (int i = 0; i < 100; ++i) // a small chart: its CSV fits in a write buffer
            records.append(record(QTime(8, 0).addSecs(i).toString("HH:mm:ss").toLatin1() + "\t1.5\t-2"));
        QVERIFY(writeLog(path(QStringLiteral("230105_0800.TXT")), records));
        LogChart chart;
        QVERIFY(chart.open({path(QStringLiteral("230105_0800.TXT"))}));
        QTemporaryDir out;
        const QString file = target.startsWith(u'/') ? target : out.filePath(target);
        const QByteArray earlier(4000, 'e');
        QVERIFY(target != "folder.csv" || QDir().mkpath(file));
        QVERIFY(target != "earlier.csv" || writeLog(file, {earlier}));
        const bool regular = !target.startsWith(u'/'); // /dev/full reads as endless zeros
        const QByteArray before = regular ? readLines(file).join('\n') : QByteArray();
        QString error;
        {
            const FileSizeLimit full(2048); // the export needs some 6 KB
            QVERIFY(full.isSet());
            QVERIFY(!exportCsv(chart, chart.firstTime(), chart.lastTime() + 1, everySeries(chart), file, &error));
        }
        QVERIFY2(error.contains(file) && error.size() > file.size() + 8, qPrintable(error));
        if (regular) {
            QCOMPARE(readLines(file).join('\n'), before);
            const QFileInfo info(file); // and no half-written file left beside it
            QCOMPARE(info.dir().entryList({info.fileName() + u'*'}, QDir::Files).size(), target == "earlier.csv" ? 1 : 0);
        }
    }

    // A log file's alarm marks come from its day's event journal beside it,
    // at most one of each lamp and direction within the spacing.
    void logMarksFromTheJournal()
    {
        QByteArrayList records;
        for (int i = 0; i < 20; ++i)
            records.append(record(QTime(9, 0).addSecs(i).toString("HH:mm:ss").toLatin1() + "\t1\t2"));
        QVERIFY(writeLog(path(QStringLiteral("230107_0900.TXT")), records));
        FakeClock clock;
        clock.current = QDateTime(QDate(2023, 1, 7), QTime(9, 0, 5));
        SharedState state;
        ScriptedPrompter prompter;
        EventJournal journal(state, clock, prompter, dir_.path());
        for (quint16 lamps : {1, 0, 1}) {
            journal.lampsShown(1, lamps);
            clock.advance(1);
        }
        LogChart chart;
        QVERIFY(chart.open({path(QStringLiteral("230107_0900.TXT"))}));
        const JournalMarks marked(chart);
        QCOMPARE(marked.seriesName(1), chart.seriesName(1));
        const Millis at = QDateTime(QDate(2023, 1, 7), QTime(9, 0, 5)).toMSecsSinceEpoch();
        auto times = [&](Millis spacing) {
            QList<Millis> result;
            for (const AlarmMark &mark : marked.alarmMarks(1, chart.firstTime(), chart.lastTime() + 1, spacing))
                result << (mark.time - at) * (mark.on ? 1 : -1) / 1000;
            return result;
        };
        QCOMPARE(times(0), (QList<Millis>{0, -1, 2}));
        QCOMPARE(times(5000), (QList<Millis>{0, -1}));
        QVERIFY(marked.alarmMarks(0, chart.firstTime(), chart.lastTime() + 1).empty());
    }
};

QTEST_GUILESS_MAIN(tst_trend)
#include "tst_trend.moc"
