#pragma once
// File paths as the file system has them, whatever bytes they hold. QFile's
// names are UTF-8 on Linux: a folder named in another encoding decodes to
// U+FFFD, which encodes back to other bytes, and the file "does not exist".
// Such a path keeps each byte that is no UTF-8 as a lone surrogate
// (U+DC80..U+DCFF, as Python's file names do), shown as a box but read back
// to the byte it was.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace trend {

// The path of the bytes: QFile::decodeName() where that reads back to the
// same bytes, otherwise with the lone surrogates.
QString decodePath(QByteArrayView bytes);
// The bytes of a path from decodePath() or any other: QFile::encodeName()
// unless it holds those surrogates.
QByteArray encodePath(const QString &path);

} // namespace trend
