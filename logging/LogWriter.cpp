#include "logging/LogWriter.h"

#include "config/PanelView.h"
#include "config/Prompter.h"
#include "config/RegularFile.h"
#include "config/SharedState.h"
#include "logging/Clock.h"
#include "logging/TimeOfDayFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>
#include <utility>

namespace {

const QString LogDirectory = QStringLiteral("log");
const QString WriteFailedText = QStringLiteral("Cannot write in the file. Check if the file is open.");
const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QString UnmeasuredText = QStringLiteral("----");

// True when an entry of that name exists, a dangling link included.
bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

namespace logfile {

QString cleanField(const QString &text)
{
    QString clean = text;
    for (QChar &c : clean) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return clean;
}

QByteArray encode(const QString &text) { return text.toLocal8Bit(); }

} // namespace logfile

LogWriter::LogWriter(SharedState &state, PanelView &panels, Prompter &prompter, const Clock &clock,
                     std::function<void(const QString &)> showStatus, QObject *parent)
    : QObject(parent), state_(state), panels_(panels), prompter_(prompter), clock_(clock),
      showStatus_(std::move(showStatus)), schedule_(state)
{
    LoggingTimer.setObjectName(QStringLiteral("LoggingTimer"));
    LoggingTimer.setInterval(200);
    connect(&LoggingTimer, &QTimer::timeout, this, &LogWriter::LoggingTimer_Timer);
}

void LogWriter::startLogging()
{
    if (state_.LoggingActive)
        return;
    schedule_.restart(clock_.now(), clock_.elapsedMs(), state_.acceptedLogInterval);
    state_.LoggingActive = true;
    LoggingTimer.start();
    loggingBegin();
}

void LogWriter::loggingBegin()
{
    QString failure;
    if (!QFileInfo(LogDirectory).isDir()) {
        if (entryExists(LogDirectory)) {
            failure = QStringLiteral("Cannot create the log directory %1:\nanother file of that name is in the way.")
                          .arg(QDir::current().absoluteFilePath(LogDirectory));
        } else {
            std::error_code error;
            std::filesystem::create_directory(LogDirectory.toStdString(), error);
            if (error)
                failure = QStringLiteral("Cannot create the log directory %1:\n%2.")
                              .arg(QDir::current().absoluteFilePath(LogDirectory),
                                   QString::fromLocal8Bit(error.message()));
        }
    }

    LogFileName = NewLogFileName();
    if (showStatus_)
        showStatus_(LogFileName);

    if (failure.isEmpty()) {
        // NewOnly: an existing file is never emptied.
        QFile file(LogFileName);
        const QByteArray header = headerLine();
        bool written = file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(header) == header.size()
            && file.flush();
        const QString reason = file.errorString();
        file.close();
        written = written && file.error() == QFileDevice::NoError;
        if (!written)
            failure = QStringLiteral("Cannot create the log file %1:\n%2.")
                          .arg(QDir::current().absoluteFilePath(LogFileName), reason);
    }
    // Logging goes on: every later record tries again and reports its own
    // failure.
    if (!failure.isEmpty())
        prompter_.message(failure, QString(), Prompter::Icon::Warning);
}

void LogWriter::LoggingTimer_Timer()
{
    const QDateTime now = clock_.now();
    if (!schedule_.tick(now, clock_.elapsedMs()) || appendLine(recordLine(now)))
        return;
    // The box is modal but the tick keeps running under it; a record failing
    // while one is open is not stacked on top of it but counted, and the
    // count is told once that box has closed.
    if (reporting_)
        ++untoldFailures_;
    else
        ++heldFailures_;
    tellFailures();
}

void LogWriter::serveOverdueTick()
{
    if (!LoggingTimer.isActive() || LoggingTimer.remainingTime() > 0)
        return;
    LoggingTimer.start(); // the next tick a whole interval from now, not at once again
    LoggingTimer_Timer();
}

void LogWriter::holdMessages(bool hold)
{
    holding_ = hold;
    tellFailures();
}

void LogWriter::tellFailures()
{
    while (!holding_ && !reporting_ && (heldFailures_ > 0 || untoldFailures_ > 0)) {
        QString text = WriteFailedText;
        if (heldFailures_ > 0) {
            --heldFailures_;
        } else {
            const int count = std::exchange(untoldFailures_, 0);
            text = (count == 1 ? QStringLiteral("%1 further record could not be written in the file %2.")
                               : QStringLiteral("%1 further records could not be written in the file %2."))
                       .arg(QString::number(count), QDir::current().absoluteFilePath(LogFileName));
        }
        reporting_ = true;
        prompter_.message(text);
        reporting_ = false;
    }
}

QString LogWriter::NewLogFileName() const
{
    const QString stem = LogDirectory + u'/' + clock_.now().toString(QStringLiteral("yyMMdd_HHmm"));
    QString name = stem + QStringLiteral(".TXT");
    for (int n = 2; entryExists(name); ++n)
        name = stem + QStringLiteral("_%1.TXT").arg(n);
    return name;
}

QByteArray LogWriter::headerLine() const
{
    QString line = QStringLiteral("Time");
    for (int i = 0; i < ChannelCount; ++i)
        line += u'\t' + logfile::cleanField(state_.channels.name(i));
    return logfile::encode(line) + LineEnd;
}

QByteArray LogWriter::recordLine(const QDateTime &now) const
{
    const QLocale locale; // the system's locale unless a default was set
    QString line = logfile::cleanField(locale.toString(now.time(), logfile::timeOfDayFormat(locale)));
    for (int i = 0; i < ChannelCount; ++i) {
        line += u'\t';
        if (stateLogsEmpty(state_.channels.state(i)))
            continue;
        // While a step's box holds the loop the panels keep their last
        // values, but nobody is measuring them.
        line += state_.loopHeldByBox ? UnmeasuredText : logfile::cleanField(panels_.pvText(i));
    }
    return logfile::encode(line) + LineEnd;
}

bool LogWriter::appendLine(const QByteArray &line)
{
    // A missing file (deleted while logging runs) is created again, without
    // a header.
    QString reason;
    return appender_.append(LogFileName, line, QByteArray(), reason);
}
