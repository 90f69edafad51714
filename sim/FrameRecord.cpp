#include "sim/FrameRecord.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

QByteArray recordLine(qint64 speed, const std::optional<CommandFrame> &frame, const QByteArray &bytes)
{
    QByteArray line = QByteArray::number(speed) + '\t';
    if (!frame)
        return line + "?\t" + bytes.toHex().toUpper() + '\n';
    line += QByteArray::number(frame->address) + '\t';
    line += QByteArray(frame->isWrite() ? "W" : "R") + '\t';
    return line + frame->item + '\t' + frame->data + '\n';
}

FrameRecord::~FrameRecord()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool FrameRecord::open(const QString &path, QString *error)
{
    if (path.isEmpty())
        return true;
    descriptor_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor_ < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

void FrameRecord::write(const QByteArray &line)
{
    // One write per line with O_APPEND: a reader never sees half a line.
    if (descriptor_ >= 0 && ::write(descriptor_, line.constData(), size_t(line.size())) < 0) {
        // A full disk loses record lines, not the simulation.
    }
}

} // namespace sim
