// The monitor window's pieces: channel panels, menus, help viewer, about
// box, the real message boxes and the trend window.
#include "trend/LiveHistory.h"
#include "ui/QtPrompter.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmSplash.h"
#include "ui/main/HelpViewer.h"
#include "ui/main/MainMenu.h"
#include "ui/main/MonitorPanels.h"
#include "trend/LiveHistory.h"
#include "ui/trend/TrendPlot.h"
#include "ui/trend/TrendWindow.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedPrompter.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QToolTip>
#include <QtTest>

Q_DECLARE_METATYPE(Prompter::Answer)
Q_DECLARE_METATYPE(Prompter::Icon)

namespace {
struct ModalSeen {
    QString title;
    QWidget *owner = nullptr;
    QPoint centre;
    bool closed = false;
    int width = 0, textLines = 0; // a message box's width and lines as drawn
};

// Presses the key in the modal dialog once its event loop turns, noting what
// it was; a dialog left open is ended, so that the test fails, not waits.
void pressInModal(QObject *context, int key, ModalSeen &seen)
{
    QTimer::singleShot(0, context, [key, &seen] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            seen = {dialog->windowTitle(), dialog->parentWidget(), dialog->frameGeometry().center(), false,
                    dialog->width()};
            if (const auto *text = dialog->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
                seen.textLines = text->heightForWidth(text->width()) / text->fontMetrics().lineSpacing();
            QTest::keyClick(dialog, Qt::Key(key));
            seen.closed = !dialog->isVisible();
            if (!seen.closed)
                dialog->done(0);
        }
    });
}
} // namespace

class tst_window : public QObject {
    Q_OBJECT

    std::unique_ptr<MonitorPanels> panels_;

    QLabel *label(const QString &name) const { return panels_->findChild<QLabel *>(name); }
    // The colour a lamp is drawn with, taken beside its caption.
    QColor lamp(int channel, int lamp) const
    {
        const QImage image = label(QStringLiteral("La%1_%2").arg(lamp).arg(channel))->grab().toImage();
        return image.pixelColor(image.width() - 4, image.height() / 2);
    }

    // The first and last column with dark pixels ({w, -1} for none).
    static std::pair<int, int> inkColumns(const QImage &image)
    {
        std::pair<int, int> ink{image.width(), -1};
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 160)
                    ink = {std::min(ink.first, x), std::max(ink.second, x)};
            }
        }
        return ink;
    }

    bool showPanels()
    {
        panels_ = std::make_unique<MonitorPanels>();
        panels_->show();
        return QTest::qWaitForWindowExposed(panels_.get());
    }

private slots:
    void cleanup() { panels_.reset(); }

    // The widest value of each place and the negatives once drawn over the
    // box's border stay inside it, clear of the line.
    void pvDrawnInsideItsBox_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *text : {"-32768", "65535", "-3276.8", "6553.5", "-327.68", "655.35", "-32.768", "65.535",
                                 "-1.375", "-12.21", "-177.2", "----"})
            QTest::newRow(text) << QString::fromLatin1(text);
    }
    void pvDrawnInsideItsBox()
    {
        QFETCH(QString, text);
        QVERIFY(showPanels());
        const QFont panelFont = label("PVw17")->font();
        panels_->setPvText(17, text);
        const QImage box = label("PVw17")->grab().toImage();
        const auto [first, last] = inkColumns(box.copy(1, 1, box.width() - 2, box.height() - 2));
        QVERIFY2(first >= 2 && last < box.width() - 4 && last - first > box.width() / 3, // clear, yet not tiny
                 qPrintable(QStringLiteral("drawn over %1..%2 of %3").arg(first + 1).arg(last + 1).arg(box.width())));
        panels_->setPvText(17, QStringLiteral("1234")); // fits: the panel's font again
        QCOMPARE(label("PVw17")->font(), panelFont);
        panels_->setPvText(31, QStringLiteral("x")); // outside the grid: ignored
        panels_->setLamps(-1, 7);
        QCOMPARE(panels_->pvText(31), QString());
    }

    // A name of the full 40 characters is cut with an ellipsis before the A1
    // lamp, whole in the tool tip.
    void titleKeptBeforeTheLamps()
    {
        QVERIFY(showPanels());
        QLabel *title = label("PVwTitle3");
        const QString name = QStringLiteral("Economiser outlet temperature, line 2 BX"); // the field's 40 characters
        panels_->setTitle(3, name);
        QVERIFY(title->text().startsWith(QLatin1String("Econ")) && title->text().endsWith(QChar(0x2026)));
        QCOMPARE((QStringList{title->toolTip(), label("PVw3")->toolTip()}), (QStringList{name, name}));
        // As drawn: no ink beneath the hidden lamp and its border.
        const QRect lamp = label("La1_3")->geometry(), field = title->geometry();
        label("La1_3")->hide();
        const QRect beneath(lamp.left() - 1, field.top(), lamp.width(), label("PVw3")->y() - field.top());
        QCOMPARE(inkColumns(panels_->grab(beneath).toImage()).second, -1);
        panels_->setTitle(40, name); // outside the grid: ignored
    }

    // Only "OFF" as written hides a panel (its number stays); switched back
    // on, it shows its old value and lamps.
    void panelShowsByMonitoringState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("shown");
        QTest::newRow("ON") << "ON" << true;
        QTest::newRow("list entry OFF") << "      OFF" << false;
        QTest::newRow("lower case off is shown") << "off" << true;
    }
    void panelShowsByMonitoringState()
    {
        QFETCH(QString, state);
        QFETCH(bool, shown);
        QVERIFY(showPanels());
        ChannelTable table;
        table(7, NameItem).Value = QStringLiteral("Tank 7");
        table(7, StateItem).Value = state;
        panels_->setPvText(7, QStringLiteral("12.5"));
        panels_->setLamps(7, 5);
        panels_->SetMainWindow(table);
        QCOMPARE(label("PVwTitle7")->text(), QStringLiteral("Tank 7"));
        for (const char *name : {"PVwTitle7", "PVw7", "La1_7", "La2_7", "La3_7"})
            QCOMPARE(label(name)->isVisible(), shown);
        QVERIFY(label("NumPvw7")->isVisible());
        QVERIFY(label("PVw6")->isVisible());
        table(7, StateItem).Value = QStringLiteral("ON");
        panels_->SetMainWindow(table);
        QVERIFY(label("PVw7")->isVisible());
        QCOMPARE(label("PVw7")->text(), QStringLiteral("12.5"));
        const QColor red(255, 0, 0), green(0, 192, 0); // status 5: A1 and A3 lit, A2 not
        QCOMPARE((QList<QColor>{lamp(7, 1), lamp(7, 2), lamp(7, 3), lamp(6, 1)}),
                 (QList<QColor>{red, green, red, green}));
    }

    // The channel items past 9 take A (Dv10) to U (Dv30); the digits and the
    // other commands are worked by real keys in tests/x11/operator_input.py.
    void accessKeysReachEachCommand_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("announced");
        QTest::newRow("Setting > Setting > Dv10") << "SSA" << 10;
        QTest::newRow("Dv30") << "SSU" << 30;
    }
    void accessKeysReachEachCommand()
    {
        QFETCH(QString, keys);
        QFETCH(int, announced);
        QMainWindow window;
        auto *menu = new MainMenu(window.menuBar());
        QList<int> seen;
        connect(menu, &MainMenu::channelChosen, this, [&seen](int channel) { seen << channel; });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, keys.at(0).toLatin1(), Qt::AltModifier);
        for (const QChar key : keys.sliced(1)) {
            QWidget *open = QApplication::activePopupWidget();
            QVERIFY2(open, qPrintable(QStringLiteral("no menu open for %1").arg(key)));
            QTest::keyClick(open, key.toLatin1());
        }
        QCOMPARE(seen, QList<int>{announced});
        QVERIFY(!QApplication::activePopupWidget());
    }

    // The manual opens at its top each time; a missing file is told, its path as text.
    void helpViewer()
    {
        HelpViewer viewer;
        viewer.resize(400, 200);
        openProgramHelp(viewer);
        QVERIFY(viewer.isVisible());
        QVERIFY(viewer.toPlainText().contains(QLatin1String("No response from VTX.")));
        QScrollBar *scroll = viewer.verticalScrollBar();
        scroll->setValue(scroll->maximum()); // read further down, opened again
        openProgramHelp(viewer);
        QVERIFY(scroll->maximum() > 0 && scroll->value() == 0);
        for (const QString &file : {QStringLiteral("/tmp"), QStringLiteral("/no/<b>bold</b>/PLMVX001M")}) {
            viewer.showHelp(file);
            const QString shown = viewer.toPlainText();
            QVERIFY2(shown.contains(QLatin1String("not found")) && shown.contains(file), qPrintable(shown));
            QVERIFY(!shown.contains(QLatin1String("No response from VTX.")));
        }
    }

    // The manual beside the program wins over the installed one (that alone: package/check_package.py).
    void helpLookup_data()
    {
        QTest::addColumn<QStringList>("placed");
        QTest::addColumn<QString>("expected");
        const QString beside = QStringLiteral("bin/PLMVX001M");
        const QString installed = QStringLiteral("share/vtx500-monitor/PLMVX001M");
        QTest::newRow("both") << QStringList{beside, installed} << beside;
        QTest::newRow("neither") << QStringList() << beside;
    }
    void helpLookup()
    {
        QFETCH(QStringList, placed);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("share/vtx500-monitor")));
        for (const QString &file : placed) {
            QFile manual(root.filePath(file));
            QVERIFY(manual.open(QIODevice::WriteOnly));
        }
        QCOMPARE(helpFilePath(root.filePath(QStringLiteral("bin"))), root.filePath(expected));
    }

    // Each box is modal to its owner, centred on it, closed by its keys, and
    // wide enough for its title beside the title bar's icon and buttons and
    // for each of its lines on one line.
    void boxes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title"); // given; the application's shown for none
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<Prompter::Icon>("icon");
        QTest::addColumn<Prompter::Answer>("answer");
        using A = Prompter::Answer;
        using I = Prompter::Icon;
        const int enter = Qt::Key_Enter, escape = Qt::Key_Escape;
        QTest::newRow("about") << "about" << enter << "Version Information" << QStringList() << I::None << A::Ok;
        QTest::newRow("no response") << "message" << enter << "" << QStringList{"No response from VTX."} << I::None
                                     << A::Ok;
        QTest::newRow("communication error") << "message" << enter << "Communication error"
            << QStringList{"Communication error has occurred.",
                           "Check the connection between Host-computer<-->Comunication converter",
                           "and between Comunication converter<-->VTX-500 if they are properly connected.",
                           "Check the power supply about the Comunication converter and the VTX-500."}
            << I::Warning << A::Ok;
        QTest::newRow("question, Enter") << "question" << enter << "Completion" << QStringList{"Text"} << I::Question
                                         << A::Yes;
        QTest::newRow("question, Escape") << "question" << escape << "Completion" << QStringList{"Text"}
                                          << I::Question << A::No;
    }
    void boxes()
    {
        QFETCH(QString, box);
        QFETCH(int, key);
        QFETCH(QString, title);
        QFETCH(QStringList, lines);
        QFETCH(Prompter::Icon, icon);
        QFETCH(Prompter::Answer, answer);
        QWidget owner;
        owner.setGeometry(100, 100, 600, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QtPrompter prompter(&owner);
        ModalSeen seen;
        pressInModal(&owner, key, seen);
        Prompter::Answer given = Prompter::Answer::Ok;
        if (box == "about")
            frmAbout::showModal(&owner);
        else if (box == "message")
            prompter.message(lines.join(QStringLiteral("\r\n")), title, icon);
        else
            given = prompter.askYesNo(lines.join(QStringLiteral("\r\n")), title, icon);
        QCOMPARE(seen.owner, &owner);
        QVERIFY(seen.closed);
        QVERIFY((seen.centre - owner.frameGeometry().center()).manhattanLength() <= 4);
        QVERIFY(!owner.findChild<QDialog *>());
        QCOMPARE(seen.title, title.isEmpty() ? ApplicationTitle : title);
        QCOMPARE(given, answer);
        QFont bold = QApplication::font();
        bold.setBold(true);
        const QFontMetrics titleBar(bold); // beside an icon and two buttons
        const int titleNeed = titleBar.horizontalAdvance(seen.title) + 3 * (titleBar.height() + 8);
        QVERIFY2(seen.width >= titleNeed, qPrintable(QStringLiteral("%1 < %2").arg(seen.width).arg(titleNeed)));
        QCOMPARE(seen.textLines, lines.size()); // more: a line was broken
    }

    // Log files open as one chart, the lines that are no records counted, the
    // channels with values ticked, a renamed file with the date asked; the
    // read-out shows the values as the panels did while its cursor line is in
    // sight; a PNG has a legend below the curves, and one that does not fit
    // on the disk is told and leaves the earlier one whole.
    void trendWindowOpensLogFilesAndExports()
    {
        QTemporaryDir dir;
        QFile log(dir.filePath(QStringLiteral("261207_2359.TXT")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        QByteArray header = "Time", record = "\t1.050\t1426" + QByteArray(ChannelCount - 2, '\t');
        for (int channel = 0; channel < ChannelCount; ++channel)
            header += "\tCH " + QByteArray::number(channel);
        log.write(header + "\r\n23:59:30" + record + "\r\n00:00:30" + record + "\r\nnot a record\r\n");
        log.close();
        QVERIFY(QFile::copy(log.fileName(), dir.filePath(QStringLiteral("renamed.txt"))));
        ScriptedPrompter prompter;
        TrendWindow window(nullptr, prompter);
        window.setProgramTitle(QStringLiteral("VTX-500 Trend"));
        QStringList asked;
        window.askDate = [&asked](const QString &path, QDate) {
            asked.append(path);
            return QDate(2026, 12, 9); // after the log's: read as a second file
        };
        QSignalSpy opened(&window, &TrendWindow::filesOpened);
        window.openFiles({log.fileName(), dir.filePath(QStringLiteral("notes.txt")), dir.filePath(QStringLiteral("renamed.txt"))});
        QVERIFY(opened.wait(20000));
        QCOMPARE(opened.first().first().toBool(), true);
        QCOMPARE(asked, QStringList{dir.filePath(QStringLiteral("renamed.txt"))}); // not the missing notes.txt
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown.first().title, QStringLiteral("VTX-500 Trend"));
        QVERIFY(prompter.shown.takeFirst().text.contains(QLatin1String("notes.txt")));
        QCOMPARE(window.skippedLines(), 2);
        QVERIFY(window.windowTitle().contains(QLatin1String("261207_2359.TXT, renamed.txt")));
        QVERIFY(window.findChild<QLabel *>(QStringLiteral("trendStatus"))->text().contains(QLatin1String("2 line")));
        QCOMPARE(window.plot()->source()->seriesName(30), QStringLiteral("CH 30"));
        QVERIFY(window.plot()->seriesShown(1) && !window.plot()->seriesShown(2));

        const auto *list = window.findChild<QTreeWidget *>(QStringLiteral("seriesList"));
        const trend::Millis first = window.plot()->source()->firstTime();
        window.plot()->setCursorTime(first + 1000);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("1.050"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("1426"));
        QCOMPARE(list->topLevelItem(2)->text(1), QStringLiteral("----"));
        window.plot()->setRange(first - 7200'000, first - 3600'000); // the cursor line out of sight
        QVERIFY(list->topLevelItem(0)->text(1).isEmpty());
        window.plot()->showAll();

        const QString png = dir.filePath(QStringLiteral("shown.png"));
        QVERIFY(window.exportPng(png));
        const QImage report(png);
        QVERIFY2(report.height() > window.plot()->grab().height() + 3 * window.fontMetrics().height(),
                 qPrintable(QString::number(report.height())));
        QFile earlier(png);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        const QByteArray before = earlier.readAll();
        earlier.close();
        {
            const FileSizeLimit full(qMax<rlim_t>(64, rlim_t(before.size() / 4)));
            QVERIFY(full.isSet());
            QVERIFY(!window.exportPng(png));
        }
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), before);
        QCOMPARE(prompter.shown.size(), 1);
        QVERIFY(prompter.shown[0].text.startsWith(QStringLiteral("Cannot write the file %1.").arg(png)));
    }

    // Live: the read-out keeps the decimal places the panel showed; Live
    // stays pressed while the view follows, and a click stops or resumes it.
    void liveTrendFollowsAndReadsOut()
    {
        trend::LiveHistory history([](int channel) { return QStringLiteral("CH %1").arg(channel); });
        trend::LiveHistory::Values values;
        values.fill(NAN);
        values[0] = 98.4f;
        std::array<int, ChannelCount> decimals;
        decimals.fill(-1);
        decimals[0] = 2;
        const trend::Millis start = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < 10; ++i) {
            history.append(start + i * 1000, values, {});
            history.noteDecimals(decimals);
        }
        ScriptedPrompter prompter;
        TrendWindow window(&history, prompter);
        auto *live = window.findChild<QPushButton *>(QStringLiteral("liveButton"));
        QVERIFY(live->isChecked() && window.plot()->following());
        window.plot()->setCursorTime(start + 5000);
        QCOMPARE(window.findChild<QTreeWidget *>(QStringLiteral("seriesList"))->topLevelItem(0)->text(1),
                 QStringLiteral("98.40"));
        QTest::keyClick(window.plot(), Qt::Key_Left); // a pan into the past
        QVERIFY(!live->isChecked() && !window.plot()->following());
        live->click();
        QVERIFY(live->isChecked() && window.plot()->following());
        live->click();
        QVERIFY(!live->isChecked() && !window.plot()->following());
    }

    // A log file is read off the window's thread: its timers (the logging
    // tick) run during a gigabyte's read, and Cancel keeps the chart shown before.
    void readingLogFilesLeavesTheWindowRunning()
    {
        QTemporaryDir dir;
        QFile log(dir.filePath(QStringLiteral("261207_0800.TXT")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        QVERIFY(log.write("Time" + QByteArray(ChannelCount, '\t') + "\r\n08:00:00\t1" + QByteArray(ChannelCount - 1, '\t')
                          + "\r\n") > 0);
        QVERIFY(log.resize(qint64(1) << 30)); // a hole: one line of NULs, read all the same
        log.close();
        ScriptedPrompter prompter;
        TrendWindow window(nullptr, prompter);
        window.show();
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&ticks] { ++ticks; });
        tick.start(20);
        QSignalSpy opened(&window, &TrendWindow::filesOpened);
        window.openFiles({log.fileName()});
        QVERIFY(window.reading());
        QVERIFY(opened.wait(120000));
        QCOMPARE(opened.takeFirst().first().toBool(), true);
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
        QVERIFY(!window.reading());
        QCOMPARE(window.skippedLines(), 1);
        const trend::TrendSource *shown = window.plot()->source();

        window.openFiles({log.fileName()});
        auto *cancel = window.findChild<QPushButton *>(QStringLiteral("cancelReadButton"));
        QVERIFY(cancel->isVisible());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.takeFirst().first().toBool(), false);
        QVERIFY(!window.reading() && !cancel->isVisible());
        QCOMPARE(window.plot()->source(), shown);
        QVERIFY(window.findChild<QLabel *>(QStringLiteral("trendStatus"))->text().contains(QLatin1String("cancelled")));
        QTest::qWait(50); // the cancelled reading's end, queued, changes nothing
        QCOMPARE(opened.size(), 0);
        QVERIFY(prompter.shown.isEmpty());
    }

    // The plot at device pixels: in every column a series covers exactly the
    // rows of its samples' lowest to highest value, nothing in a gap, and an
    // alarm mark's triangle centred on its sample's column.
    void plotPaintsDevicePixels_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("scale 1") << qreal(1);
        QTest::newRow("scale 2") << qreal(2);
    }
    void plotPaintsDevicePixels()
    {
        QFETCH(qreal, ratio);
        // 100 s at a sample each 50 ms, alternating 20 apart so that every
        // column's run holds its neighbours' middles; 5 s of gap from a
        // column's start; lamp 1 on at 30 s.
        const trend::Millis start = 1'700'000'000'000, step = 50, markAt = start + 30'000;
        std::vector<float> samples;
        trend::LiveHistory history([](int) { return QStringLiteral("CH"); });
        trend::LiveHistory::Values values;
        values.fill(NAN);
        trend::LiveHistory::StatusWords words{};
        for (int i = 0; i < 2000; ++i) {
            const trend::Millis t = start + i * step;
            values[0] = t >= start + 60'000 && t < start + 65'000 ? NAN : float((i % 2) * 20 + 5 * std::sin(i / 100.0));
            words[0] = t >= markAt ? 1 : 0;
            samples.push_back(values[0]);
            history.append(t, values, words);
        }
        TrendPlot plot;
        plot.resize(plot.width() - plot.plotArea().width() + 400, 300); // columns of 250 ms, or 125 ms at scale 2
        plot.setSource(&history);
        for (int s = 1; s < history.seriesCount(); ++s)
            plot.setSeriesShown(s, false);
        plot.setRange(start, start + 2000 * step);
        QImage image(plot.size() * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        plot.render(&image);

        const QRect area = plot.plotArea();
        const int left = qRound(area.left() * ratio), top = qRound(area.top() * ratio);
        const int columns = qRound(area.width() * ratio), rows = qRound(area.height() * ratio);
        const auto [bottomValue, topValue] = plot.valueRange(0);
        auto rowOf = [&](double v) { return int(std::lround((topValue - v) / (topValue - bottomValue) * (rows - 1))); };
        auto rowsIn = [&](int c, QRgb colour) {
            std::vector<int> found;
            for (int r = 0; r < rows; ++r)
                if ((image.pixel(left + c, top + r) & 0xffffff) == (colour & 0xffffff))
                    found.push_back(r);
            return found;
        };
        const trend::Millis span = 2000 * step;
        const int markColumn = int((markAt - start) * columns / span);
        std::vector<int> markColumns, markRows;
        for (int c = 0; c < columns; ++c) {
            if (const std::vector<int> red = rowsIn(c, qRgb(255, 0, 0)); !red.empty()) {
                markColumns.push_back(c);
                markRows.insert(markRows.end(), red.begin(), red.end());
            }
            if (std::abs(c - markColumn) < 24 * ratio) // under the mark and its label
                continue;
            // Column c holds the samples from start + ceil(c * span / columns) on.
            const trend::Millis a = (c * span + columns - 1) / columns, b = ((c + 1) * span + columns - 1) / columns;
            float low = INFINITY, high = -INFINITY;
            for (trend::Millis i = (a + step - 1) / step; i * step < b; ++i)
                if (!std::isnan(samples[std::size_t(i)])) {
                    low = std::min(low, samples[std::size_t(i)]);
                    high = std::max(high, samples[std::size_t(i)]);
                }
            const std::vector<int> painted = rowsIn(c, TrendPlot::seriesColor(0).rgb());
            const QString where = QStringLiteral("column %1").arg(c);
            if (low > high) {
                QVERIFY2(painted.empty(), qPrintable(where));
                continue;
            }
            QVERIFY2(!painted.empty(), qPrintable(where));
            QCOMPARE(painted.front(), rowOf(high));
            QCOMPARE(painted.back(), rowOf(low));
            QCOMPARE(int(painted.size()), painted.back() - painted.front() + 1);
        }
        QVERIFY(!markColumns.empty());
        QCOMPARE(markColumns.front() + markColumns.back(), 2 * markColumn);
        // Its tooltip where it is drawn.
        const QPoint mark((left + markColumn) / ratio, (top + markRows[markRows.size() / 2]) / ratio);
        QHelpEvent tip(QEvent::ToolTip, mark, plot.mapToGlobal(mark));
        QToolTip::hideText();
        QApplication::sendEvent(&plot, &tip);
        QVERIFY2(QToolTip::text().endsWith(QLatin1String("CH: A1 on")), qPrintable(QToolTip::text()));
    }

    // Alt+S scales each series to its own range; the list's current row is
    // the series the plot puts on top and reads on its axis.
    void trendWindowScalesAndSelects()
    {
        trend::LiveHistory live([](int channel) { return QStringLiteral("CH %1").arg(channel); });
        ScriptedPrompter prompter;
        TrendWindow window(&live, prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, 's', Qt::AltModifier);
        QTRY_VERIFY(window.plot()->ownScales()); // a mnemonic clicks after its animation
        auto *list = window.findChild<QTreeWidget *>(QStringLiteral("seriesList"));
        list->setCurrentItem(list->topLevelItem(3));
        QCOMPARE(window.plot()->selectedSeries(), 3);
    }

    // The about box and the splash show the version of CMakeLists.txt.
    void windowsShowTheProjectVersion()
    {
        const QString expected = QStringLiteral("Version " VTX_PROJECT_VERSION);
        frmAbout about;
        QCOMPARE(about.findChild<QLabel *>("lblVersion")->text(), expected);
        frmSplash splash(ApplicationTitle);
        QCOMPARE(splash.findChild<QLabel *>("lblVersion")->text(), expected);
    }
};

QTEST_MAIN(tst_window)
#include "tst_window.moc"
