#pragma once
// The pixels of a trend plot's picture: runs, grid lines, joins and alarm
// marks written straight into an image at device pixels, so that a curve is
// exactly one device pixel wide and a column's run covers exactly its rows,
// at any scale factor. A repaint of the plot is a few ten thousand of these
// runs, too many to go through a painter one by one.

#include "trend/TrendSource.h"

#include <QImage>
#include <QRect>

class PlotCanvas {
public:
    // Writes into `image` (32 bits a pixel); `area` is the plot area in the
    // image's device pixels.
    PlotCanvas(QImage &image, const QRect &area);

    int columns() const { return area_.width(); }
    int rows() const { return area_.height(); }

    // Rows top..bottom (both included) of a column of the plot area,
    // clipped to it.
    void run(int column, int top, int bottom, QRgb colour);
    void gridRow(int row, QRgb colour);
    void gridColumn(int column, QRgb colour);
    // A one-pixel line between two points of the plot area, clipped to it.
    void line(int x0, int y0, int x1, int y1, QRgb colour);

    // An alarm mark of `lamp` (1..3) turning on or off, its triangle's tip
    // on `column` and against `row` (above it for on, below for off).
    void mark(int column, int row, int lamp, bool on, qreal ratio);
    // The width of a mark and its label in device pixels.
    static int markWidth(qreal ratio);
    // The least distance between two marks of a series drawn with their tip
    // the same way: a mark's width and as much room again, so that dense
    // alarms stay legible and cheap to draw.
    static int markSpacing(qreal ratio) { return 2 * markWidth(ratio); }
    // Half the width of a mark's triangle in device pixels: the triangle
    // covers its column and this many on each side.
    static int markHalfWidth(qreal ratio);
    // The fill of a mark's triangle.
    static QRgb markFill(bool on) { return on ? qRgb(255, 0, 0) : qRgb(0, 170, 0); }

private:
    QRgb *pixel(int x, int y) { return reinterpret_cast<QRgb *>(bits_ + std::ptrdiff_t(y) * stride_) + x; }

    uchar *bits_;
    qsizetype stride_;
    QRect area_;
    QRect image_;
};
