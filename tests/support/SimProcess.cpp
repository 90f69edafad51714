#include "support/SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>

#include <algorithm>

namespace {
constexpr int AnswerTimeoutMs = 10000;
constexpr int QuitTimeoutMs = 5000;
} // namespace

SimProcess::SimProcess(const QStringList &args)
    : args_(args)
{
    args_ << QStringLiteral("--link") << link() << QStringLiteral("--record") << dir_.filePath(QStringLiteral("record"));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel); // its complaints show in the test log
}

SimProcess::~SimProcess()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.write("quit\n");
    process_.closeWriteChannel();
    if (!process_.waitForFinished(QuitTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(QuitTimeoutMs);
    }
}

bool SimProcess::start()
{
    if (!dir_.isValid())
        return false;
    process_.start(QStringLiteral(VTX500_SIM_PATH), args_);
    if (!process_.waitForStarted(AnswerTimeoutMs))
        return false;
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    for (;;) {
        const std::optional<QString> line = nextLine(int(deadline.remainingTime()));
        if (!line)
            return false;
        if (line->startsWith(QLatin1String("pty "))) {
            ptyPath_ = line->mid(4);
            return true;
        }
    }
}

QString SimProcess::link() const
{
    return dir_.filePath(QStringLiteral("tty"));
}

bool SimProcess::command(const QString &line)
{
    process_.write(line.toUtf8() + '\n');
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    for (;;) {
        const std::optional<QString> next = nextLine(int(deadline.remainingTime()));
        if (!next) {
            lastAnswer_ = QStringLiteral("(no answer)");
            return false;
        }
        const QString &answer = *next;
        if (answer.startsWith(QLatin1String("pty "))) { // "appear" announces the new pty
            ptyPath_ = answer.mid(4);
            continue;
        }
        if (answer == QLatin1String("ok") || answer.startsWith(QLatin1String("error"))) {
            lastAnswer_ = answer;
            return answer == QLatin1String("ok");
        }
    }
}

QStringList SimProcess::record() const
{
    QFile file(dir_.filePath(QStringLiteral("record")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::optional<QString> SimProcess::nextLine(int timeoutMs)
{
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        pending_ += process_.readAllStandardOutput();
        const qsizetype end = pending_.indexOf('\n');
        if (end >= 0) {
            const QString line = QString::fromUtf8(pending_.left(end)).trimmed();
            pending_.remove(0, end + 1);
            return line;
        }
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
            return std::nullopt;
        process_.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 100)));
    }
}
