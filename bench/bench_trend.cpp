// vtx500-bench-trend: the trend data at the size it must carry. Writes a week
// of 1 s log records (31 channels) to a temporary folder and measures opening
// it as a chart (time and memory), the envelopes a repaint of the trend
// window asks for, the repaints of its plot 1920 pixels wide (offscreen) after
// a range change, whole and after a cursor move, and the live history fed
// the same week, with the repaint after one more cycle.
//
//   vtx500-bench-trend [--quick]
//     --quick: one day instead of a week, for a smoke test

#include "trend/LiveHistory.h"
#include "trend/LogChart.h"
#include "ui/trend/TrendPlot.h"

#include <QApplication>
#include <QImage>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace trend;

namespace {

constexpr int Columns = 1920;
constexpr int Repaints = 20;
// The envelopes' part of the 16 ms a repaint may take: half, leaving the
// other half for drawing the 31 x 1920 columns.
constexpr double EnvelopeTargetMs = 8;

void report(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString met(bool yes) { return yes ? QStringLiteral("met") : QStringLiteral("MISSED"); }

double middle(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double ms(const QElapsedTimer &timer) { return double(timer.nsecsElapsed()) / 1e6; }

// The resident memory of this process, in bytes.
double residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024;
    }
    return 0;
}

// Digits of a whole number into `out`.
void appendNumber(QByteArray &out, long value, int width = 1)
{
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    unsigned long magnitude = negative ? 0ul - (unsigned long)value : (unsigned long)value;
    do {
        digits[n++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0 || n < width);
    if (negative)
        out += '-';
    while (n > 0)
        out += digits[--n];
}

// A week as the monitor logs it: channels with 0..3 decimal places moving as
// slow waves with noise, a channel that stops answering for ten minutes now
// and then ("----"), two channels switched OFF (empty).
qint64 writeLog(const QString &path, int seconds)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QByteArray buffer = "Time";
    for (int channel = 0; channel < ChannelCount; ++channel)
        buffer += "\tCH " + QByteArray::number(channel);
    buffer += "\r\n";
    quint32 random = 7;
    for (int t = 0; t < seconds; ++t) {
        const int day = t % 86'400;
        appendNumber(buffer, day / 3600, 2);
        buffer += ':';
        appendNumber(buffer, day / 60 % 60, 2);
        buffer += ':';
        appendNumber(buffer, day % 60, 2);
        for (int channel = 0; channel < ChannelCount; ++channel) {
            buffer += '\t';
            random = random * 1'103'515'245u + 12'345u;
            if (channel >= 29)
                continue;
            if ((channel == 7 && t % 20'000 < 600) || (random >> 16) % 2000 == 0) {
                buffer += "----";
                continue;
            }
            // The instrument's 16-bit reading with its decimal places, as
            // the panel shows it: "-3276.8", "12.345", "903".
            const int places = channel % 4;
            const double wave = 800 * std::sin(t / (600.0 + 97 * channel)) + double((random >> 8) % 100) / 10;
            const long raw = std::clamp(std::lround(wave * 40), -32768l, 32767l);
            const long divisor = places == 0 ? 1 : places == 1 ? 10 : places == 2 ? 100 : 1000;
            if (raw < 0)
                buffer += '-';
            appendNumber(buffer, std::labs(raw) / divisor);
            if (places > 0) {
                buffer += '.';
                appendNumber(buffer, std::labs(raw) % divisor, places);
            }
        }
        buffer += "\r\n";
        if (buffer.size() > (1 << 20)) {
            if (file.write(buffer) != buffer.size())
                return -1;
            buffer.clear();
        }
    }
    return file.write(buffer) == buffer.size() && file.flush() ? file.size() : -1;
}

// The median time of `Repaints` envelopes of all series over [from, to),
// against the envelopes' part of a repaint.
void reportEnvelope(const QString &what, const TrendSource &source, Millis from, Millis to)
{
    std::vector<double> times;
    std::size_t columnsWithValue = 0;
    for (int run = 0; run < Repaints; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int series = 0; series < source.seriesCount(); ++series) {
            for (const Span &span : source.envelope(series, from, to, Columns))
                columnsWithValue += span.hasValue() ? 1 : 0;
        }
        times.push_back(ms(timer));
    }
    const double median = middle(times);
    report(QStringLiteral("%1 envelope, %2 series x %3 columns: %4 ms median of %5 (%6 columns with a value); "
                          "target <= %7 ms of the 16 ms repaint: %8")
               .arg(what)
               .arg(source.seriesCount())
               .arg(Columns)
               .arg(median, 0, 'f', 2)
               .arg(Repaints)
               .arg(columnsWithValue / Repaints)
               .arg(EnvelopeTargetMs)
               .arg(met(columnsWithValue > 0 && median <= EnvelopeTargetMs)));
}

QString verdict(double median, double target)
{
    return QStringLiteral("%1 ms median of %2; target <= %3 ms: %4")
        .arg(median, 0, 'f', 2)
        .arg(Repaints)
        .arg(target)
        .arg(met(median <= target));
}

// The repaints of the trend plot, every series shown over the whole source,
// its plot area `Columns` pixels wide, each the median of `Repaints`:
// - after a range change: the envelopes and marks computed and the picture
//   drawn (the range moves by a second and back, so each one is new);
// - whole: the picture drawn again whole from the envelopes kept (as after
//   a change of the selected series), grid, curves, marks, axes and cursor;
// - after a cursor move: the kept picture and the cursor line.
void reportRepaints(const QString &what, const TrendSource &source)
{
    TrendPlot plot;
    plot.setSource(&source);
    plot.resize(Columns + 72, 700); // 72: the margins for the axes
    QImage image(plot.size(), QImage::Format_RGB32);
    const Millis from = plot.from(), to = plot.to();
    auto measure = [&](const std::function<void(int)> &change) {
        std::vector<double> times;
        for (int run = 0; run < Repaints; ++run) {
            QElapsedTimer timer;
            timer.start();
            change(run);
            plot.render(&image);
            times.push_back(ms(timer));
        }
        return middle(times);
    };
    const double ranged = measure([&](int run) { plot.setRange(from + run % 2 * 1000, to + run % 2 * 1000); });
    const double whole = measure([&](int run) { plot.setSelectedSeries(run % 2); });
    const double cursor = measure([&](int run) { plot.setCursorTime(from + (to - from) * (run + 1) / (Repaints + 2)); });
    const QString size = QStringLiteral("%1 series, plot %2 px wide").arg(source.seriesCount()).arg(plot.width() - 72);
    report(QStringLiteral("%1 repaint after a range change, %2: %3").arg(what, size, verdict(ranged, 16)));
    report(QStringLiteral("%1 whole repaint, %2: %3").arg(what, size, verdict(whole, 4)));
    report(QStringLiteral("%1 repaint after a cursor move, %2: %3").arg(what, size, verdict(cursor, 1)));
}

// One cycle appended to the live history of a week and the plot repainted,
// following it: the median of `Repaints`, each a second after the last.
void reportLiveAppend(LiveHistory &history)
{
    TrendPlot plot;
    plot.setSource(&history);
    plot.resize(Columns + 72, 700);
    plot.setFollowing(true);
    QImage image(plot.size(), QImage::Format_RGB32);
    plot.render(&image);
    LiveHistory::Values row;
    LiveHistory::StatusWords words{};
    std::vector<double> times;
    for (int run = 0; run < Repaints; ++run) {
        const Millis t = history.lastTime() + 1000;
        for (int channel = 0; channel < ChannelCount; ++channel)
            row[std::size_t(channel)] = float(100 * std::sin(double(t) / 600'000.0 + channel));
        QElapsedTimer timer;
        timer.start();
        history.append(t, row, words);
        plot.sourceGrew();
        plot.render(&image);
        times.push_back(ms(timer));
    }
    report(QStringLiteral("live, one cycle appended and the week repainted following it, %1 series, plot %2 px wide: %3")
               .arg(history.seriesCount())
               .arg(plot.width() - 72)
               .arg(verdict(middle(times), 4)));
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool quick = QCoreApplication::arguments().contains(QStringLiteral("--quick"));
    const int seconds = quick ? 86'400 : 7 * 86'400;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("261207_0000.TXT"));

    // The load beside: the machine is shared, and the times grow with it.
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine().split(' ').value(0) : "?";
    report(QStringLiteral("trend bench: %1 cores, load average %2, %3")
               .arg(QThread::idealThreadCount())
               .arg(QString::fromLatin1(loadAverage), QDateTime::currentDateTime().toString(Qt::ISODate)));
    const qint64 fileBytes = writeLog(path, seconds);
    if (fileBytes < 0) {
        report(QStringLiteral("cannot write the log in %1").arg(dir.path()));
        return 1;
    }
    const double fileMb = double(fileBytes) / 1e6;

    // Memory: the growth of the resident set by the first chart opened.
    std::vector<double> opens;
    LogChart chart;
    const double before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!chart.open({path}, &error)) {
        report(QStringLiteral("cannot open the log: %1").arg(error));
        return 1;
    }
    opens.push_back(ms(timer));
    const double grown = residentBytes() - before;
    for (int run = 1; run < 3; ++run) {
        LogChart again;
        timer.start();
        again.open({path});
        opens.push_back(ms(timer));
    }
    const double openMs = middle(opens);
    report(QStringLiteral("log open: %1 ms median of 3 (%2 records, %3 MB, %4 skipped); target <= 2000 ms: %5")
               .arg(openMs, 0, 'f', 0)
               .arg(chart.sampleCount())
               .arg(fileMb, 0, 'f', 1)
               .arg(chart.skippedLines())
               .arg(met(openMs <= 2000)));
    report(QStringLiteral("log memory: resident set grew %1 MB = %2 x the file (the chart counts %3 MB); "
                          "target <= 1.5 x: %4")
               .arg(grown / 1e6, 0, 'f', 1)
               .arg(grown / double(fileBytes), 0, 'f', 2)
               .arg(double(chart.memoryBytes()) / 1e6, 0, 'f', 1)
               .arg(met(grown <= 1.5 * double(fileBytes))));

    const Millis last = chart.lastTime() + 1;
    reportEnvelope(QStringLiteral("log, whole log"), chart, chart.firstTime(), last);
    reportEnvelope(QStringLiteral("log, last hour"), chart, last - 3'600'000, last);
    reportRepaints(QStringLiteral("log, whole log"), chart);

    // The live history fed the same records, one cycle a second, each
    // append timed on its own.
    LiveHistory history([](int channel) { return QStringLiteral("CH %1").arg(channel); });
    std::vector<double> appends;
    appends.reserve(std::size_t(chart.sampleCount()));
    LiveHistory::StatusWords words{};
    chart.forEachSample(chart.firstTime(), last, [&](Millis t, const float *values) {
        LiveHistory::Values row;
        std::copy(values, values + ChannelCount, row.begin());
        words.fill(quint16(t / 60'000 % 7)); // lamps turning each minute
        timer.start();
        history.append(t, row, words);
        appends.push_back(double(timer.nsecsElapsed()) / 1000);
    });
    const double median = middle(appends);
    std::sort(appends.begin(), appends.end());
    const double rare = appends[appends.size() * 999 / 1000];
    const double slowest = appends.back();
    const double mib = double(history.memoryBytes()) / (1 << 20);
    report(QStringLiteral("live history: %1 appends, median %2 us, 99.9th percentile %3 us, slowest %4 us; memory %5 MiB; "
                          "target <= 64 MiB: %6")
               .arg(appends.size())
               .arg(median, 0, 'f', 2)
               .arg(rare, 0, 'f', 1)
               .arg(slowest, 0, 'f', 0)
               .arg(mib, 0, 'f', 1)
               .arg(met(mib <= 64)));
    reportEnvelope(QStringLiteral("live, whole history"), history, history.firstTime(), last);
    reportEnvelope(QStringLiteral("live, last hour"), history, last - 3'600'000, last);
    reportRepaints(QStringLiteral("live, whole history"), history);
    reportLiveAppend(history);
    return 0;
}
