#include "trend/JournalMarks.h"

#include "logging/EventJournal.h"
#include "trend/LogChart.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <limits>

namespace trend {

JournalMarks::JournalMarks(const LogChart &chart) : chart_(chart)
{
    if (chart.firstTime() > chart.lastTime())
        return;
    QSet<QString> folders;
    for (const QString &file : chart.files())
        folders.insert(QFileInfo(file).absolutePath());
    const QDate first = QDateTime::fromMSecsSinceEpoch(chart.firstTime()).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(chart.lastTime()).date();
    for (const QString &folder : folders) {
        for (QDate day = first; day.isValid() && day <= last; day = day.addDays(1)) {
            EventJournal::readFile(EventJournal::fileName(folder, day), [this](Event &event) {
                const bool red = event.kind == Event::Kind::LampRed;
                if ((red || event.kind == Event::Kind::LampGreen) && event.channel >= 0)
                    marks_[std::size_t(event.channel)].push_back({event.utcMs, event.lamp, red});
            });
        }
    }
    for (auto &marks : marks_)
        std::stable_sort(marks.begin(), marks.end(),
                         [](const AlarmMark &a, const AlarmMark &b) { return a.time < b.time; });
}

int JournalMarks::seriesCount() const { return chart_.seriesCount(); }
QString JournalMarks::seriesName(int series) const { return chart_.seriesName(series); }
Millis JournalMarks::firstTime() const { return chart_.firstTime(); }
Millis JournalMarks::lastTime() const { return chart_.lastTime(); }

std::vector<Span> JournalMarks::envelope(int series, Millis from, Millis to, int columns) const
{
    return chart_.envelope(series, from, to, columns);
}

float JournalMarks::valueAt(int series, Millis t) const { return chart_.valueAt(series, t); }
int JournalMarks::decimals(int series, Millis t) const { return chart_.decimals(series, t); }

void JournalMarks::forEachSample(Millis from, Millis to, const SampleVisitor &visit) const
{
    chart_.forEachSample(from, to, visit);
}

std::vector<AlarmMark> JournalMarks::alarmMarks(int series, Millis from, Millis to, Millis spacing) const
{
    std::vector<AlarmMark> shown;
    if (series < 0 || series >= int(marks_.size()))
        return shown;
    const std::vector<AlarmMark> &marks = marks_[std::size_t(series)];
    auto it = std::lower_bound(marks.begin(), marks.end(), from,
                               [](const AlarmMark &mark, Millis t) { return mark.time < t; });
    // The latest mark kept of each lamp and direction: one within `spacing`.
    std::array<Millis, 8> latest;
    latest.fill(std::numeric_limits<Millis>::min());
    for (; it != marks.end() && it->time < to; ++it) {
        Millis &last = latest[std::size_t((it->lamp & 3) * 2 + it->on)];
        if (spacing > 0 && last != std::numeric_limits<Millis>::min() && it->time - last < spacing)
            continue;
        last = it->time;
        shown.push_back(*it);
    }
    return shown;
}

} // namespace trend
