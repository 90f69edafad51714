#pragma once
// One place where an export meets the disk, so that a failed export never
// destroys the file it was to replace nor reports success.

#include <QIODevice>
#include <QString>

#include <functional>

namespace trend {

// Writes `path` through `write`, which gets the open device and returns false
// when a write failed. A regular file (or none yet) is written beside it and
// put in its place only once whole: a failure (a full disk, a directory in
// the way) leaves the earlier file as it was. Anything else (a device, a pipe)
// is written as it is. Nothing is buffered between `write` and the disk, so a
// failed write is seen by the write itself. False, with the reason in
// `error`, when the file could not be written whole.
bool writeExport(const QString &path, const std::function<bool(QIODevice &)> &write, QString *error = nullptr);

} // namespace trend
