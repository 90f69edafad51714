// The log file writer: file name and header, record format, and how failures
// to create or write the file are reported.
#include "logging/LogWriter.h"

#include "comm/PanelView.h"
#include "config/SharedState.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompter.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <array>

namespace {

class FakePanels : public PanelView {
public:
    std::array<QString, ChannelCount> pv;
    void setPvText(int channel, const QString &text) override { pv[std::size_t(channel)] = text; }
    QString pvText(int channel) const override { return pv[std::size_t(channel)]; }
    void setLamps(int, quint16) override {}
};

const QString WriteFailed = QStringLiteral("Cannot write in the file. Check if the file is open.");
const QString FirstName = QStringLiteral("log/061205_0846.TXT");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_logwriter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init();
    void cleanup();
    void fileFormat();
    void secondRunInTheSameMinuteKeepsEarlierFile_data();
    void secondRunInTheSameMinuteKeepsEarlierFile();
    void breaksInTextsBecomeBlanks_data();
    void breaksInTextsBecomeBlanks();
    void failedRecordIsReportedAndLaterOnesGoOn_data();
    void failedRecordIsReportedAndLaterOnesGoOn();
    void directoryThatCannotBeMadeIsReportedOnce_data();
    void directoryThatCannotBeMadeIsReportedOnce();

private:
    // Moves the clock by the interval and lets one tick run.
    void nextRecord(double seconds = 1);

    std::unique_ptr<QTemporaryDir> dir_;
    SharedState state_;
    FakePanels panels_;
    ScriptedPrompter prompter_;
    FakeClock clock_;
    QStringList status_;
    std::unique_ptr<LogWriter> writer_;
};

void tst_logwriter::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(dir_->path()));
    state_ = SharedState();
    state_.acceptedLogInterval = 1;
    for (int i = 0; i < ChannelCount; ++i) {
        state_.channels(i, NameItem).Value = QStringLiteral("CH %1").arg(i);
        state_.channels(i, StateItem).Value = QStringLiteral("ON");
        panels_.pv[std::size_t(i)] = QString::number(i * 1.5);
    }
    prompter_.clear();
    prompter_.onShow = nullptr;
    clock_.current = QDateTime(QDate(2006, 12, 5), QTime(8, 46, 0));
    status_.clear();
    writer_ = std::make_unique<LogWriter>(state_, panels_, prompter_, clock_,
                                          [this](const QString &text) { status_ << text; });
}

void tst_logwriter::cleanup()
{
    writer_.reset();
    QDir::setCurrent(QDir::tempPath());
    dir_.reset();
}

void tst_logwriter::nextRecord(double seconds)
{
    clock_.advance(seconds);
    writer_->LoggingTimer_Timer();
}

void tst_logwriter::fileFormat()
{
    state_.channels(0, NameItem).Value = QStringLiteral("Kühlwasser");
    state_.channels(3, StateItem).Value = QStringLiteral("OFF");
    state_.channels(4, StateItem).Value = QStringLiteral("off");
    state_.channels(5, StateItem).Value = QStringLiteral("      OFF");
    state_.channels(6, StateItem).Value = QStringLiteral("ON");
    panels_.pv[0] = QStringLiteral("123.4");
    panels_.pv[30] = QStringLiteral("-1999");

    QVERIFY(!writer_->loggingTimer().isActive());
    writer_->startLogging();
    writer_->startLogging(); // once per run: no second file
    QVERIFY(writer_->loggingTimer().isActive());
    QCOMPARE(writer_->loggingTimer().interval(), 200);
    QCOMPARE(status_, QStringList{FirstName});
    QCOMPARE(QDir(QStringLiteral("log")).entryList(QDir::Files), QStringList{"061205_0846.TXT"});

    nextRecord(0.6);  // not due yet
    nextRecord(0.4);  // 08:46:01
    nextRecord(4);    // 08:46:05, one record although four are due
    QVERIFY(prompter_.shown.isEmpty());

    const QByteArray bytes = readAll(FirstName);
    QVERIFY(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.size(), 3);
    for (const QByteArray &line : lines) {
        QVERIFY(line.endsWith('\r') && line.count('\r') == 1);
        QCOMPARE(line.count('\t'), 31);
    }
    QString header = QStringLiteral("Time");
    for (int i = 0; i < ChannelCount; ++i)
        header += u'\t' + state_.channels.name(i);
    QCOMPARE(QString::fromLocal8Bit(lines[0].chopped(1)), header);
    // Time, channels 0..6 (3..5 switched off), ..., channel 30.
    QCOMPARE(lines[2].chopped(1).split('\t').mid(0, 8),
             (QList<QByteArray>{"08:46:05", "123.4", "1.5", "3", "", "", "", "9"}));
    QVERIFY(lines[2].endsWith("\t-1999\r"));
    QCOMPARE(logfile::timeOfDayFormat(QLocale(QLocale::English, QLocale::UnitedStates)), "h:mm:ss AP");

    // An ordinary tab-separated reader sees 32 columns on every row.
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv,sys\n"
                                 "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8'),delimiter='\\t'))\n"
                                 "print(len(rows),sorted({len(r) for r in rows}))"),
                  FirstName});
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.readAllStandardOutput().trimmed(), QByteArray("3 [32]"));
}

void tst_logwriter::secondRunInTheSameMinuteKeepsEarlierFile_data()
{
    QTest::addColumn<QStringList>("earlier");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one earlier run") << QStringList{"061205_0846.TXT"} << "log/061205_0846_2.TXT";
    QTest::newRow("two earlier runs") << QStringList{"061205_0846.TXT", "061205_0846_2.TXT"}
                                      << "log/061205_0846_3.TXT";
    QTest::newRow("earlier minute only") << QStringList{"061205_0845.TXT"} << "log/061205_0846.TXT";
}

void tst_logwriter::secondRunInTheSameMinuteKeepsEarlierFile()
{
    QFETCH(QStringList, earlier);
    QFETCH(QString, expected);
    QVERIFY(QDir().mkdir(QStringLiteral("log")));
    for (const QString &name : earlier)
        QVERIFY(writeFile(QStringLiteral("log/") + name, "earlier run\r\n"));

    writer_->startLogging();
    QCOMPARE(writer_->logFileName(), expected);
    QVERIFY(readAll(expected).startsWith("Time\t"));
    for (const QString &name : earlier)
        QCOMPARE(readAll(QStringLiteral("log/") + name), QByteArray("earlier run\r\n"));
    QStringList names = QDir(QStringLiteral("log")).entryList(QDir::Files, QDir::Name);
    QCOMPARE(QStringLiteral("log/") + names.last(), expected);
    QVERIFY(prompter_.shown.isEmpty());
}

void tst_logwriter::breaksInTextsBecomeBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("tab") << "a\tb" << QByteArray("a b");
    QTest::newRow("carriage return") << "a\rb" << QByteArray("a b");
    QTest::newRow("line feed") << "a\nb" << QByteArray("a b");
    QTest::newRow("all three at the ends") << "\r\nx\t" << QByteArray("  x ");
}

void tst_logwriter::breaksInTextsBecomeBlanks()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    state_.channels(2, NameItem).Value = text;
    panels_.pv[2] = text;
    writer_->startLogging();
    nextRecord();

    const QList<QByteArray> lines = readAll(FirstName).split('\n');
    QCOMPARE(lines.size(), 3); // two lines and the empty rest after the last LF
    for (int n = 0; n < 2; ++n) {
        QCOMPARE(lines[n].count('\t'), 31);
        QCOMPARE(lines[n].split('\t')[3], field);
    }
}

void tst_logwriter::failedRecordIsReportedAndLaterOnesGoOn_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("directory in the file's place") << false;
    QTest::newRow("disk full") << true;
}

void tst_logwriter::failedRecordIsReportedAndLaterOnesGoOn()
{
    QFETCH(bool, diskFull);
    writer_->startLogging();
    QVERIFY(QFile::remove(FirstName));
    QVERIFY(diskFull ? QFile::link(QStringLiteral("/dev/full"), FirstName) : QDir().mkdir(FirstName));

    // The timer keeps ticking under the modal box; a record failing then
    // does not stack a second box on the first.
    int shown = 0;
    prompter_.onShow = [&](const ScriptedPrompter::Shown &) {
        if (shown++ == 0)
            nextRecord();
    };
    nextRecord();    // 08:46:01, and 08:46:02 while its box is open
    nextRecord(0.2); // not due: the point advanced although the writes failed
    nextRecord(0.8); // 08:46:03
    QCOMPARE(prompter_.texts(), (QStringList{WriteFailed, WriteFailed}));
    QCOMPARE(prompter_.shown[0].title, QString());
    QVERIFY(state_.LoggingActive);

    // Once the way is free the next due record makes a new file, no header.
    QVERIFY(diskFull ? QFile::remove(FirstName) : QDir().rmdir(FirstName));
    nextRecord();
    QCOMPARE(prompter_.shown.size(), 2);
    const QByteArray bytes = readAll(FirstName);
    QVERIFY(bytes.startsWith("08:46:04\t"));
    QCOMPARE(bytes.count("\r\n"), 1);
}

void tst_logwriter::directoryThatCannotBeMadeIsReportedOnce_data()
{
    QTest::addColumn<bool>("danglingLink");
    QTest::newRow("plain file named log") << false;
    QTest::newRow("link named log to nowhere") << true;
}

void tst_logwriter::directoryThatCannotBeMadeIsReportedOnce()
{
    QFETCH(bool, danglingLink);
    QVERIFY(danglingLink ? QFile::link(QStringLiteral("nowhere"), QStringLiteral("log"))
                         : writeFile(QStringLiteral("log"), "not a directory"));

    writer_->startLogging();
    QCOMPARE(prompter_.shown.size(), 1);
    QVERIFY(prompter_.shown[0].text.contains(QDir::current().absoluteFilePath(QStringLiteral("log"))));
    QVERIFY(prompter_.shown[0].text.contains(QStringLiteral("in the way")));
    QCOMPARE(status_, QStringList{FirstName});
    QVERIFY(state_.LoggingActive);

    nextRecord();
    nextRecord();
    QCOMPARE(prompter_.texts().mid(1), (QStringList{WriteFailed, WriteFailed}));
}

QTEST_GUILESS_MAIN(tst_logwriter)
#include "tst_logwriter.moc"
