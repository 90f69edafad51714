#include "trend/LogChart.h"

#include "config/RegularFile.h"
#include "trend/LocalTime.h"
#include "trend/NativePath.h"
#include "trend/PvValue.h"
#include "trend/TimeOfDayText.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <tuple>

namespace trend {

namespace {

// Read in blocks: the file is never held whole, and no line needs a copy.
// (The fuzz build makes the block small, so that its inputs reach the ends
// of blocks and the lines longer than one.)
#ifndef VTX_LOG_BLOCK_BYTES
#define VTX_LOG_BLOCK_BYTES (4 << 20)
#endif
constexpr qint64 BlockBytes = VTX_LOG_BLOCK_BYTES;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A record's time of day: "08:46:01" as most locales write it read at once,
// any other form by its shape.
bool readTimeOfDay(const char *begin, const char *end, const TimeOfDayText &shapes, Millis &ms)
{
    if (end - begin == 8 && begin[2] == ':' && begin[5] == ':' && isDigit(begin[0]) && isDigit(begin[1])
        && isDigit(begin[3]) && isDigit(begin[4]) && isDigit(begin[6]) && isDigit(begin[7])) {
        const int hour = (begin[0] - '0') * 10 + (begin[1] - '0');
        const int minute = (begin[3] - '0') * 10 + (begin[4] - '0');
        const int second = (begin[6] - '0') * 10 + (begin[7] - '0');
        if (hour > 23 || minute > 59 || second > 59)
            return false;
        ms = ((hour * 60 + minute) * 60 + second) * Millis(1000);
        return true;
    }
    return shapes.read(QByteArrayView(begin, end - begin), ms);
}

// A record: the time of day and one field per channel, nothing more.
bool readRecord(const char *begin, const char *end, const TimeOfDayText &shapes, Millis &ms, float *values,
                int *decimals)
{
    const auto *tab = static_cast<const char *>(std::memchr(begin, '\t', std::size_t(end - begin)));
    if (!tab || !readTimeOfDay(begin, tab, shapes, ms))
        return false;
    const char *p = tab + 1;
    for (int i = 0; i < ChannelCount; ++i) {
        const auto *next = static_cast<const char *>(std::memchr(p, '\t', std::size_t(end - p)));
        const char *fieldEnd = next ? next : end;
        if ((next == nullptr) != (i == ChannelCount - 1))
            return false;
        values[i] = NAN;
        if (detail::readPv(p, fieldEnd, values[i], &decimals[i]) == detail::PvRead::NotANumber)
            return false;
        p = fieldEnd + 1;
    }
    return true;
}

} // namespace

struct LogChart::FileName {
    QString path;
    QDate date;
    Millis startMs = 0; // the local time of day logging began, to the minute
    int run = 1;        // 2, 3 ... for later runs begun in the same minute

    // False when the name is none the monitor gives its log files.
    bool parse(const QString &filePath)
    {
        static const QRegularExpression pattern(
            QStringLiteral("^(\\d\\d)(\\d\\d)(\\d\\d)_(\\d\\d)(\\d\\d)(?:_(\\d{1,9}))?\\.TXT$"),
            QRegularExpression::CaseInsensitiveOption);
        path = filePath;
        const QRegularExpressionMatch match = pattern.match(QFileInfo(filePath).fileName());
        if (!match.hasMatch())
            return false;
        const auto number = [&match](int group) { return match.capturedView(group).toInt(); };
        date = QDate(2000 + number(1), number(2), number(3));
        const int hour = number(4);
        const int minute = number(5);
        startMs = (hour * 60 + minute) * Millis(60'000);
        run = match.hasCaptured(6) ? number(6) : 1;
        return date.isValid() && hour < 24 && minute < 60;
    }
    bool operator<(const FileName &other) const
    {
        return std::tie(date, startMs, run) < std::tie(other.date, other.startMs, other.run);
    }
};

// One file's lines into the chart's columns, keeping the day each record
// belongs to.
class LogChart::Reader {
public:
    Reader(LogChart &chart, const FileName &file)
        : chart_(chart), shapes_(timeShapes()), day_(file.date), previousMs_(file.startMs)
    {
    }

    // False when the file overlaps what the chart holds; it must be undone.
    bool line(const char *begin, const char *end)
    {
        if (end > begin && end[-1] == '\r')
            --end;
        // A CR within a line before any record: the file's lines may end in
        // CR alone, so that this "line" is all of them (told if no record
        // follows).
        loneCr_ = loneCr_ || (!started_ && std::memchr(begin, '\r', std::size_t(end - begin)) != nullptr);
        if (lines_++ == 0 && QByteArrayView(begin, end - begin).startsWith("Time\t")) {
            header_ = QString::fromLocal8Bit(QByteArrayView(begin, end - begin)).split(u'\t').mid(1);
            header_.resize(ChannelCount);
            return true;
        }
        Millis ms = 0;
        float values[ChannelCount];
        int decimals[ChannelCount];
        if (!readRecord(begin, end, *shapes_, ms, values, decimals)) {
            ++chart_.skipped_;
            return true;
        }
        // A time of day earlier than the one before belongs to the next day,
        // unless it is the hour the clock going back repeats. The first
        // record is held against the time the file was begun.
        if (ms < previousMs_) {
            if (!secondPass_ && day_.clockWentBack(previousMs_, ms)) {
                secondPass_ = true;
            } else {
                day_ = LocalDay(day_.date().addDays(1));
                secondPass_ = false;
            }
        }
        previousMs_ = ms;
        Millis time = day_.instant(ms, secondPass_);

        std::vector<Millis> &times = chart_.times_;
        if (!started_) {
            if (!times.empty() && time < times.back())
                return false;
            if (!times.empty())
                chart_.breaks_.push_back(times.size());
            started_ = true;
        } else if (time < times.back()) {
            time = times.back(); // the times stay in order for every search
        }
        times.push_back(time);
        for (int i = 0; i < ChannelCount; ++i) {
            chart_.values_[std::size_t(i)].push_back(values[i]);
            if (!std::isnan(values[i]))
                chart_.decimals_[std::size_t(i)].note(time, decimals[i]);
        }
        return true;
    }

    // A last line without its line end: skipped, and told apart from a file
    // whose lines end in CR alone (all of it one "line").
    void cutLine(const char *begin, const char *end)
    {
        ++chart_.skipped_;
        if (end > begin && end[-1] == '\r')
            --end; // cut between CR and LF
        loneCr_ = loneCr_ || std::memchr(begin, '\r', std::size_t(end - begin)) != nullptr;
    }

    const QStringList &header() const { return header_; }
    bool hasRecords() const { return started_; }
    bool loneCr() const { return loneCr_; }

private:
    // The shapes of every locale's time, learnt once for each reading locale.
    static std::shared_ptr<const TimeOfDayText> timeShapes()
    {
        static std::mutex mutex;
        static QString locale;
        static std::shared_ptr<const TimeOfDayText> shapes;
        const std::lock_guard lock(mutex);
        if (!shapes || locale != QLocale().name()) {
            locale = QLocale().name();
            shapes = std::make_shared<const TimeOfDayText>();
        }
        return shapes;
    }

    LogChart &chart_;
    std::shared_ptr<const TimeOfDayText> shapes_;
    LocalDay day_;
    Millis previousMs_;
    bool secondPass_ = false;
    bool started_ = false;
    bool loneCr_ = false;
    qint64 lines_ = 0;
    QStringList header_;
};

bool LogChart::nameHasDate(const QString &path)
{
    FileName name;
    return name.parse(path);
}

void LogChart::clear()
{
    files_.clear();
    names_ = QStringList(ChannelCount);
    skipped_ = 0;
    cancelled_ = false;
    times_ = {};
    for (LineVector<float> &values : values_)
        values = {};
    breaks_.clear();
    for (DecimalRuns &decimals : decimals_)
        decimals.clear();
}

bool LogChart::open(const QStringList &paths, QString *error, const Progress &progress)
{
    clear();
    QStringList errors;
    std::vector<FileName> names;
    QStringList seen;
    for (const QString &path : paths) {
        char resolved[PATH_MAX];
        const QString canonical = ::realpath(encodePath(path).constData(), resolved) ? decodePath(resolved) : QString();
        if (!canonical.isEmpty() && seen.contains(canonical))
            continue; // the same file twice is read once
        seen.append(canonical);
        FileName name;
        if (name.parse(path)) {
            names.push_back(name);
        } else if (const QDate given = givenDates_.value(path); given.isValid()) {
            name.date = given; // begun that day: its first record is on it
            names.push_back(name);
        } else {
            errors.append(QStringLiteral("%1: not the name of a log file (yymmdd_hhmm.TXT)").arg(path));
        }
    }
    std::stable_sort(names.begin(), names.end());

    qint64 total = 0;
    for (const FileName &name : names) {
        struct stat info {};
        total += ::stat(encodePath(name.path).constData(), &info) == 0 ? std::max<qint64>(0, info.st_size) : 0;
    }
    qint64 done = 0;
    for (const FileName &name : names) {
        QString reason;
        if (read(name, reason, done, total, progress))
            files_.append(name.path);
        else if (cancelled_)
            break;
        else
            errors.append(QStringLiteral("%1: %2").arg(name.path, reason));
    }
    if (cancelled_) {
        clear();
        cancelled_ = true;
        errors = QStringList{QStringLiteral("Reading the log files was cancelled.")};
    }
    try {
        for (std::size_t i = 0; i < values_.size(); ++i)
            pyramids_[i].build(values_[i].data(), values_[i].size());
    } catch (const std::bad_alloc &) {
        clear();
        errors.append(QStringLiteral("The records of these files do not fit in memory."));
    }
    if (error)
        *error = errors.join(u'\n');
    return errors.isEmpty();
}

bool LogChart::read(const FileName &file, QString &reason, qint64 &done, qint64 total, const Progress &progress)
{
    QFile device(file.path);
    if (!regular_file::open(device, encodePath(file.path), QIODevice::ReadOnly | QIODevice::Unbuffered, reason))
        return false;

    const std::size_t samplesBefore = times_.size();
    const std::size_t startsBefore = breaks_.size();
    const qint64 skippedBefore = skipped_;
    std::array<std::size_t, ChannelCount> runsBefore;
    for (std::size_t i = 0; i < runsBefore.size(); ++i)
        runsBefore[i] = decimals_[i].size();
    const auto undo = [&] {
        times_.resize(samplesBefore);
        for (LineVector<float> &values : values_)
            values.resize(samplesBefore);
        for (std::size_t i = 0; i < runsBefore.size(); ++i)
            decimals_[i].truncate(runsBefore[i]);
        breaks_.resize(startsBefore);
        skipped_ = skippedBefore;
        return false;
    };

    // The columns grow by what has been read (a vector doubles at most), not
    // by an estimate from the file's size: a file of blank lines, or one
    // mostly a hole, would ask for more than any machine has. What does not
    // fit leaves this file out; the files read before it stay.
    try {
        Reader reader(*this, file);
        QByteArray buffer(BlockBytes, Qt::Uninitialized);
        qint64 held = 0;         // the bytes of an unfinished line kept from the last block
        bool discarding = false; // within a line too long for the buffer: no record
        for (;;) {
            const qint64 count = device.read(buffer.data() + held, buffer.size() - held);
            if (count < 0) {
                reason = device.errorString();
                return undo();
            }
            const char *p = buffer.constData();
            const char *const end = p + held + count;
            bool overlaps = false;
            while (const auto *newline = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)))) {
                overlaps = overlaps || (!discarding && !reader.line(p, newline));
                discarding = false;
                p = newline + 1;
            }
            // A last line without its line end was cut off while being
            // written: its last field may be cut too (1 for 1234).
            if (count == 0 && p < end && !discarding)
                reader.cutLine(p, end);
            if (overlaps) {
                reason = QStringLiteral("its records overlap those of an earlier file in time");
                return undo();
            }
            if (count == 0)
                break;
            done += count;
            if (progress && !progress(done, std::max(total, done))) {
                cancelled_ = true;
                return undo();
            }
            held = end - p;
            if (held == buffer.size()) {
                // No line is that long: count it once and drop it up to its end.
                if (!discarding)
                    ++skipped_;
                discarding = true;
                held = 0;
            } else {
                std::memmove(buffer.data(), p, std::size_t(held));
            }
        }
        // Not one record: no log of ours (a file picked by mistake, or
        // another program's) or one with nothing in it yet, rather than a
        // log to show empty.
        if (!reader.hasRecords()) {
            reason = reader.loneCr()            ? QStringLiteral("its lines end in CR alone, not in CR LF as a log's do")
                : skipped_ > skippedBefore ? QStringLiteral("not one of its lines is a log record")
                                           : QStringLiteral("it holds no record");
            return undo();
        }
        breakAtPauses(samplesBefore);
        if (!reader.header().isEmpty())
            names_ = reader.header();
    } catch (const std::bad_alloc &) {
        reason = QStringLiteral("its records do not fit in memory");
        return undo();
    }
    return true;
}

void LogChart::breakAtPauses(std::size_t first)
{
    // The file's own interval: the median spacing of its records, so that a
    // few pauses do not move it.
    if (times_.size() - first < 3)
        return;
    std::vector<Millis> spacings;
    spacings.reserve(times_.size() - first - 1);
    for (std::size_t i = first + 1; i < times_.size(); ++i)
        spacings.push_back(times_[i] - times_[i - 1]);
    const auto middle = spacings.begin() + std::ptrdiff_t(spacings.size() / 2);
    std::nth_element(spacings.begin(), middle, spacings.end());
    const Millis longest = 3 * std::max<Millis>(*middle, 1000);
    for (std::size_t i = first + 1; i < times_.size(); ++i) {
        if (times_[i] - times_[i - 1] > longest)
            breaks_.push_back(i);
    }
}

bool LogChart::breaksBefore(std::size_t sample) const
{
    return std::binary_search(breaks_.begin(), breaks_.end(), sample);
}

std::vector<Span> LogChart::envelope(int series, Millis from, Millis to, int columns) const
{
    EnvelopeBuilder builder(from, to, columns);
    if (series < 0 || series >= ChannelCount)
        return builder.take();
    const LineVector<float> &values = values_[std::size_t(series)];
    const MinMaxPyramid &pyramid = pyramids_[std::size_t(series)];
    builder.forEachColumn(
        times_.size(), [this](std::size_t i) { return times_[i]; },
        [&](int column, std::size_t a, std::size_t b) {

            // The line breaks before the column when its first sample is a
            // gap or follows a pause or the end of a file, and after it when
            // its last is a gap.
            builder.add(column, pyramid.range(a, b), std::isnan(values[a]) || breaksBefore(a), std::isnan(values[b - 1]));
        });
    return builder.take();
}

float LogChart::valueAt(int series, Millis t) const
{
    if (series < 0 || series >= ChannelCount)
        return NAN;
    const auto after = std::upper_bound(times_.begin(), times_.end(), t);
    return after == times_.begin() ? NAN : values_[std::size_t(series)][std::size_t(after - times_.begin() - 1)];
}

int LogChart::decimals(int series, Millis t) const
{
    return series < 0 || series >= ChannelCount ? -1 : decimals_[std::size_t(series)].at(t);
}

void LogChart::forEachSample(Millis from, Millis to, const SampleVisitor &visit) const
{
    const auto first = std::lower_bound(times_.begin(), times_.end(), from);
    const auto last = std::lower_bound(first, times_.end(), to);
    float row[ChannelCount];
    for (auto it = first; it < last; ++it) {
        const std::size_t i = std::size_t(it - times_.begin());
        for (std::size_t series = 0; series < values_.size(); ++series)
            row[series] = values_[series][i];
        visit(*it, row);
    }
}

std::size_t LogChart::memoryBytes() const
{
    std::size_t bytes = sizeof(*this) + times_.capacity() * sizeof(Millis) + breaks_.capacity() * sizeof(std::size_t);
    for (std::size_t i = 0; i < values_.size(); ++i)
        bytes += values_[i].capacity() * sizeof(float) + pyramids_[i].memoryBytes();
    return bytes;
}

} // namespace trend
