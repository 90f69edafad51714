#pragma once
// The curves of a trend source against absolute date and time: one pixel
// column at a time, each drawn from the lowest to the highest value that
// falls in it, so that no extreme is lost however many samples a column
// covers. Pans with a drag or the arrow keys, zooms with the wheel or +/-,
// and reads out the values under a cursor that follows the mouse.
//
// Drawn at device pixels, whatever the scale factor. The envelopes, the
// marks and the picture of grid, curves, marks and axes are kept until the
// data, the range, the size, the shown series or the scaling change; a
// repaint for the cursor draws the kept picture and the cursor line over it.
// While following, the range moves by whole columns, so that an appended
// cycle recomputes only the columns at the right edge.

#include "trend/TrendSource.h"
#include "ui/trend/PlotCanvas.h"

#include <QWidget>

#include <optional>
#include <vector>

class TrendPlot : public QWidget {
    Q_OBJECT
public:
    explicit TrendPlot(QWidget *parent = nullptr);

    // The source drawn (not owned; null draws nothing). Shows all of it.
    void setSource(const trend::TrendSource *source);
    const trend::TrendSource *source() const { return source_; }

    void setSeriesShown(int series, bool shown);
    bool seriesShown(int series) const;

    // Each series scaled to its own range (0..100 % of the plot's height)
    // instead of one value axis for all; the axis then reads the selected
    // series' values, or percent when none is selected.
    void setOwnScales(bool own);
    bool ownScales() const { return ownScales_; }
    // The series drawn last (on top) and read on the axis; -1 for none.
    void setSelectedSeries(int series);
    int selectedSeries() const { return selected_; }

    trend::Millis from() const { return from_; }
    trend::Millis to() const { return to_; }
    // The time range shown; at least one second wide.
    void setRange(trend::Millis from, trend::Millis to);
    // The whole source.
    void showAll();
    // While following, the newest sample stays at the right edge as samples
    // come; a pan or zoom into the past stops it, End resumes it.
    void setFollowing(bool following);
    bool following() const { return following_; }
    // New samples in the source: follow them or just repaint.
    void sourceGrew();

    // The time under the cursor, once the mouse has been over the plot.
    std::optional<trend::Millis> cursorTime() const { return cursor_; }
    void setCursorTime(trend::Millis time);

    // Where the curves go, in the widget's coordinates.
    QRect plotArea() const;
    // The values at the bottom and the top edge of a series' curves as last
    // drawn (the same for every series unless each has its own scale): a
    // value v is drawn at device row round((top - v) / (top - bottom) *
    // (rows - 1)) of the plot area.
    std::pair<double, double> valueRange(int series) const;

    static QColor seriesColor(int series);

signals:
    void cursorMoved(trend::Millis time);
    void rangeChanged();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    trend::Millis timeAt(double x) const;
    double xOf(trend::Millis time) const;
    // Zooms by the factor (below 1: in) keeping the time at x in place.
    void zoom(double factor, double x);
    void pan(double fractionOfWidth);

    // What the kept picture depends on, from the cheapest to redo up.
    void pictureChanged();  // the picture only (shown series, selection, scaling)
    void dataChanged();     // the envelopes and marks too

    // Brings the envelopes and marks up to the range and `columns`, reusing
    // the columns that a move by whole columns keeps.
    void updateEnvelopes(int columns, qreal ratio);
    void updateValueRanges();
    // The values at the bottom and top of the value axis.
    std::pair<double, double> axisRange() const;
    // The device column of `time` among `columns` of the range.
    int columnOf(trend::Millis time, int columns) const;

    // The parts of the picture, drawn in this order.
    struct Ticks {
        std::vector<std::pair<int, double>> values;      // device row, value
        std::vector<std::pair<int, trend::Millis>> times; // device column, time
        bool withSeconds = false;
        bool withDate = false;
    };
    void rebuildPicture(qreal ratio);
    void paintGrid(PlotCanvas &canvas, Ticks &ticks) const;
    void paintCurves(PlotCanvas &canvas) const;
    void paintMarks(PlotCanvas &canvas, qreal ratio) const;
    void paintAxes(QPainter &painter, const Ticks &ticks, const QRect &device, qreal ratio) const;
    void paintCursor(QPainter &painter, qreal ratio) const;
    bool hasData() const;
    // The shown series in drawing order: the selected one last, on top.
    std::vector<int> drawingOrder() const;
    // The text of the alarm mark drawn at `position`; empty when none is.
    QString markTipAt(QPoint position) const;

    const trend::TrendSource *source_ = nullptr;
    std::vector<bool> shown_;
    bool ownScales_ = false;
    int selected_ = -1;
    trend::Millis from_ = 0;
    trend::Millis to_ = 1000;
    bool following_ = false;
    std::optional<trend::Millis> cursor_;
    std::optional<int> dragStartX_;
    trend::Millis dragStartFrom_ = 0;

    // Kept between repaints.
    struct Kept {
        trend::Millis from = 0, to = 0, lastTime = 0;
        int columns = 0;
        bool valid = false;
    } kept_;
    std::vector<std::vector<trend::Span>> spans_;          // per series, a device column each
    std::vector<std::vector<trend::AlarmMark>> marks_;     // per series
    std::vector<std::pair<double, double>> ranges_;        // per series: bottom and top value
    QImage picture_;
    bool pictureValid_ = false;
};
