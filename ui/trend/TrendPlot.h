#pragma once
// The curves of a trend source against absolute date and time: one pixel
// column at a time, each drawn from the lowest to the highest value that
// falls in it, so that no extreme is lost however many samples a column
// covers. Pans with a drag or the arrow keys, zooms with the wheel or +/-,
// and reads out the values under a cursor that follows the mouse.

#include "trend/TrendSource.h"

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

    static QColor seriesColor(int series);

signals:
    void cursorMoved(trend::Millis time);
    void rangeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QRect plotArea() const;
    trend::Millis timeAt(double x) const;
    double xOf(trend::Millis time) const;
    // Zooms by the factor (below 1: in) keeping the time at x in place.
    void zoom(double factor, double x);
    void pan(double fractionOfWidth);

    const trend::TrendSource *source_ = nullptr;
    std::vector<bool> shown_;
    trend::Millis from_ = 0;
    trend::Millis to_ = 1000;
    bool following_ = false;
    std::optional<trend::Millis> cursor_;
    std::optional<int> dragStartX_;
    trend::Millis dragStartFrom_ = 0;
};
