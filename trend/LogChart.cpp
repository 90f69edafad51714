#include "trend/LogChart.h"

#include "config/RegularFile.h"
#include "trend/LocalTime.h"
#include "trend/PvValue.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
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

// The blanks a locale's time format may put between the time and AM/PM:
// a space, a no-break space or a narrow no-break space (UTF-8).
const char *skipBlank(const char *p, const char *end)
{
    if (p < end && *p == ' ')
        return p + 1;
    if (end - p >= 2 && std::memcmp(p, "\xC2\xA0", 2) == 0)
        return p + 2;
    if (end - p >= 3 && std::memcmp(p, "\xE2\x80\xAF", 3) == 0)
        return p + 3;
    return p;
}

const char *skipBlanksBack(const char *begin, const char *end)
{
    for (;;) {
        if (end > begin && end[-1] == ' ')
            --end;
        else if (end - begin >= 2 && std::memcmp(end - 2, "\xC2\xA0", 2) == 0)
            end -= 2;
        else if (end - begin >= 3 && std::memcmp(end - 3, "\xE2\x80\xAF", 3) == 0)
            end -= 3;
        else
            return end;
    }
}

// The markers of the hours before and after noon: the English ones in any
// case, with or without dots, and the default locale's own (as the log
// holds them, in the local 8-bit encoding).
class DayPeriods {
public:
    DayPeriods()
    {
        const QLocale locale;
        am_ = {QByteArrayLiteral("AM"), QByteArrayLiteral("A.M."), locale.amText().toLocal8Bit()};
        pm_ = {QByteArrayLiteral("PM"), QByteArrayLiteral("P.M."), locale.pmText().toLocal8Bit()};
    }
    // 0 for before noon, 12 for after, -1 for anything else.
    int hoursAdded(const char *begin, const char *end) const
    {
        if (matches(am_, begin, end))
            return 0;
        if (matches(pm_, begin, end))
            return 12;
        return -1;
    }

private:
    static bool matches(const QList<QByteArray> &words, const char *begin, const char *end)
    {
        const QByteArrayView text(begin, end - begin);
        return std::any_of(words.begin(), words.end(), [&text](const QByteArray &word) {
            return !word.isEmpty() && text.compare(word, Qt::CaseInsensitive) == 0;
        });
    }

    QList<QByteArray> am_;
    QList<QByteArray> pm_;
};

// Two digits at p into `value`.
bool readTwoDigits(const char *p, const char *end, int &value)
{
    if (end - p < 2 || !isDigit(p[0]) || !isDigit(p[1]))
        return false;
    value = (p[0] - '0') * 10 + (p[1] - '0');
    return true;
}

// A record's time of day as the locale wrote it: "08:46:01", "8:46:01 AM",
// "8.46.01", with the day period before or after the digits.
bool readTimeOfDay(const char *begin, const char *end, const DayPeriods &periods, Millis &ms)
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (end - begin == 8 && begin[2] == ':' && begin[5] == ':' && readTwoDigits(begin, end, hour)
        && readTwoDigits(begin + 3, end, minute) && readTwoDigits(begin + 6, end, second)) {
        if (hour > 23 || minute > 59 || second > 59)
            return false;
        ms = ((hour * 60 + minute) * 60 + second) * Millis(1000);
        return true;
    }

    const char *p = begin;
    while (p < end && !isDigit(*p))
        ++p;
    const char *const digits = p;
    for (; p < end && isDigit(*p) && p - digits < 3; ++p)
        hour = hour * 10 + (*p - '0');
    if (p - digits < 1 || p - digits > 2 || p == end || (*p != ':' && *p != '.'))
        return false;
    const char separator = *p;
    if (!readTwoDigits(p + 1, end, minute) || p + 3 >= end || p[3] != separator || !readTwoDigits(p + 4, end, second))
        return false;
    p += 6;

    const char *const before = skipBlanksBack(begin, digits);
    const char *after = p;
    while (after != skipBlank(after, end))
        after = skipBlank(after, end);
    if (before != begin && after != end)
        return false;
    if (before != begin || after != end) {
        const int added = before != begin ? periods.hoursAdded(begin, before) : periods.hoursAdded(after, end);
        if (added < 0 || hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + added;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    ms = ((hour * 60 + minute) * 60 + second) * Millis(1000);
    return true;
}

// A record: the time of day and one field per channel, nothing more.
bool readRecord(const char *begin, const char *end, const DayPeriods &periods, Millis &ms, float *values)
{
    const auto *tab = static_cast<const char *>(std::memchr(begin, '\t', std::size_t(end - begin)));
    if (!tab || !readTimeOfDay(begin, tab, periods, ms))
        return false;
    const char *p = tab + 1;
    for (int i = 0; i < ChannelCount; ++i) {
        const auto *next = static_cast<const char *>(std::memchr(p, '\t', std::size_t(end - p)));
        const char *fieldEnd = next ? next : end;
        if ((next == nullptr) != (i == ChannelCount - 1))
            return false;
        values[i] = NAN;
        if (detail::readPv(p, fieldEnd, values[i]) == detail::PvRead::NotANumber)
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
    Reader(LogChart &chart, const FileName &file) : chart_(chart), day_(file.date), previousMs_(file.startMs) {}

    // False when the file overlaps what the chart holds; it must be undone.
    bool line(const char *begin, const char *end)
    {
        if (end > begin && end[-1] == '\r')
            --end;
        if (lines_++ == 0 && QByteArrayView(begin, end - begin).startsWith("Time\t")) {
            header_ = QString::fromLocal8Bit(QByteArrayView(begin, end - begin)).split(u'\t').mid(1);
            header_.resize(ChannelCount);
            return true;
        }
        Millis ms = 0;
        float values[ChannelCount];
        if (!readRecord(begin, end, periods_, ms, values)) {
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
                chart_.fileStarts_.push_back(times.size());
            started_ = true;
        } else if (time < times.back()) {
            time = times.back(); // the times stay in order for every search
        }
        times.push_back(time);
        for (int i = 0; i < ChannelCount; ++i)
            chart_.values_[std::size_t(i)].push_back(values[i]);
        return true;
    }

    const QStringList &header() const { return header_; }
    bool hasRecords() const { return started_; }

private:
    LogChart &chart_;
    DayPeriods periods_;
    LocalDay day_;
    Millis previousMs_;
    bool secondPass_ = false;
    bool started_ = false;
    qint64 lines_ = 0;
    QStringList header_;
};

void LogChart::clear()
{
    files_.clear();
    names_ = QStringList(ChannelCount);
    skipped_ = 0;
    cancelled_ = false;
    times_ = {};
    for (LineVector<float> &values : values_)
        values = {};
    fileStarts_.clear();
}

bool LogChart::open(const QStringList &paths, QString *error, const Progress &progress)
{
    clear();
    QStringList errors;
    std::vector<FileName> names;
    QStringList seen;
    for (const QString &path : paths) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (!canonical.isEmpty() && seen.contains(canonical))
            continue; // the same file twice is read once
        seen.append(canonical);
        FileName name;
        if (name.parse(path))
            names.push_back(name);
        else
            errors.append(QStringLiteral("%1: not the name of a log file (yymmdd_hhmm.TXT)").arg(path));
    }
    std::stable_sort(names.begin(), names.end());

    qint64 total = 0;
    for (const FileName &name : names)
        total += std::max<qint64>(0, QFileInfo(name.path).size());
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
    if (!regular_file::open(device, QIODevice::ReadOnly | QIODevice::Unbuffered, reason))
        return false;

    const std::size_t samplesBefore = times_.size();
    const std::size_t startsBefore = fileStarts_.size();
    const qint64 skippedBefore = skipped_;
    const auto undo = [&] {
        times_.resize(samplesBefore);
        for (LineVector<float> &values : values_)
            values.resize(samplesBefore);
        fileStarts_.resize(startsBefore);
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
            // The last line may lack its line end.
            if (count == 0 && p < end && !discarding)
                overlaps = overlaps || !reader.line(p, end);
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
        // Lines, but not one of them a record: no log of ours (a file picked by
        // mistake, or another program's), rather than a log to show empty.
        if (!reader.hasRecords() && skipped_ > skippedBefore) {
            reason = QStringLiteral("not one of its lines is a log record");
            return undo();
        }
        if (!reader.header().isEmpty())
            names_ = reader.header();
    } catch (const std::bad_alloc &) {
        reason = QStringLiteral("its records do not fit in memory");
        return undo();
    }
    return true;
}

bool LogChart::startsFile(std::size_t sample) const
{
    return std::binary_search(fileStarts_.begin(), fileStarts_.end(), sample);
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
            // gap or begins a file, and after it when its last is a gap.
            builder.add(column, pyramid.range(a, b), std::isnan(values[a]) || startsFile(a), std::isnan(values[b - 1]));
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
    std::size_t bytes = sizeof(*this) + times_.capacity() * sizeof(Millis) + fileStarts_.capacity() * sizeof(std::size_t);
    for (std::size_t i = 0; i < values_.size(); ++i)
        bytes += values_[i].capacity() * sizeof(float) + pyramids_[i].memoryBytes();
    return bytes;
}

} // namespace trend
