#include "trend/CsvExport.h"

#include "trend/ExportFile.h"
#include "trend/LocalTime.h"
#include "trend/PvValue.h"

namespace trend {

namespace {

constexpr qsizetype FlushBytes = 1 << 20;

// A field quoted when it holds a comma, a quote or a line break, its quotes
// doubled. A text that a spreadsheet would take for a formula (a channel
// named "=1+2" or "@SUM(A1)") gets an apostrophe before it, so that it is
// shown as the text it is and never run.
QByteArray csvField(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    QByteArray bytes = (!text.isEmpty() && formulaStarts.contains(text.front()) ? u'\'' + text : text).toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    return '"' + bytes.replace('"', "\"\"") + '"';
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
                    buffer += pvText(values[series], source.decimals(series, time));
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
