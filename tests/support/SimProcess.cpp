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
    return dir_.isValid() && process_.waitForStarted(10000) && awaitLine({QStringLiteral("pty ")});
}

bool SimProcess::command(const QString &line)
{
    process_.write(line.toUtf8() + '\n');
    lastAnswer_ = QStringLiteral("(no answer)");
    return awaitLine({QStringLiteral("ok"), QStringLiteral("error")}) && lastAnswer_ == QLatin1String("ok");
}

QStringList SimProcess::record() const
{
    QFile file(dir_.filePath(QStringLiteral("record")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool SimProcess::awaitLine(const QStringList &prefixes)
{
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        if (!process_.canReadLine()) {
            process_.waitForReadyRead(100);
            continue;
        }
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (line.startsWith(QLatin1String("pty "))) // "appear" announces the new pty before its "ok"
            ptyPath_ = line.mid(4);
        for (const QString &prefix : prefixes)
            if (line.startsWith(prefix)) {
                lastAnswer_ = line;
                return true;
            }
    }
    return false;
}
