#include "trend/CsvExport.h"

#include "trend/LocalTime.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <charconv>
#include <memory>

namespace trend {

namespace {

constexpr qsizetype FlushBytes = 1 << 20;

// A field quoted when it holds a comma, a quote or a line break, its quotes
// doubled.
QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    return '"' + bytes.replace('"', "\"\"") + '"';
}

void appendValue(float value, QByteArray &out)
{
    if (std::isnan(value))
        return;
    // The shortest text that reads back as the same float, never with an
    // exponent: "-3276.8", not "-3276.800048828125".
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    out.append(text, result.ptr - text);
}

} // namespace

bool exportCsv(const TrendSource &source, Millis from, Millis to, const std::vector<int> &columns, const QString &path,
               QString *error)
{
    // A regular file (or none yet) is written beside it and put in its place
    // when whole, so a failed export leaves no cut-off file that looks
    // complete and keeps an earlier one; anything else (a device, a pipe) is
    // written as it is.
    const QFileInfo info(path);
    std::unique_ptr<QFileDevice> file;
    if (!info.exists() || info.isFile())
        file = std::make_unique<QSaveFile>(path);
    else
        file = std::make_unique<QFile>(path);

    bool written = file->open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray buffer = "time";
    for (const int series : columns)
        buffer += ',' + csvField(source.seriesName(series));
    buffer += "\r\n";

    IsoLocalWriter times;
    const auto flush = [&] {
        written = written && file->write(buffer) == buffer.size();
        buffer.clear();
    };
    if (written) {
        source.forEachSample(from, to, [&](Millis time, const float *values) {
            if (!written)
                return;
            times.append(time, buffer);
            for (const int series : columns) {
                buffer += ',';
                appendValue(values[series], buffer);
            }
            buffer += "\r\n";
            if (buffer.size() >= FlushBytes)
                flush();
        });
        flush();
    }
    if (auto *save = dynamic_cast<QSaveFile *>(file.get()))
        written = written && save->commit();
    else
        written = written && file->flush();
    if (!written && error)
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file->errorString());
    return written;
}

} // namespace trend
