// Feeds arbitrary bytes to the log-file reader as one or two log files (a
// line "=====" splits the input) and checks what any chart must satisfy:
// no crash, times in order, every envelope within the values read.

#include "trend/LogChart.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool write(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes.data(), bytes.size()) == bytes.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    check(dir.isValid());
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf(QByteArrayView("\n=====\n"));
    const QStringList paths{dir.filePath(QStringLiteral("230105_0846.TXT")), dir.filePath(QStringLiteral("230105_0846_2.TXT"))};
    check(write(paths[0], split < 0 ? input : input.first(split)));
    check(write(paths[1], split < 0 ? QByteArrayView() : input.sliced(split + 7)));

    trend::LogChart chart;
    QString error;
    qint64 reported = 0;
    const bool whole = chart.open(split < 0 ? paths.first(1) : paths, &error, [&reported](qint64 done, qint64 total) {
        check(done > reported && done <= total);
        reported = done;
        return true;
    });
    // Every byte is told, unless a file left out was given up part-way.
    const qint64 bytes = qint64(size) - (split < 0 ? 0 : 7);
    check(whole ? reported == bytes : reported <= bytes);
    check(whole == error.isEmpty());
    check(!chart.cancelled());
    check(chart.skippedLines() >= 0);
    if (chart.sampleCount() == 0) {
        check(chart.firstTime() > chart.lastTime());
        return 0;
    }

    // Times in order, and the extremes of each series as read.
    trend::Millis previous = chart.firstTime();
    qint64 count = 0;
    float low[ChannelCount] = {};
    float high[ChannelCount] = {};
    for (int s = 0; s < ChannelCount; ++s) {
        low[s] = INFINITY;
        high[s] = -INFINITY;
    }
    chart.forEachSample(chart.firstTime(), chart.lastTime() + 1, [&](trend::Millis t, const float *values) {
        check(t >= previous);
        previous = t;
        ++count;
        for (int s = 0; s < ChannelCount; ++s) {
            if (!std::isnan(values[s])) {
                low[s] = std::min(low[s], values[s]);
                high[s] = std::max(high[s], values[s]);
            }
        }
    });
    check(count == chart.sampleCount());
    check(previous == chart.lastTime());

    for (int s = 0; s < ChannelCount; ++s) {
        for (const int columns : {1, 7, 640}) {
            const std::vector<trend::Span> spans =
                chart.envelope(s, chart.firstTime(), chart.lastTime() + 1, columns);
            check(spans.size() == std::size_t(columns));
            for (const trend::Span &span : spans) {
                if (span.hasValue())
                    check(span.low <= span.high && span.low >= low[s] && span.high <= high[s]);
            }
        }
        const float last = chart.valueAt(s, chart.lastTime());
        check(std::isnan(last) || (last >= low[s] && last <= high[s]));
    }
    return 0;
}
