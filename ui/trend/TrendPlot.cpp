#include "ui/trend/TrendPlot.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

using trend::Millis;
using trend::Span;

namespace {

constexpr Millis Second = 1000;
constexpr Millis Day = 86400 * Second;

// Room for the value labels on the left and the time labels below.
constexpr int LeftMargin = 64;
constexpr int BottomMargin = 34;
constexpr int Margin = 8;

// A step between grid lines of about `wanted` in 1-2-5 steps of a power of ten.
double niceStep(double wanted)
{
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (factor * power >= wanted)
            return factor * power;
    return 10.0 * power;
}

// Time grid steps a reader counts in: seconds, minutes, hours, days.
Millis timeStep(Millis wanted)
{
    static constexpr std::array<Millis, 19> steps{
        Second,          2 * Second,      5 * Second,      10 * Second,     15 * Second,
        30 * Second,     60 * Second,     120 * Second,    300 * Second,    600 * Second,
        900 * Second,    1800 * Second,   3600 * Second,   7200 * Second,   3 * 3600 * Second,
        6 * 3600 * Second, 12 * 3600 * Second, Day,        7 * Day};
    for (const Millis step : steps)
        if (step >= wanted)
            return step;
    return (wanted / (7 * Day) + 1) * 7 * Day;
}

QDateTime localTime(Millis time) { return QDateTime::fromMSecsSinceEpoch(time); }

} // namespace

TrendPlot::TrendPlot(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("trendPlot"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(320, 200);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

QColor TrendPlot::seriesColor(int series)
{
    // Hues far apart for neighbouring channels, dark enough on white.
    return QColor::fromHsv((series * 67) % 360, 230, series % 2 ? 150 : 200);
}

void TrendPlot::setSource(const trend::TrendSource *source)
{
    source_ = source;
    shown_.assign(source ? std::size_t(source->seriesCount()) : 0, true);
    showAll();
}

void TrendPlot::setSeriesShown(int series, bool shown)
{
    if (series >= 0 && std::size_t(series) < shown_.size() && shown_[std::size_t(series)] != shown) {
        shown_[std::size_t(series)] = shown;
        update();
    }
}

bool TrendPlot::seriesShown(int series) const
{
    return series >= 0 && std::size_t(series) < shown_.size() && shown_[std::size_t(series)];
}

void TrendPlot::setRange(Millis from, Millis to)
{
    if (to - from < Second)
        to = from + Second;
    if (from == from_ && to == to_)
        return;
    from_ = from;
    to_ = to;
    update();
    emit rangeChanged();
}

void TrendPlot::showAll()
{
    if (!source_ || source_->firstTime() > source_->lastTime()) {
        const Millis now = QDateTime::currentMSecsSinceEpoch();
        setRange(now - 60 * Second, now);
        return;
    }
    // A little room on the right, so that the newest sample is not on the frame.
    const Millis first = source_->firstTime(), last = source_->lastTime();
    setRange(first, last + std::max<Millis>(Second, (last - first) / 50));
}

void TrendPlot::setFollowing(bool following)
{
    following_ = following;
    if (following)
        sourceGrew();
}

void TrendPlot::sourceGrew()
{
    if (following_ && source_ && source_->firstTime() <= source_->lastTime()) {
        const Millis width = to_ - from_;
        const Millis end = source_->lastTime() + std::max<Millis>(Second, width / 50);
        setRange(end - width, end);
    }
    update();
}

void TrendPlot::setCursorTime(Millis time)
{
    cursor_ = time;
    update();
    emit cursorMoved(time);
}

QRect TrendPlot::plotArea() const
{
    return rect().adjusted(LeftMargin, Margin, -Margin, -BottomMargin);
}

Millis TrendPlot::timeAt(double x) const
{
    const QRect area = plotArea();
    return from_ + Millis(std::llround((x - area.left()) / std::max(1, area.width()) * double(to_ - from_)));
}

double TrendPlot::xOf(Millis time) const
{
    const QRect area = plotArea();
    return area.left() + double(time - from_) / double(to_ - from_) * area.width();
}

void TrendPlot::zoom(double factor, double x)
{
    const Millis anchor = timeAt(x);
    const double width = std::clamp(double(to_ - from_) * factor, double(Second), double(400 * Day));
    const double left = double(anchor - from_) / double(to_ - from_);
    const Millis from = anchor - Millis(left * width);
    following_ = following_ && factor < 1;
    setRange(from, from + Millis(width));
}

void TrendPlot::pan(double fractionOfWidth)
{
    const Millis shift = Millis(double(to_ - from_) * fractionOfWidth);
    following_ = following_ && shift > 0;
    setRange(from_ + shift, to_ + shift);
}

void TrendPlot::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        zoom(std::pow(0.8, steps), event->position().x());
    event->accept();
}

void TrendPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragStartX_ = event->position().toPoint().x();
        dragStartFrom_ = from_;
        setCursor(Qt::ClosedHandCursor);
    }
}

void TrendPlot::mouseMoveEvent(QMouseEvent *event)
{
    const double x = event->position().x();
    if (dragStartX_) {
        const Millis width = to_ - from_;
        const Millis shift = Millis((*dragStartX_ - x) / std::max(1, plotArea().width()) * double(width));
        following_ = false;
        setRange(dragStartFrom_ + shift, dragStartFrom_ + shift + width);
    }
    if (plotArea().contains(event->position().toPoint()))
        setCursorTime(timeAt(x));
}

void TrendPlot::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragStartX_.reset();
        unsetCursor();
    }
}

void TrendPlot::keyPressEvent(QKeyEvent *event)
{
    const double middle = plotArea().center().x();
    switch (event->key()) {
    case Qt::Key_Left:
        pan(-0.1);
        break;
    case Qt::Key_Right:
        pan(0.1);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Up:
        zoom(0.5, middle);
        break;
    case Qt::Key_Minus:
    case Qt::Key_Down:
        zoom(2.0, middle);
        break;
    case Qt::Key_Home:
        following_ = false;
        showAll();
        break;
    case Qt::Key_End:
        setFollowing(true);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TrendPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = plotArea();
    const int columns = std::max(1, area.width());

    // The spans of every shown series first: they give the value range.
    std::vector<std::vector<Span>> spans(shown_.size());
    double low = INFINITY, high = -INFINITY;
    for (std::size_t s = 0; s < shown_.size(); ++s) {
        if (!shown_[s])
            continue;
        spans[s] = source_->envelope(int(s), from_, to_, columns);
        for (const Span &span : spans[s])
            if (span.hasValue()) {
                low = std::min(low, double(span.low));
                high = std::max(high, double(span.high));
            }
    }
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    const double pad = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
    low -= pad;
    high += pad;
    auto yOf = [&](double value) { return area.bottom() - (value - low) / (high - low) * area.height(); };

    // Grid and labels.
    painter.setPen(QColor(225, 225, 225));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics = painter.fontMetrics();
    const double valueStep = niceStep((high - low) / std::max(2, area.height() / 40));
    for (double value = std::ceil(low / valueStep) * valueStep; value <= high; value += valueStep) {
        const double y = yOf(value);
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(Qt::black);
        const QString text = QLocale().toString(std::abs(value) < valueStep / 2 ? 0.0 : value, 'g', 6);
        painter.drawText(QRectF(0, y - 8, LeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter, text);
    }
    const Millis span = to_ - from_;
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("00-00 00:00:00")) + 16;
    const Millis step = timeStep(span * labelWidth / columns);
    // Grid times on the local clock: whole minutes, hours and days as a reader counts them.
    const Millis offset = Millis(localTime(from_).offsetFromUtc()) * Second;
    const bool withSeconds = step < 60 * Second;
    const bool withDate = step >= Day || localTime(from_).date() != localTime(to_).date();
    for (Millis t = ((from_ + offset) / step + 1) * step - offset; t < to_; t += step) {
        const double x = xOf(t);
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        const QDateTime time = localTime(t);
        QString text = time.toString(withSeconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
        if (withDate)
            text = time.toString(QStringLiteral("MM-dd ")) + text;
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - labelWidth / 2.0, area.bottom() + 4, labelWidth, 16), Qt::AlignCenter, text);
    }
    painter.drawText(QRect(area.left(), area.bottom() + 18, area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
                     localTime(from_).toString(QStringLiteral("yyyy-MM-dd")));

    // The curves: a stroke from low to high in each column, joined to the
    // column before unless a gap lies between them.
    painter.setClipRect(area);
    for (std::size_t s = 0; s < spans.size(); ++s) {
        if (spans[s].empty())
            continue;
        std::vector<QLineF> lines;
        lines.reserve(spans[s].size() * 2);
        std::optional<QPointF> previous;
        for (int column = 0; column < int(spans[s].size()); ++column) {
            const Span &cell = spans[s][std::size_t(column)];
            if (!cell.hasValue())
                continue;
            const double x = area.left() + column + 0.5;
            const QPointF middle(x, yOf((double(cell.low) + cell.high) / 2));
            if (cell.high > cell.low)
                lines.emplace_back(QPointF(x, yOf(cell.low)), QPointF(x, yOf(cell.high)));
            if (previous && cell.joinsPrevious)
                lines.emplace_back(*previous, middle);
            else if (cell.high <= cell.low)
                lines.emplace_back(middle, middle + QPointF(0.5, 0)); // a lone sample still shows
            previous = middle;
        }
        painter.setPen(QPen(seriesColor(int(s)), 1.5));
        painter.drawLines(lines.data(), int(lines.size()));

        // Alarm marks: a red triangle where a lamp turned red, a green one
        // where it went back.
        for (const trend::AlarmMark &mark : source_->alarmMarks(int(s), from_, to_)) {
            const float value = source_->valueAt(int(s), mark.time);
            const double x = xOf(mark.time), y = std::isnan(value) ? area.top() + 6 : yOf(value);
            QPainterPath triangle;
            const double tip = mark.on ? -7 : 7;
            triangle.moveTo(x, y);
            triangle.lineTo(x - 4, y + tip);
            triangle.lineTo(x + 4, y + tip);
            triangle.closeSubpath();
            painter.fillPath(triangle, mark.on ? QColor(255, 0, 0) : QColor(0, 160, 0));
        }
    }

    if (cursor_ && *cursor_ >= from_ && *cursor_ < to_) {
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        const double x = xOf(*cursor_);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
}
