#include "trend/ExportFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <memory>

namespace trend {

bool writeExport(const QString &path, const std::function<bool(QIODevice &)> &write, QString *error)
{
    const QFileInfo info(path);
    std::unique_ptr<QFileDevice> file;
    QSaveFile *save = nullptr;
    if (!info.exists() || info.isFile()) {
        auto saved = std::make_unique<QSaveFile>(path);
        save = saved.get();
        file = std::move(saved);
    } else {
        file = std::make_unique<QFile>(path);
    }

    // Unbuffered: a QSaveFile's commit() does not see a write of its own
    // buffer that failed on close, and would put a cut-off file in place.
    bool written = file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) && write(*file)
        && file->error() == QFileDevice::NoError;
    QString reason = file->errorString();
    if (save) {
        if (written) {
            written = save->commit();
            reason = save->errorString();
        } else {
            save->cancelWriting();
        }
    } else {
        file->close();
        written = written && file->error() == QFileDevice::NoError;
    }
    if (!written && error)
        *error = QStringLiteral("Cannot write %1: %2").arg(path, reason);
    return written;
}

} // namespace trend
