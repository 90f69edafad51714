#include "logging/LineAppender.h"

#include "config/RegularFile.h"

#include <QFile>

bool LineAppender::append(const QString &path, const QByteArray &line, const QByteArray &header, QString &reason)
{
    QFile file(path);
    if (!regular_file::open(file, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered, reason))
        return false;
    const qint64 before = file.size();
    QByteArray bytes = line;
    if (before == 0)
        bytes.prepend(header);
    else if (torn)
        bytes.prepend(QByteArrayLiteral("\r\n"));
    const bool whole = file.write(bytes) == bytes.size();
    if (whole)
        torn = false;
    else if (file.size() != before && !file.resize(before))
        torn = true;
    reason = file.errorString();
    file.close();
    return whole && file.error() == QFileDevice::NoError;
}
