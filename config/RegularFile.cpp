#include "config/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace regular_file {

namespace {

const QString NotRegular = QStringLiteral("Not a regular file");

int openFlags(QIODevice::OpenMode mode)
{
    // O_NONBLOCK: a FIFO does not wait for its other end (regular files
    // ignore the flag); O_NOCTTY: a terminal never becomes ours.
    const int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (!(mode & QIODevice::WriteOnly))
        return common | O_RDONLY;
    const int access = (mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY;
    return common | access | O_CREAT | ((mode & QIODevice::Append) ? O_APPEND : 0);
}

} // namespace

bool open(QFile &file, QIODevice::OpenMode mode, QString &reason)
{
    return open(file, QFile::encodeName(file.fileName()), mode, reason);
}

bool open(QFile &file, const QByteArray &path, QIODevice::OpenMode mode, QString &reason)
{
    // Looked at before the open, because opening a device can act on it by
    // itself (a serial line's control lines, a tape's rewind).
    struct stat info {};
    if (::stat(path.constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        reason = NotRegular;
        return false;
    }
    const int fd = ::open(path.constData(), openFlags(mode), 0666);
    if (fd < 0) {
        reason = qt_error_string(errno);
        return false;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        reason = NotRegular;
        return false;
    }
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    reason = file.errorString();
    ::close(fd);
    return false;
}

} // namespace regular_file
