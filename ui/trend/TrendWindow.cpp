#include "ui/trend/TrendWindow.h"

#include "config/Prompter.h"
#include "trend/CsvExport.h"
#include "trend/LogChart.h"
#include "ui/trend/TrendPlot.h"

#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

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

TrendWindow::TrendWindow(const trend::TrendSource *live, Prompter &prompter, QWidget *parent)
    : QWidget(parent, Qt::Window), live_(live), prompter_(prompter), plot_(new TrendPlot),
      series_(new QListWidget), readout_(new QLabel), status_(new QLabel), liveButton_(nullptr)
{
    setObjectName(QStringLiteral("trendWindow"));
    setWindowTitle(QStringLiteral("Trend"));
    resize(1000, 600);

    auto *bar = new QHBoxLayout;
    if (live_) {
        liveButton_ = addButton(bar, QStringLiteral("liveButton"), QStringLiteral("&Live"));
        connect(liveButton_, &QPushButton::clicked, this, &TrendWindow::showLive);
    }
    connect(addButton(bar, QStringLiteral("openButton"), QStringLiteral("&Open log files...")), &QPushButton::clicked,
            this, &TrendWindow::chooseFiles);
    connect(addButton(bar, QStringLiteral("showAllButton"), QStringLiteral("Show &all")), &QPushButton::clicked,
            plot_, [this] {
                plot_->setFollowing(false);
                plot_->showAll();
            });
    connect(addButton(bar, QStringLiteral("pngButton"), QStringLiteral("Export &PNG...")), &QPushButton::clicked,
            this, [this] { chooseExport(true); });
    connect(addButton(bar, QStringLiteral("csvButton"), QStringLiteral("Export &CSV...")), &QPushButton::clicked,
            this, [this] { chooseExport(false); });
    bar->addStretch();

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
    connect(plot_, &TrendPlot::cursorMoved, this, &TrendWindow::updateReadout);
    setFocusProxy(plot_);
    if (live_)
        showLive();
}

TrendWindow::~TrendWindow() = default;

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

bool TrendWindow::openFiles(const QStringList &paths)
{
    auto chart = std::make_unique<trend::LogChart>();
    QString error;
    chart->open(paths, &error);
    if (!error.isEmpty()) // the files left out, each with its reason
        prompter_.message(error, QString(), Prompter::Icon::Warning);
    if (chart->files().isEmpty())
        return false;
    plot_->setFollowing(false);
    showSource(chart.get());
    files_ = std::move(chart); // after the plot has let go of the old chart
    const qint64 skipped = files_->skippedLines();
    status_->setText(QStringLiteral("%1 file(s) shown. %2 line(s) were not records and were skipped.")
                         .arg(files_->files().size())
                         .arg(skipped));
    return true;
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
    if (plot_->grab().save(path, "PNG"))
        return true;
    prompter_.message(QStringLiteral("Cannot write the file %1.").arg(path), QString(), Prompter::Icon::Warning);
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
