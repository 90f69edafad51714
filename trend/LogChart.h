#pragma once
// Log files written by the monitor, read back as one chart: series by column
// (channel 0..30), the files merged in time order with a gap between two.

#include "config/ChannelTable.h"
#include "trend/DecimalRuns.h"
#include "trend/MinMaxPyramid.h"
#include "trend/TrendSource.h"

#include <QDate>
#include <QHash>
#include <QStringList>

#include <array>
#include <functional>

namespace trend {

class LogChart : public TrendSource {
public:
    LogChart() = default;
    // The summaries point into the columns.
    Q_DISABLE_COPY(LogChart)

    // Reads the log files `paths` (log/yymmdd_hhmm.TXT, or with _2, _3 ...
    // for later runs in the same minute) in place of what was open. A file
    // that cannot be read, whose name is not a log file's name (and no date
    // was given for it), that holds no record, or whose records overlap an
    // earlier file's in time is left out; the others are read all the same.
    // A line that is no record (a value beyond a float, a last line cut off
    // without its CR LF) is skipped and counted. False when any
    // file was left out, and `error` has a line for each, saying why.
    //
    // Memory grows with the records actually read, never from what the
    // file's size suggests; a file whose records do not fit in memory is left
    // out like an unreadable one. Nothing a file holds ends the program.
    //
    // `progress`, when given, is called after every block read with the
    // bytes read so far and the bytes of all files; when it returns false
    // the reading stops, the chart is left empty and open() returns false
    // with cancelled() true. Safe to run on a thread of its own: the chart
    // touches nothing outside itself.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    bool open(const QStringList &paths, QString *error = nullptr, const Progress &progress = {});
    bool cancelled() const { return cancelled_; }

    // Whether the file name says the date its log began (yymmdd_hhmm.TXT).
    static bool nameHasDate(const QString &path);
    // The dates of files whose names carry none (a log renamed), given by
    // the operator: the day the file's first record was written. The next
    // open() reads such a file as if its name said that date and 00:00.
    void setGivenDates(const QHash<QString, QDate> &dates) { givenDates_ = dates; }

    // The files read, in time order.
    QStringList files() const { return files_; }
    // The lines that were no record and no header: a wrong count of fields,
    // a time that is no time of day, a field that is no number.
    qint64 skippedLines() const { return skipped_; }
    qint64 sampleCount() const { return qint64(times_.size()); }
    std::size_t memoryBytes() const;

    int seriesCount() const override { return ChannelCount; }
    // From the header of the latest file that has one.
    QString seriesName(int series) const override { return names_.value(series); }
    Millis firstTime() const override { return times_.empty() ? 1 : times_.front(); }
    Millis lastTime() const override { return times_.empty() ? 0 : times_.back(); }
    std::vector<Span> envelope(int series, Millis from, Millis to, int columns) const override;
    float valueAt(int series, Millis t) const override;
    // The digits written after the separator in the log.
    int decimals(int series, Millis t) const override;
    std::vector<AlarmMark> alarmMarks(int, Millis, Millis, Millis = 0) const override { return {}; }
    void forEachSample(Millis from, Millis to, const SampleVisitor &visit) const override;

private:
    struct FileName;
    class Reader;

    bool read(const FileName &file, QString &reason, qint64 &done, qint64 total, const Progress &progress);
    void clear();
    // Breaks the line where two records of the file from `first` on lie
    // more than three of its intervals apart (the monitor was not running).
    void breakAtPauses(std::size_t first);
    bool breaksBefore(std::size_t sample) const;

    QStringList files_;
    QStringList names_;
    qint64 skipped_ = 0;
    bool cancelled_ = false;
    std::vector<Millis> times_;
    std::array<LineVector<float>, ChannelCount> values_;
    std::array<MinMaxPyramid, ChannelCount> pyramids_;
    std::array<DecimalRuns, ChannelCount> decimals_;
    QHash<QString, QDate> givenDates_;
    // The first sample of every file after the first, and of every record
    // after a pause: a gap lies before it.
    std::vector<std::size_t> breaks_;
};

} // namespace trend
