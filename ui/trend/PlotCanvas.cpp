#include "ui/trend/PlotCanvas.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

// The marks' pictures at one scale factor: for lamps 1..3, off and on, a
// triangle (tip up: turned on, tip down: turned off) with a dark outline so
// that it shows on any curve, and its lamp's name on a white halo.
struct MarkSprites {
    // Only the pixels that show, each with its place in the sprite: a
    // mark is mostly transparent, and a week of alarms draws thousands.
    struct Pixel {
        short x, y;
        QRgb colour; // premultiplied
    };
    std::array<std::vector<Pixel>, 6> pixels;
    int half = 4;
    int height = 0;
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
    const int width = PlotCanvas::markWidth(ratio);
    const int height = std::max(half + 1, int(std::ceil(11 * ratio)));
    const QRgb outline = qRgb(40, 40, 40);
    for (int lamp = 1; lamp <= 3; ++lamp)
        for (const bool on : {false, true}) {
            QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            // The triangle pixel by pixel, so that its tip is exactly on column `half`.
            const int top = (height - (half + 1)) / 2;
            for (int r = 0; r <= half; ++r) {
                const int y = top + (on ? r : half - r);
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = half - r; x <= half + r; ++x)
                    line[x] = (x == half - r || x == half + r || r == half) ? outline : PlotCanvas::markFill(on);
            }
            image.setDevicePixelRatio(ratio); // the label in logical pixels, drawn at device pixels
            QPainter text(&image);
            QFont font = text.font();
            font.setPixelSize(9);
            font.setBold(true);
            text.setFont(font);
            const QRectF box((2 * half + 2) / ratio, 0, (width - 2 * half - 2) / ratio, height / ratio);
            const QString name = QStringLiteral("A%1").arg(lamp);
            text.setPen(Qt::white);
            for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
                text.drawText(box.translated(offset), Qt::AlignLeft | Qt::AlignVCenter, name);
            text.setPen(QColor(outline));
            text.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, name);
            text.end();
            std::vector<MarkSprites::Pixel> &shown = made.pixels[std::size_t((lamp - 1) * 2 + (on ? 1 : 0))];
            for (int y = 0; y < height; ++y) {
                const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                for (int x = 0; x < width; ++x)
                    if (qAlpha(line[x]) > 0)
                        shown.push_back({short(x), short(y), line[x]});
            }
            made.height = height;
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
    // Over what is there, clipped to the plot area only at its edges.
    const std::vector<MarkSprites::Pixel> &dots = all.pixels[std::size_t((lamp - 1) * 2 + (on ? 1 : 0))];
    const bool inside = area_.contains(QRect(left, top, markWidth(ratio), all.height));
    for (const MarkSprites::Pixel &dot : dots) {
        const int x = left + dot.x, y = top + dot.y;
        if (!inside && (x < area_.left() || x > area_.right() || y < area_.top() || y > area_.bottom()))
            continue;
        QRgb *to = pixel(x, y);
        const uint keep = 255 - qAlpha(dot.colour);
        if (keep == 0) {
            *to = dot.colour;
            continue;
        }
        // Premultiplied over opaque, each channel: source + destination * (1 - alpha).
        const QRgb under = *to;
        const uint redBlue = ((under & 0xff00ff) * keep >> 8) & 0xff00ff;
        const uint green = ((under & 0x00ff00) * keep >> 8) & 0x00ff00;
        *to = 0xff000000u | ((dot.colour & 0xffffff) + redBlue + green);
    }
}
