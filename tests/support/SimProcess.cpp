#include "support/SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>

SimProcess::SimProcess(const QStringList &args)
    : args_(args + QStringList{QStringLiteral("--link"), link(), QStringLiteral("--record"), dir_.filePath("record")})
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel); // its complaints show in the test log
}

SimProcess::~SimProcess()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.write("quit\n");
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool SimProcess::start()
{
    process_.start(QStringLiteral(VTX500_SIM_PATH), args_);
    return dir_.isValid() && process_.waitForStarted(10000) && !awaitLine({QStringLiteral("pty ")}).isEmpty();
}

QString SimProcess::command(const QString &line)
{
    process_.write(line.toUtf8() + '\n');
    return awaitLine({QStringLiteral("ok"), QStringLiteral("error")});
}

QStringList SimProcess::record() const
{
    QFile file(dir_.filePath(QStringLiteral("record")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString SimProcess::awaitLine(const QStringList &prefixes)
{
    const QDeadlineTimer deadline(10000);
    while (process_.canReadLine() || process_.waitForReadyRead(int(deadline.remainingTime()))) {
        if (!process_.canReadLine())
            continue; // a line not yet whole
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        for (const QString &prefix : prefixes)
            if (line.startsWith(prefix))
                return line;
    }
    return {};
}
