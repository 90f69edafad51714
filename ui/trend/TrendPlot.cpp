#include "ui/trend/TrendPlot.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QToolTip>
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

// Floor division for times before `from` as well.
Millis floorDivide(Millis a, Millis b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

// Colours for 31 series: the first 31 of the Glasbey categorical palette for
// light backgrounds "glasbey_bw_minc_20_maxl_70" (colorcet, Kovesi; after
// Glasbey, van der Heijden, Toh and Gray, "Colour displays for categorical
// images", 2007), each chosen as far from all before it as could be found,
// that stand out from white by a contrast ratio of at least 3:1 (WCAG 2 for
// graphics); its yellows, light greens and pastels are left out.
constexpr std::array<QRgb, 31> Palette{
    0xd70000, 0x8c3cff, 0x028800, 0x6c004f, 0x583b00, 0x005759, 0x0000dd, 0xa2766a, 0xc004b9, 0x645473, 0x790000,
    0x0774d8, 0x739b7d, 0x004b00, 0x8f7b01, 0xf3007b, 0xa67bb8, 0x5a02a3, 0xa03a52, 0x9e4b00, 0x546745, 0x5f7b88,
    0x60383c, 0x8388ff, 0x390000, 0xe353ff, 0x305382, 0xc5668f, 0x00816a, 0xcc7407, 0x7f2b8e};

// Rounds half up: the same as std::lround for the rows of the plot area,
// which are not negative, without a call for each of 60,000 runs.
int roundRow(double row)
{
    const double up = row + 0.5;
    const int whole = int(up);
    return whole - (up < whole ? 1 : 0);
}

// A device pixel row of `value` between the bottom and top values of a
// plot area `rows` high; far outside (an infinite value) a plot's height
// beyond its edge, so that a run or join to it stays a bounded one.
int rowOf(double value, std::pair<double, double> range, int rows)
{
    const double row = (range.second - value) / (range.second - range.first) * (rows - 1);
    return roundRow(std::isnan(row) ? -rows : std::clamp(row, -double(rows), 2.0 * rows));
}

// The bottom and top of an axis over values from low to high: 5 % of room
// on either side, and a range around a constant value.
std::pair<double, double> padded(double low, double high)
{
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    const double pad = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
    return {low - pad, high + pad};
}

qreal paintRatio(QPainter &painter)
{
    // The device painted into: the window's backing store, or an image the
    // widget is rendered into, each with its own ratio.
    const QPaintDevice *device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : painter.device();
    return device ? device->devicePixelRatio() : 1.0;
}

} // namespace

TrendPlot::TrendPlot(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("trendPlot"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent); // the picture covers every pixel
}

QColor TrendPlot::seriesColor(int series)
{
    return QColor::fromRgb(Palette[std::size_t(series >= 0 ? series % int(Palette.size()) : 0)]);
}

void TrendPlot::setSource(const trend::TrendSource *source)
{
    source_ = source;
    shown_.assign(source ? std::size_t(source->seriesCount()) : 0, true);
    selected_ = -1;
    dataChanged();
    showAll();
}

void TrendPlot::setSeriesShown(int series, bool shown)
{
    if (series >= 0 && std::size_t(series) < shown_.size() && shown_[std::size_t(series)] != shown) {
        shown_[std::size_t(series)] = shown;
        // Only shown series have envelopes; the value axis may change either way.
        if (shown)
            dataChanged();
        else
            pictureChanged();
    }
}

bool TrendPlot::seriesShown(int series) const
{
    return series >= 0 && std::size_t(series) < shown_.size() && shown_[std::size_t(series)];
}

void TrendPlot::setOwnScales(bool own)
{
    if (own != ownScales_) {
        ownScales_ = own;
        pictureChanged();
    }
}

void TrendPlot::setSelectedSeries(int series)
{
    if (series < 0 || std::size_t(series) >= shown_.size())
        series = -1;
    if (series != selected_) {
        selected_ = series;
        pictureChanged();
    }
}

void TrendPlot::pictureChanged()
{
    pictureValid_ = false;
    update();
}

void TrendPlot::dataChanged()
{
    kept_.valid = false;
    pictureChanged();
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

bool TrendPlot::hasData() const { return source_ && source_->firstTime() <= source_->lastTime(); }

void TrendPlot::showAll()
{
    if (!hasData()) {
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
    if (following_ && hasData()) {
        // The range moves by whole columns of whole milliseconds, so that
        // the columns already computed stay as they are.
        const Millis columns = std::max(1, int(std::lround(plotArea().width() * devicePixelRatioF())));
        const Millis width = std::max(columns, (to_ - from_ + columns / 2) / columns * columns);
        const Millis step = width / columns;
        const Millis end = source_->lastTime() + std::max<Millis>(Second, width / 50);
        const Millis from = (floorDivide(end - width, step) + 1) * step;
        setRange(from, from + width);
    }
    update();
}

void TrendPlot::setCursorTime(Millis time)
{
    // Only the strips of the old and the new cursor line are painted again.
    const QRect area = plotArea();
    auto strip = [&](Millis t) { return QRect(int(xOf(t)) - 2, area.top(), 5, area.height()); };
    if (cursor_)
        update(strip(*cursor_));
    cursor_ = time;
    update(strip(time));
    emit cursorMoved(time);
}

QRect TrendPlot::plotArea() const
{
    return rect().adjusted(LeftMargin, Margin, -Margin, -BottomMargin);
}

std::pair<double, double> TrendPlot::valueRange(int series) const
{
    return series >= 0 && std::size_t(series) < ranges_.size() ? ranges_[std::size_t(series)]
                                                                 : std::pair<double, double>(0, 1);
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

void TrendPlot::resizeEvent(QResizeEvent *event)
{
    pictureChanged();
    QWidget::resizeEvent(event);
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

bool TrendPlot::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = markTipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }
    return QWidget::event(event);
}

// ---- What the picture is drawn from ----

void TrendPlot::updateEnvelopes(int columns, qreal ratio)
{
    const Millis last = source_ ? source_->lastTime() : 0;
    if (kept_.valid && kept_.columns == columns && kept_.from == from_ && kept_.to == to_ && kept_.lastTime == last)
        return;
    pictureValid_ = false;
    const std::size_t count = shown_.size();
    spans_.resize(count);
    marks_.resize(count);
    const Millis width = to_ - from_;
    const Millis spacing = width * PlotCanvas::markSpacing(ratio) / std::max(1, columns);
    // After a move by whole columns with only newer samples added (a live
    // view following, or standing while samples come), the columns from the
    // one of the last sample before are the only ones to compute again.
    Millis step = width / std::max(1, columns);
    const bool wholeColumns = kept_.valid && columns > 0 && kept_.columns == columns && kept_.to - kept_.from == width
        && width % columns == 0 && from_ >= kept_.from && (from_ - kept_.from) % step == 0 && last >= kept_.lastTime
        && kept_.lastTime >= from_ && kept_.lastTime < kept_.to;
    const int shift = wholeColumns ? int((from_ - kept_.from) / step) : 0;
    const int first = wholeColumns ? int((kept_.lastTime - from_) / step) : 0;
    for (std::size_t s = 0; s < count; ++s) {
        std::vector<Span> &spans = spans_[s];
        std::vector<trend::AlarmMark> &marks = marks_[s];
        if (!shown_[s]) {
            spans.clear();
            marks.clear();
            continue;
        }
        if (!wholeColumns || spans.size() != std::size_t(columns)) {
            spans = source_->envelope(int(s), from_, to_, columns);
            marks = source_->alarmMarks(int(s), from_, to_, spacing);
            continue;
        }
        spans.erase(spans.begin(), spans.begin() + shift);
        spans.resize(std::size_t(columns));
        const Millis tailFrom = from_ + first * step;
        const Span before = spans[std::size_t(first)];
        const std::vector<Span> tail = source_->envelope(int(s), tailFrom, to_, columns - first);
        std::copy(tail.begin(), tail.end(), spans.begin() + first);
        // The tail starts without what came before it: its first column
        // joins as it did, when it held a value already.
        if (before.hasValue())
            spans[std::size_t(first)].joinsPrevious = before.joinsPrevious;
        std::erase_if(marks, [&](const trend::AlarmMark &mark) { return mark.time < from_ || mark.time >= tailFrom; });
        const std::vector<trend::AlarmMark> newer = source_->alarmMarks(int(s), tailFrom, to_, spacing);
        marks.insert(marks.end(), newer.begin(), newer.end());
    }
    kept_ = {from_, to_, last, columns, true};
}

void TrendPlot::updateValueRanges()
{
    ranges_.assign(shown_.size(), {0.0, 1.0});
    double allLow = INFINITY, allHigh = -INFINITY;
    for (std::size_t s = 0; s < spans_.size(); ++s) {
        double low = INFINITY, high = -INFINITY;
        // An infinite value (a reading out of any range) is drawn to the
        // edge, and leaves the axis to the others.
        for (const Span &span : spans_[s]) {
            if (std::isfinite(span.low))
                low = std::min(low, double(span.low));
            if (std::isfinite(span.high))
                high = std::max(high, double(span.high));
        }
        ranges_[s] = padded(low, high);
        allLow = std::min(allLow, low);
        allHigh = std::max(allHigh, high);
    }
    if (!ownScales_)
        ranges_.assign(shown_.size(), padded(allLow, allHigh));
}

std::vector<int> TrendPlot::drawingOrder() const
{
    std::vector<int> order;
    for (std::size_t s = 0; s < shown_.size(); ++s)
        if (shown_[s] && int(s) != selected_)
            order.push_back(int(s));
    if (seriesShown(selected_))
        order.push_back(selected_);
    return order;
}

// ---- The parts of the picture ----

void TrendPlot::rebuildPicture(qreal ratio)
{
    const QSize size(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
    if (picture_.size() != size)
        picture_ = QImage(size, QImage::Format_RGB32);
    picture_.setDevicePixelRatio(1);
    picture_.fill(Qt::white);
    const QRect area = plotArea();
    const QRect device(int(std::lround(area.left() * ratio)), int(std::lround(area.top() * ratio)),
                       int(std::lround(area.width() * ratio)), int(std::lround(area.height() * ratio)));
    PlotCanvas canvas(picture_, device);
    updateValueRanges();
    Ticks ticks;
    paintGrid(canvas, ticks);
    paintCurves(canvas);
    paintMarks(canvas, ratio);
    picture_.setDevicePixelRatio(ratio);
    QPainter painter(&picture_);
    paintAxes(painter, ticks, device, ratio);
    pictureValid_ = true;
}

std::pair<double, double> TrendPlot::axisRange() const
{
    if (!ownScales_)
        return ranges_.empty() ? std::pair<double, double>(0, 1) : ranges_.front();
    if (seriesShown(selected_))
        return valueRange(selected_);
    return padded(0, 100); // percent of each series' own range
}

void TrendPlot::paintGrid(PlotCanvas &canvas, Ticks &ticks) const
{
    const QRgb grid = qRgb(225, 225, 225);
    canvas.gridRow(0, grid);
    canvas.gridRow(canvas.rows() - 1, grid);
    canvas.gridColumn(0, grid);
    canvas.gridColumn(canvas.columns() - 1, grid);
    if (!hasData())
        return; // no axes: "No data" instead
    const auto [low, high] = axisRange();
    const double valueStep = niceStep((high - low) / std::max(2, height() / 40));
    for (double value = std::ceil(low / valueStep) * valueStep; value <= high; value += valueStep) {
        const int row = rowOf(value, {low, high}, canvas.rows());
        canvas.gridRow(row, grid);
        ticks.values.emplace_back(row, std::abs(value) < valueStep / 2 ? 0.0 : value);
    }
    const Millis span = to_ - from_;
    const int labelWidth = QFontMetrics(font()).horizontalAdvance(QStringLiteral("00-00 00:00:00")) + 16;
    const Millis step = timeStep(span * labelWidth / std::max(1, plotArea().width()));
    // Grid times on the local clock: whole minutes, hours and days as a reader counts them.
    const Millis offset = Millis(localTime(from_).offsetFromUtc()) * Second;
    for (Millis t = (floorDivide(from_ + offset, step) + 1) * step - offset; t < to_; t += step) {
        const int column = int(floorDivide((t - from_) * canvas.columns(), span));
        canvas.gridColumn(column, grid);
        ticks.times.emplace_back(column, t);
    }
    ticks.withSeconds = step < 60 * Second;
    ticks.withDate = step >= Day || localTime(from_).date() != localTime(to_).date();
}

void TrendPlot::paintCurves(PlotCanvas &canvas) const
{
    // In each column one run of pixels from the lowest to the highest value,
    // stretched to the previous column's middle when the two are joined, so
    // that a curve is one pixel wide and costs one run a column. Joins
    // across empty columns are drawn as lines.
    //
    // All curves a block of columns at a time: the block's pixel rows stay
    // in the cache for every curve, where curve after curve across the
    // whole width would read the picture's memory once per curve.
    struct Trace {
        const std::vector<Span> *spans;
        std::pair<double, double> range;
        QRgb colour;
        int previousColumn = -1;
        int previousRow = 0;
    };
    std::vector<Trace> traces;
    int columns = 0;
    for (const int s : drawingOrder()) {
        traces.push_back({&spans_[std::size_t(s)], ranges_[std::size_t(s)], seriesColor(s).rgb()});
        columns = std::max(columns, int(spans_[std::size_t(s)].size()));
    }
    constexpr int Block = 32;
    const int rows = canvas.rows();
    for (int x0 = 0; x0 < columns; x0 += Block)
        for (Trace &trace : traces) {
            const int end = std::min(x0 + Block, int(trace.spans->size()));
            for (int x = x0; x < end; ++x) {
                const Span &cell = (*trace.spans)[std::size_t(x)];
                if (!cell.hasValue())
                    continue;
                int top = rowOf(cell.high, trace.range, rows);
                int bottom = rowOf(cell.low, trace.range, rows);
                const int middle = (top + bottom) / 2;
                if (cell.joinsPrevious && trace.previousColumn >= 0) {
                    if (trace.previousColumn == x - 1) {
                        top = std::min(top, trace.previousRow);
                        bottom = std::max(bottom, trace.previousRow);
                    } else {
                        canvas.line(trace.previousColumn, trace.previousRow, x, middle, trace.colour);
                    }
                }
                canvas.run(x, top, bottom, trace.colour);
                trace.previousColumn = x;
                trace.previousRow = middle;
            }
        }
}

void TrendPlot::paintMarks(PlotCanvas &canvas, qreal ratio) const
{
    // A triangle where a lamp turned red (tip up, above the curve) or back
    // (tip down, below it), named by its lamp; of each direction at most one
    // in twice the width of a mark, however many changes lie there (more
    // would cover each other).
    const int spacing = PlotCanvas::markSpacing(ratio);
    for (const int s : drawingOrder()) {
        const std::vector<Span> &spans = spans_[std::size_t(s)];
        const std::pair<double, double> range = ranges_[std::size_t(s)];
        std::array<int, 2> lastColumn{-spacing, -spacing};
        for (const trend::AlarmMark &mark : marks_[std::size_t(s)]) {
            const int column = columnOf(mark.time, canvas.columns());
            if (column < 0 || column >= int(spans.size()) || column - lastColumn[mark.on] < spacing)
                continue;
            lastColumn[mark.on] = column;
            const Span &cell = spans[std::size_t(column)];
            const int row = !cell.hasValue() ? (mark.on ? canvas.rows() / 4 : 0)
                                             : rowOf(mark.on ? cell.high : cell.low, range, canvas.rows());
            canvas.mark(column, row, mark.lamp, mark.on, ratio);
        }
    }
}

int TrendPlot::columnOf(Millis time, int columns) const
{
    return int(floorDivide((time - from_) * columns, to_ - from_));
}

void TrendPlot::paintAxes(QPainter &painter, const Ticks &ticks, const QRect &device, qreal ratio) const
{
    const QRect area = plotArea();
    painter.setPen(Qt::black);
    if (ownScales_ && seriesShown(selected_))
        painter.setPen(seriesColor(selected_));
    const bool percent = ownScales_ && !seriesShown(selected_);
    for (const auto &[row, value] : ticks.values) {
        const double y = (device.top() + row) / ratio;
        const QString text = QLocale().toString(value, 'g', 6) + (percent ? QStringLiteral(" %") : QString());
        painter.drawText(QRectF(0, y - 8, LeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter, text);
    }
    painter.setPen(Qt::black);
    if (!hasData()) {
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("No data"));
        return;
    }
    const int labelWidth = QFontMetrics(font()).horizontalAdvance(QStringLiteral("00-00 00:00:00")) + 16;
    for (const auto &[column, t] : ticks.times) {
        const double x = (device.left() + column + 0.5) / ratio;
        const QDateTime time = localTime(t);
        QString text = time.toString(ticks.withSeconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
        if (ticks.withDate)
            text = time.toString(QStringLiteral("MM-dd ")) + text;
        painter.drawText(QRectF(x - labelWidth / 2.0, area.bottom() + 4, labelWidth, 16), Qt::AlignCenter, text);
    }
    painter.drawText(QRect(area.left(), area.bottom() + 18, area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
                     localTime(from_).toString(QStringLiteral("yyyy-MM-dd")));
}

void TrendPlot::paintCursor(QPainter &painter, qreal ratio) const
{
    if (!cursor_ || *cursor_ < from_ || *cursor_ >= to_)
        return;
    const QRect area = plotArea();
    const int left = int(std::lround(area.left() * ratio));
    const int columns = int(std::lround(area.width() * ratio));
    const double x = (left + columnOf(*cursor_, columns) + 0.5) / ratio;
    painter.setPen(QPen(Qt::darkGray, 0, Qt::DashLine));
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
}

void TrendPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const qreal ratio = paintRatio(painter);
    const int columns = std::max(1, int(std::lround(plotArea().width() * ratio)));
    if (source_) {
        updateEnvelopes(columns, ratio);
    } else {
        spans_.clear();
        marks_.clear();
    }
    if (!pictureValid_ || picture_.devicePixelRatio() != ratio
        || picture_.size() != QSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio))))
        rebuildPicture(ratio);
    painter.drawImage(QPoint(0, 0), picture_);
    paintCursor(painter, ratio);
}

QString TrendPlot::markTipAt(QPoint position) const
{
    if (!source_ || !pictureValid_)
        return {};
    const qreal ratio = picture_.devicePixelRatio();
    const QRect area = plotArea();
    const int columns = int(spans_.empty() ? 0 : kept_.columns);
    const int half = PlotCanvas::markHalfWidth(ratio);
    double best = INFINITY;
    QString tip;
    for (const int s : drawingOrder()) {
        const std::pair<double, double> range = ranges_[std::size_t(s)];
        for (const trend::AlarmMark &mark : marks_[std::size_t(s)]) {
            const int column = columnOf(mark.time, columns);
            if (column < 0 || column >= int(spans_[std::size_t(s)].size()))
                continue;
            const Span &cell = spans_[std::size_t(s)][std::size_t(column)];
            const double x = area.left() + (column + 0.5) / ratio;
            const int row = !cell.hasValue() ? 0 : rowOf(mark.on ? cell.high : cell.low, range,
                                                             int(std::lround(area.height() * ratio)));
            const double y = area.top() + row / ratio + (mark.on ? -5.0 : 5.0);
            const double dx = std::abs(position.x() - x), dy = std::abs(position.y() - y);
            if (dx > half / ratio + 2 || dy > 8 || dx + dy >= best)
                continue;
            best = dx + dy;
            tip = QStringLiteral("%1\n%2: A%3 %4")
                      .arg(localTime(mark.time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                           source_->seriesName(s))
                      .arg(mark.lamp)
                      .arg(mark.on ? QStringLiteral("on") : QStringLiteral("off"));
        }
    }
    return tip;
}
