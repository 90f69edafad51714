#include "ui/trend/PlotCanvas.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

// The marks' pictures at one scale factor: for lamps 1..3, off and on, a
// triangle (tip up: turned on, tip down: turned off) with a dark outline so
// that it shows on any curve, and beside it its lamp's name on a white tag.
// Every pixel of both is opaque, so a mark is copied, not blended: a week of
// alarms on 31 channels draws thousands.
struct MarkSprites {
    struct Pixel {
        short x, y;
        QRgb colour;
    };
    std::array<std::vector<Pixel>, 2> triangles; // off, on
    std::array<QImage, 3> labels;                // lamps 1..3
    int half = 4;
    int height = 0;
    int labelLeft = 0;
};

const MarkSprites &sprites(qreal ratio)
{
    static std::map<qreal, MarkSprites> kept;
    auto found = kept.find(ratio);
    if (found != kept.end())
        return found->second;
    MarkSprites made;
    made.half = PlotCanvas::markHalfWidth(ratio);
    const int half = made.half;
    made.height = std::max(half + 1, int(std::ceil(11 * ratio)));
    made.labelLeft = 2 * half + 2;
    const QRgb outline = qRgb(40, 40, 40);
    for (const bool on : {false, true}) {
        // Pixel by pixel, so that the tip is exactly on column `half`.
        const int top = (made.height - (half + 1)) / 2;
        for (int r = 0; r <= half; ++r)
            for (int x = half - r; x <= half + r; ++x)
                made.triangles[on].push_back({short(x), short(top + (on ? r : half - r)),
                                              (x == half - r || x == half + r || r == half) ? outline
                                                                                            : PlotCanvas::markFill(on)});
    }
    for (int lamp = 1; lamp <= 3; ++lamp) {
        QImage label(PlotCanvas::markWidth(ratio) - made.labelLeft, made.height, QImage::Format_RGB32);
        label.fill(Qt::white);
        label.setDevicePixelRatio(ratio); // the text in logical pixels, drawn at device pixels
        QPainter text(&label);
        QFont font = text.font();
        font.setPixelSize(9);
        font.setBold(true);
        text.setFont(font);
        text.setPen(QColor(outline));
        text.drawText(QRectF(0, 0, label.width() / ratio, label.height() / ratio), Qt::AlignCenter,
                      QStringLiteral("A%1").arg(lamp));
        text.end();
        made.labels[std::size_t(lamp - 1)] = label;
    }
    return kept.emplace(ratio, std::move(made)).first->second;
}

} // namespace

PlotCanvas::PlotCanvas(QImage &image, const QRect &area)
    : bits_(image.bits()), stride_(image.bytesPerLine()), area_(area.intersected(QRect(QPoint(), image.size()))),
      image_(QPoint(), image.size())
{
}

void PlotCanvas::run(int column, int top, int bottom, QRgb colour)
{
    if (column < 0 || column >= columns())
        return;
    top = std::max(top, 0);
    bottom = std::min(bottom, rows() - 1);
    QRgb *at = pixel(area_.left() + column, area_.top() + top);
    const std::ptrdiff_t step = stride_ / std::ptrdiff_t(sizeof(QRgb));
    for (int y = top; y <= bottom; ++y, at += step)
        *at = colour;
}

void PlotCanvas::gridRow(int row, QRgb colour)
{
    if (row >= 0 && row < rows())
        std::fill_n(pixel(area_.left(), area_.top() + row), columns(), colour);
}

void PlotCanvas::gridColumn(int column, QRgb colour) { run(column, 0, rows() - 1, colour); }

void PlotCanvas::line(int x0, int y0, int x1, int y1, QRgb colour)
{
    // Bresenham: one pixel per step of the longer axis.
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        if (x0 >= 0 && x0 < columns() && y0 >= 0 && y0 < rows())
            *pixel(area_.left() + x0, area_.top() + y0) = colour;
        if (x0 == x1 && y0 == y1)
            return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

int PlotCanvas::markHalfWidth(qreal ratio) { return std::max(3, int(std::lround(4 * ratio))); }

int PlotCanvas::markWidth(qreal ratio) { return 2 * markHalfWidth(ratio) + 2 + int(std::ceil(14 * ratio)); }

void PlotCanvas::mark(int column, int row, int lamp, bool on, qreal ratio)
{
    if (lamp < 1 || lamp > 3)
        return;
    const MarkSprites &all = sprites(ratio);
    const int left = area_.left() + column - all.half;
    const int top = area_.top() + (on ? row - all.height : row + 1);
    for (const MarkSprites::Pixel &dot : all.triangles[on]) {
        const int x = left + dot.x, y = top + dot.y;
        if (x >= area_.left() && x <= area_.right() && y >= area_.top() && y <= area_.bottom())
            *pixel(x, y) = dot.colour;
    }
    // The label's rows, clipped to the plot area.
    const QImage &label = all.labels[std::size_t(lamp - 1)];
    const QRect target = QRect(left + all.labelLeft, top, label.width(), label.height()).intersected(area_);
    for (int y = target.top(); y <= target.bottom(); ++y)
        std::copy_n(reinterpret_cast<const QRgb *>(label.constScanLine(y - top)) + (target.left() - left - all.labelLeft),
                    target.width(), pixel(target.left(), y));
}
