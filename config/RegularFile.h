#pragma once
// Opening the program's data files (VX5DP.DAT, the log file) only when their
// path holds a regular file. Whatever else may stand there is refused without
// being opened: opening a FIFO waits until some other program opens its other
// end, which would hold the program (at start-up, before any window shows)
// for good, and a directory or a device holds no data of ours.

#include <QFile>
#include <QString>

namespace regular_file {

// Opens file (by its fileName()) when the path is a regular file, or, for a
// mode that writes, is created as one. The open never blocks, so a FIFO put
// in the file's place after the look is refused as well. Modes: ReadOnly,
// ReadWrite, WriteOnly | Append, each optionally Unbuffered; nothing is
// truncated. False, with the reason for the operator, when the file cannot be
// opened.
bool open(QFile &file, QIODevice::OpenMode mode, QString &reason);
// The same by the path's bytes as the file system has them (a name that is
// not UTF-8 has no QString that QFile would encode back to it).
bool open(QFile &file, const QByteArray &nativePath, QIODevice::OpenMode mode, QString &reason);

} // namespace regular_file
