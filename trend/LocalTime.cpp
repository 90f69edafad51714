#include "trend/LocalTime.h"

#include <QDateTime>

namespace trend {

namespace {

constexpr qint64 JulianDayOfEpoch = 2440588;
// Wide enough to hold any local day as instants: offsets stay within 14 h.
constexpr Millis Reach = 15 * 3'600'000;

void appendDigits(QByteArray &out, Millis value, int width)
{
    char digits[20];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0)
        out += digits[--n];
}

} // namespace

Millis localOffsetAt(Millis instant)
{
    return Millis(QDateTime::fromMSecsSinceEpoch(instant, Qt::LocalTime).offsetFromUtc()) * 1000;
}

LocalDay::LocalDay(QDate date) : date_(date), wallStart_((date.toJulianDay() - JulianDayOfEpoch) * DayMs)
{
    Millis early = wallStart_ - Reach;
    Millis late = wallStart_ + DayMs + Reach;
    offsetBefore_ = localOffsetAt(early);
    offsetAfter_ = localOffsetAt(late);
    if (offsetBefore_ == offsetAfter_)
        return;
    // The first instant with the new offset, to the millisecond.
    while (late - early > 1) {
        const Millis middle = early + (late - early) / 2;
        (localOffsetAt(middle) == offsetBefore_ ? early : late) = middle;
    }
    change_ = late;
}

Millis LocalDay::instant(Millis ms, bool secondPass) const
{
    const Millis before = wallStart_ + ms - offsetBefore_;
    if (offsetBefore_ == offsetAfter_)
        return before;
    const Millis after = wallStart_ + ms - offsetAfter_;
    const bool beforeHolds = before < change_;
    const bool afterHolds = after >= change_;
    if (beforeHolds && afterHolds)
        return secondPass ? after : before;
    return afterHolds ? after : before;
}

bool LocalDay::clockWentBack(Millis previousMs, Millis ms) const
{
    if (offsetAfter_ >= offsetBefore_)
        return false;
    const Millis previous = wallStart_ + previousMs - offsetBefore_;
    const Millis next = wallStart_ + ms - offsetAfter_;
    return previous < change_ && next >= change_ && next >= previous;
}

void IsoLocalWriter::append(Millis instant, QByteArray &out)
{
    constexpr Millis SlotMs = 15 * 60'000;
    const Millis slot = floorDiv(instant, SlotMs);
    if (slot != slot_) {
        slot_ = slot;
        offset_ = localOffsetAt(slot * SlotMs);
        slotValid_ = localOffsetAt(slot * SlotMs + SlotMs - 1) == offset_;
        offsetText_.clear();
    }
    const Millis offset = slotValid_ ? offset_ : localOffsetAt(instant);
    if (!slotValid_ || offsetText_.isEmpty()) {
        const Millis minutes = (offset < 0 ? -offset : offset) / 60'000;
        offsetText_ = offset < 0 ? "-" : "+";
        appendDigits(offsetText_, minutes / 60, 2);
        offsetText_ += ':';
        appendDigits(offsetText_, minutes % 60, 2);
    }

    const Millis local = instant + offset;
    const Millis day = floorDiv(local, DayMs);
    if (dayText_.isEmpty() || day != day_) {
        day_ = day;
        dayText_ = QDate::fromJulianDay(day + JulianDayOfEpoch).toString(Qt::ISODate).toLatin1() + 'T';
    }
    const Millis ms = local - day * DayMs;
    out += dayText_;
    appendDigits(out, ms / 3'600'000, 2);
    out += ':';
    appendDigits(out, ms / 60'000 % 60, 2);
    out += ':';
    appendDigits(out, ms / 1000 % 60, 2);
    if (ms % 1000 != 0) {
        out += '.';
        appendDigits(out, ms % 1000, 3);
    }
    out += offsetText_;
}

} // namespace trend
