#pragma once
// The trend window: the PVs of the ticked channels over date and time, either
// live from this run's polling or from log files opened as charts; a cursor
// that reads out the time and each value; export of the shown range as PNG
// and CSV. The program keeps one (closing it only hides it, so the live
// history goes on); vtx500-trend shows one on its own, for log files only.
// Log files are read on a thread of their own, with progress and a Cancel
// button, so that polling, logging and painting go on meanwhile.

#include "trend/TrendSource.h"

#include <QDate>
#include <QWidget>

#include <functional>
#include <memory>

class Prompter;
class QLabel;
class QImage;
class QTreeWidget;
class QTreeWidgetItem;
class QProgressBar;
class QPushButton;
class QTimer;
class TrendPlot;
namespace trend {
class JournalMarks;
class LogChart;
}

class TrendWindow : public QWidget {
    Q_OBJECT
public:
    // live: the history of this run, or null for log files only. Messages
    // (a file that cannot be read or written) go through the prompter.
    TrendWindow(const trend::TrendSource *live, Prompter &prompter, QWidget *parent = nullptr);
    ~TrendWindow() override;

    // Which series are ticked when the live history is shown; all when unset.
    // A log chart ticks the channels that hold a value.
    std::function<bool(int series)> shownAtFirst;
    // Asks the date a log file began whose name carries none (a renamed
    // log), suggesting `suggested`; an invalid date leaves the file out.
    // A small dialog unless set otherwise (tests answer it).
    std::function<QDate(const QString &path, QDate suggested)> askDate;

    // The program's name for the title and the boxes (vtx500-trend on its
    // own); the title then says which files are shown. Unset: the window is
    // "Trend" and its boxes have the application's title.
    void setProgramTitle(const QString &title);

    // Shows the live history, following its newest samples.
    void showLive();
    // Starts reading log files as one chart, away from the window's thread,
    // and returns at once; a reading still running is cancelled first. When
    // the reading ends, files that could not be read are told, each with its
    // reason, the others shown, and filesOpened() says whether any was.
    void openFiles(const QStringList &paths);
    bool reading() const { return reading_ != nullptr; }
    // Stops the reading; the chart shown before stays.
    void cancelReading();
    // New samples in the live history (called after each polling cycle).
    void liveGrew();

    // The shown range: the curves as drawn under a title and the time range,
    // with a legend of the ticked channels; or the ticked series' values.
    bool exportPng(const QString &path);
    QImage reportImage() const;
    bool exportCsv(const QString &path);

    TrendPlot *plot() const { return plot_; }
    bool showingLive() const;
    // Lines of the opened files that were not records.
    qint64 skippedLines() const;

signals:
    void filesOpened(bool shown);

private:
    struct Reading;
    void showSource(const trend::TrendSource *source);
    void updateReadout();
    void updateFollowing();
    void updateTitle();
    void tell(const QString &text);
    QString rangeText() const;
    void onItemChanged(QTreeWidgetItem *item, int column);
    void chooseFiles();
    void chooseExport(bool png);
    void showProgress();
    void readingDone(quint64 number);
    void endReading();

    const trend::TrendSource *live_;
    Prompter &prompter_;
    std::unique_ptr<trend::LogChart> files_;
    std::unique_ptr<trend::JournalMarks> marks_; // what the plot shows of files_
    std::unique_ptr<Reading> reading_;
    quint64 readings_ = 0;
    QString programTitle_;
    bool liveTickedByMonitoring_ = false;
    TrendPlot *plot_;
    QTreeWidget *series_;
    QLabel *readout_;
    QLabel *status_;
    QPushButton *liveButton_;
    QPushButton *openButton_;
    QPushButton *cancelButton_;
    QProgressBar *progress_;
    QTimer *progressTimer_;
};
