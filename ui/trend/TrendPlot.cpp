#include "ui/trend/TrendPlot.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

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

    // The plot area is drawn by hand into a buffer that holds it a column
    // after the other, so that each column's run of a curve is one stretch of
    // memory: the grid, then the curves. The labels go around it.
    const int rows = area.height(), width = area.width();
    const QRgb gridColour = qRgb(225, 225, 225);
    std::vector<QRgb> pixels(std::size_t(rows) * std::size_t(width), qRgb(255, 255, 255));
    auto column = [&](int x) { return pixels.data() + std::size_t(x) * std::size_t(rows); };
    auto gridRow = [&](int y) {
        if (y >= 0 && y < rows)
            for (int x = 0; x < width; ++x)
                column(x)[y] = gridColour;
    };
    auto gridColumn = [&](int x) {
        if (x >= 0 && x < width)
            std::fill(column(x), column(x) + rows, gridColour);
    };
    gridRow(0);
    gridRow(rows - 1);
    gridColumn(0);
    gridColumn(width - 1);
    const QFontMetrics metrics = painter.fontMetrics();
    const double valueStep = niceStep((high - low) / std::max(2, area.height() / 40));
    for (double value = std::ceil(low / valueStep) * valueStep; value <= high; value += valueStep) {
        const double y = yOf(value);
        gridRow(int(std::lround(y)) - area.top());
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
        gridColumn(int(x) - area.left());
        const QDateTime time = localTime(t);
        QString text = time.toString(withSeconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
        if (withDate)
            text = time.toString(QStringLiteral("MM-dd ")) + text;
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - labelWidth / 2.0, area.bottom() + 4, labelWidth, 16), Qt::AlignCenter, text);
    }
    painter.drawText(QRect(area.left(), area.bottom() + 18, area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
                     localTime(from_).toString(QStringLiteral("yyyy-MM-dd")));


    // The curves: in each column one run of pixels from the lowest to the
    // highest value, stretched to the previous column's middle when the two
    // are joined, so that a curve is one pixel wide and costs one run a
    // column. Joins across empty columns are drawn as lines.
    auto row = [&](double value) { return int(std::lround(yOf(value))) - area.top(); };
    std::vector<std::pair<QLine, QRgb>> bridges;
    for (std::size_t s = 0; s < spans.size(); ++s) {
        const QRgb colour = seriesColor(int(s)).rgba();
        int previousColumn = -1, previousRow = 0;
        for (int x = 0; x < int(spans[s].size()); ++x) {
            const Span &cell = spans[s][std::size_t(x)];
            if (!cell.hasValue())
                continue;
            int top = row(cell.high), bottom = row(cell.low);
            const int middle = (top + bottom) / 2;
            if (cell.joinsPrevious && previousColumn >= 0) {
                if (previousColumn == x - 1) {
                    top = std::min(top, previousRow);
                    bottom = std::max(bottom, previousRow);
                } else {
                    bridges.emplace_back(QLine(previousColumn, previousRow, x, middle), colour);
                }
            }
            top = std::max(top, 0);
            bottom = std::min(bottom, rows - 1);
            if (top <= bottom && x < width)
                std::fill(column(x) + top, column(x) + bottom + 1, colour);
            previousColumn = x;
            previousRow = middle;
        }
    }
    // Into an image row by row, in tiles small enough to stay in the cache.
    QImage plot(area.size(), QImage::Format_RGB32);
    constexpr int Tile = 32;
    for (int y0 = 0; y0 < rows; y0 += Tile)
        for (int x0 = 0; x0 < width; x0 += Tile)
            for (int y = y0; y < std::min(y0 + Tile, rows); ++y) {
                QRgb *line = reinterpret_cast<QRgb *>(plot.scanLine(y));
                for (int x = x0; x < std::min(x0 + Tile, width); ++x)
                    line[x] = column(x)[y];
            }
    if (!bridges.empty()) {
        QPainter onCurves(&plot);
        for (const auto &[line, colour] : bridges) {
            onCurves.setPen(QPen(QColor::fromRgba(colour), 0));
            onCurves.drawLine(line);
        }
    }
    painter.drawImage(area.topLeft(), plot);

    // Alarm marks: a red triangle where a lamp turned red, a green one where
    // it went back; one of each kind every 8 pixels at most, however many
    // changes lie there, each a small image drawn once.
    static const std::array<QImage, 2> triangles = [] {
        std::array<QImage, 2> images;
        for (const bool on : {false, true}) {
            QImage image(9, 8, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter draw(&image);
            draw.setRenderHint(QPainter::Antialiasing);
            draw.setPen(Qt::NoPen);
            draw.setBrush(on ? QColor(255, 0, 0) : QColor(0, 160, 0));
            const QPointF corners[3] = {{4.5, on ? 8.0 : 0.0}, {0, on ? 0.0 : 8.0}, {9, on ? 0.0 : 8.0}};
            draw.drawPolygon(corners, 3);
            images[on] = image;
        }
        return images;
    }();
    painter.setClipRect(area);
    const Millis markSpacing = (to_ - from_) * 8 / std::max(1, area.width());
    for (std::size_t s = 0; s < spans.size(); ++s) {
        if (spans[s].empty())
            continue;
        std::array<int, 2> lastBucket{-1, -1};
        for (const trend::AlarmMark &mark : source_->alarmMarks(int(s), from_, to_, markSpacing)) {
            const double x = xOf(mark.time);
            if (std::exchange(lastBucket[mark.on], int(x) / 8) == int(x) / 8)
                continue;
            const float value = source_->valueAt(int(s), mark.time);
            const double y = std::isnan(value) ? area.top() + 6 : yOf(value);
            painter.drawImage(QPointF(x - 4.5, mark.on ? y - 8 : y), triangles[mark.on]);
        }
    }

    if (cursor_ && *cursor_ >= from_ && *cursor_ < to_) {
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        const double x = xOf(*cursor_);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
}
