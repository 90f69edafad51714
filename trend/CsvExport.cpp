#include "trend/CsvExport.h"

#include "trend/ExportFile.h"
#include "trend/LocalTime.h"

#include <charconv>

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
    return writeExport(
        path,
        [&](QIODevice &file) {
            QByteArray buffer = "time";
            for (const int series : columns)
                buffer += ',' + csvField(source.seriesName(series));
            buffer += "\r\n";

            bool written = true;
            IsoLocalWriter times;
            const auto flush = [&] {
                written = written && file.write(buffer) == buffer.size();
                buffer.clear();
            };
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
            return written;
        },
        error);
}

} // namespace trend
