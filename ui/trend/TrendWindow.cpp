#include "ui/trend/TrendWindow.h"

#include "config/Prompter.h"
#include "trend/CsvExport.h"
#include "trend/ExportFile.h"
#include "trend/LogChart.h"
#include "ui/trend/TrendPlot.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <cmath>

namespace {
QPushButton *addButton(QHBoxLayout *bar, const QString &name, const QString &caption)
{
    auto *button = new QPushButton(caption);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::TabFocus); // clicks leave the keys with the plot
    bar->addWidget(button);
    return button;
}
} // namespace

// One reading of log files on its own thread. The thread touches only the
// chart, the error text and the two atomics; the window takes the chart once
// the thread has finished.
struct TrendWindow::Reading {
    std::unique_ptr<trend::LogChart> chart = std::make_unique<trend::LogChart>();
    QString error;
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    std::unique_ptr<QThread> thread;
    quint64 number = 0; // which reading of the window: a cancelled one's end is ignored

    ~Reading()
    {
        cancel = true;
        if (thread)
            thread->wait();
    }
};

TrendWindow::TrendWindow(const trend::TrendSource *live, Prompter &prompter, QWidget *parent)
    : QWidget(parent, Qt::Window), live_(live), prompter_(prompter), plot_(new TrendPlot),
      series_(new QListWidget), readout_(new QLabel), status_(new QLabel), liveButton_(nullptr),
      progress_(new QProgressBar), progressTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("trendWindow"));
    setWindowTitle(QStringLiteral("Trend"));
    resize(1000, 600);

    auto *bar = new QHBoxLayout;
    if (live_) {
        liveButton_ = addButton(bar, QStringLiteral("liveButton"), QStringLiteral("&Live"));
        connect(liveButton_, &QPushButton::clicked, this, &TrendWindow::showLive);
    }
    openButton_ = addButton(bar, QStringLiteral("openButton"), QStringLiteral("&Open log files..."));
    connect(openButton_, &QPushButton::clicked, this, &TrendWindow::chooseFiles);
    connect(addButton(bar, QStringLiteral("showAllButton"), QStringLiteral("Show &all")), &QPushButton::clicked,
            plot_, [this] {
                plot_->setFollowing(false);
                plot_->showAll();
            });
    auto *scaleButton = addButton(bar, QStringLiteral("scaleButton"), QStringLiteral("Own &scales"));
    scaleButton->setCheckable(true); // each series over its own range, the selected one's values on the axis
    connect(scaleButton, &QPushButton::toggled, plot_, &TrendPlot::setOwnScales);
    connect(addButton(bar, QStringLiteral("pngButton"), QStringLiteral("Export &PNG...")), &QPushButton::clicked,
            this, [this] { chooseExport(true); });
    connect(addButton(bar, QStringLiteral("csvButton"), QStringLiteral("Export &CSV...")), &QPushButton::clicked,
            this, [this] { chooseExport(false); });
    bar->addStretch();
    progress_->setObjectName(QStringLiteral("readProgress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(160);
    progress_->hide();
    bar->addWidget(progress_);
    cancelButton_ = addButton(bar, QStringLiteral("cancelReadButton"), QStringLiteral("Cance&l reading"));
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, &TrendWindow::cancelReading);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &TrendWindow::showProgress);

    series_->setObjectName(QStringLiteral("seriesList"));
    series_->setFixedWidth(260);
    readout_->setObjectName(QStringLiteral("cursorReadout"));
    status_->setObjectName(QStringLiteral("trendStatus"));
    auto *side = new QVBoxLayout;
    side->addWidget(readout_);
    side->addWidget(series_);
    auto *middle = new QHBoxLayout;
    middle->addWidget(plot_, 1);
    middle->addLayout(side);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addLayout(middle, 1);
    layout->addWidget(status_);

    connect(series_, &QListWidget::itemChanged, this, &TrendWindow::onItemChanged);
    connect(series_, &QListWidget::currentRowChanged, plot_, &TrendPlot::setSelectedSeries);
    connect(plot_, &TrendPlot::cursorMoved, this, &TrendWindow::updateReadout);
    setFocusProxy(plot_);
    if (live_)
        showLive();
}

TrendWindow::~TrendWindow() = default; // a reading still running is cancelled and waited for

bool TrendWindow::showingLive() const { return live_ && plot_->source() == live_; }

qint64 TrendWindow::skippedLines() const { return files_ ? files_->skippedLines() : 0; }

void TrendWindow::showLive()
{
    if (!live_)
        return;
    showSource(live_);
    for (int s = 0; s < series_->count(); ++s)
        series_->item(s)->setCheckState(!shownAtFirst || shownAtFirst(s) ? Qt::Checked : Qt::Unchecked);
    plot_->setFollowing(true);
    status_->setText(QStringLiteral("Live: the PVs of this run, as polled."));
}

void TrendWindow::openFiles(const QStringList &paths)
{
    reading_.reset();
    auto reading = std::make_unique<Reading>();
    Reading *r = reading.get();
    r->number = ++readings_;
    r->thread.reset(QThread::create([r, paths] {
        r->chart->open(paths, &r->error, [r](qint64 done, qint64 total) {
            r->permille = total > 0 ? int(done * 1000 / total) : 0;
            return !r->cancel;
        });
    }));
    // Its end is noticed by the progress timer, not by a queued signal: a
    // timer never runs inside a step of the main loop, so the chart and a
    // box about the files left out come between two steps.
    reading_ = std::move(reading);
    openButton_->setEnabled(false);
    progress_->setValue(0);
    progress_->show();
    cancelButton_->show();
    status_->setText(QStringLiteral("Reading %1 log file(s)...").arg(paths.size()));
    progressTimer_->start();
    r->thread->start(QThread::LowPriority);
}

void TrendWindow::cancelReading()
{
    if (!reading_)
        return;
    reading_.reset();
    endReading();
    status_->setText(QStringLiteral("Reading the log files was cancelled."));
    emit filesOpened(false);
}

void TrendWindow::showProgress()
{
    if (!reading_)
        return;
    if (reading_->thread->isFinished())
        readingDone(reading_->number);
    else
        progress_->setValue(reading_->permille);
}

void TrendWindow::endReading()
{
    progressTimer_->stop();
    progress_->hide();
    cancelButton_->hide();
    openButton_->setEnabled(true);
}

void TrendWindow::readingDone(quint64 number)
{
    if (!reading_ || reading_->number != number) // an earlier reading, cancelled
        return;
    const std::unique_ptr<Reading> done = std::move(reading_);
    done->thread->wait();
    endReading();
    if (done->chart->cancelled()) {
        status_->setText(QStringLiteral("Reading the log files was cancelled."));
        emit filesOpened(false);
        return;
    }
    if (!done->error.isEmpty()) // the files left out, each with its reason
        prompter_.message(done->error, QString(), Prompter::Icon::Warning);
    if (done->chart->files().isEmpty()) {
        status_->setText(QStringLiteral("No log file could be read."));
        emit filesOpened(false);
        return;
    }
    plot_->setFollowing(false);
    showSource(done->chart.get());
    files_ = std::move(done->chart); // after the plot has let go of the old chart
    const qint64 skipped = files_->skippedLines();
    status_->setText(QStringLiteral("%1 file(s) shown. %2 line(s) were not records and were skipped.")
                         .arg(files_->files().size())
                         .arg(skipped));
    emit filesOpened(true);
}

void TrendWindow::liveGrew()
{
    if (showingLive() && isVisible())
        plot_->sourceGrew();
}

void TrendWindow::showSource(const trend::TrendSource *source)
{
    plot_->setSource(source);
    const QSignalBlocker quiet(series_);
    series_->clear();
    for (int s = 0; s < source->seriesCount(); ++s) {
        auto *item = new QListWidgetItem(source->seriesName(s), series_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setForeground(TrendPlot::seriesColor(s));
    }
    updateReadout();
}

void TrendWindow::onItemChanged(QListWidgetItem *item)
{
    plot_->setSeriesShown(series_->row(item), item->checkState() == Qt::Checked);
}

void TrendWindow::updateReadout()
{
    const trend::TrendSource *source = plot_->source();
    if (!source || !plot_->cursorTime()) {
        readout_->setText(QStringLiteral("Move the mouse over the curves to read them."));
        return;
    }
    const trend::Millis time = *plot_->cursorTime();
    readout_->setText(QDateTime::fromMSecsSinceEpoch(time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const QSignalBlocker quiet(series_);
    for (int s = 0; s < series_->count() && s < source->seriesCount(); ++s) {
        const float value = source->valueAt(s, time);
        const QString shown = std::isnan(value) ? QStringLiteral("----") : QLocale().toString(value, 'g', 7);
        series_->item(s)->setText(source->seriesName(s) + QStringLiteral("\t") + shown);
    }
}

void TrendWindow::chooseFiles()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, QStringLiteral("Open log files"), QStringLiteral("log"),
                                                            QStringLiteral("Log files (*.TXT *.txt);;All files (*)"));
    if (!paths.isEmpty())
        openFiles(paths);
}

void TrendWindow::chooseExport(bool png)
{
    const QString path = QFileDialog::getSaveFileName(
        this, png ? QStringLiteral("Export PNG") : QStringLiteral("Export CSV"), QString(),
        png ? QStringLiteral("PNG images (*.png)") : QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        png ? exportPng(path) : exportCsv(path);
}

bool TrendWindow::exportPng(const QString &path)
{
    // Encoded in memory first: the PNG writer is never the one to meet a
    // failed write (it leaks its row buffer when it does).
    QByteArray png;
    QBuffer buffer(&png);
    const bool encoded = buffer.open(QIODevice::WriteOnly) && plot_->grab().toImage().save(&buffer, "PNG");
    QString error = QStringLiteral("the image could not be made");
    if (encoded
        && trend::writeExport(path, [&png](QIODevice &file) { return file.write(png) == png.size(); }, &error))
        return true;
    prompter_.message(QStringLiteral("Cannot write the file %1.\n%2").arg(path, error), QString(),
                      Prompter::Icon::Warning);
    return false;
}

bool TrendWindow::exportCsv(const QString &path)
{
    const trend::TrendSource *source = plot_->source();
    if (!source)
        return false;
    std::vector<int> ticked;
    for (int series = 0; series < source->seriesCount(); ++series) {
        if (plot_->seriesShown(series))
            ticked.push_back(series);
    }
    QString error;
    if (trend::exportCsv(*source, plot_->from(), plot_->to(), ticked, path, &error))
        return true;
    prompter_.message(QStringLiteral("Cannot write the file %1.\n%2").arg(path, error), QString(),
                      Prompter::Icon::Warning);
    return false;
}
