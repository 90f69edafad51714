// The menu tree (captions, access keys, places, one signal per command) and
// the help viewer with the program's help file.

#include "ui/main/HelpViewer.h"
#include "ui/main/MainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

class tst_Menu : public QObject {
    Q_OBJECT

    QMenuBar *bar = nullptr;
    MainMenu *menu = nullptr;

private slots:
    void init()
    {
        bar = new QMenuBar;
        menu = new MainMenu(bar);
    }
    void cleanup() { delete bar; }

    // Every entry: caption, access key, place in its container, and what
    // choosing it announces.
    void entries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("place"); // container and index; "" for the bar
        QTest::addColumn<QByteArray>("signal");
        auto row = [](const QString &name, const QString &caption, const QString &place, const char *signal = "") {
            QTest::newRow(qPrintable(name)) << name << caption << place << QByteArray(signal);
        };
        row("mnuFile", "File(&F)", " 0");
        row("mnuFileExit", "Exit(&X)", "mnuFile 0", SIGNAL(exitChosen()));
        row("mnuSet", "Setting(&S)", " 1");
        row("menuSetChang", "Setting(&S)", "mnuSet 0");
        for (int n = 0; n <= 30; ++n) {
            const QString name = QStringLiteral("Dv%1").arg(n, 2, 10, QLatin1Char('0'));
            const QChar key = n < 10 ? QChar(u'0' + n) : QChar(u'A' + n - 10);
            row(name, name + "(&" + key + ")", QStringLiteral("menuSetChang %1").arg(n), SIGNAL(channelChosen(int)));
        }
        row("mnuSetDev", "Device address(&D)", "mnuSet 1", SIGNAL(deviceAddressChosen()));
        row("mnuSetLogt", "Logging interval(&L)", "mnuSet 2", SIGNAL(loggingIntervalChosen()));
        row("mnuHelp", "Help(&H)", " 2");
        row("Men_Help_help", "Help(&H)", "mnuHelp 0", SIGNAL(helpChosen()));
        row("mnuHelpAbout", "Version information(&A)VTX monitor...", "mnuHelp 1", SIGNAL(aboutChosen()));
    }
    void entries()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, place);
        QFETCH(QByteArray, signal);
        QMenu *asMenu = bar->findChild<QMenu *>(name);
        QAction *item = asMenu ? asMenu->menuAction() : bar->findChild<QAction *>(name);
        QVERIFY2(item, qPrintable(name));
        QCOMPARE(item->text(), caption);
        const QChar key = caption.at(caption.indexOf(u'&') + 1);
        QCOMPARE(QKeySequence::mnemonic(item->text()), QKeySequence(Qt::ALT | Qt::Key(key.unicode())));
        QVERIFY(item->shortcut().isEmpty() && item->isEnabled() && item->isVisible());
        const QString container = place.section(u' ', 0, 0);
        const QList<QAction *> actions = container.isEmpty() ? bar->actions() : bar->findChild<QMenu *>(container)->actions();
        QCOMPARE(actions.indexOf(item), place.section(u' ', 1).toInt());
        if (signal.isEmpty())
            return; // opening a menu announces nothing
        QSignalSpy chosen(menu, signal.constData());
        QSignalSpy exit(menu, &MainMenu::exitChosen);
        item->trigger();
        QCOMPARE(chosen.size(), 1);
        if (signal == SIGNAL(channelChosen(int)))
            QCOMPARE(chosen.at(0).at(0).toInt(), place.section(u' ', 1).toInt());
        QCOMPARE(exit.size(), signal == SIGNAL(exitChosen()) ? 1 : 0);
    }

    // The help viewer with the program's own manual, found next to the
    // program; a missing file is told in the viewer, its path shown as text.
    void helpViewer()
    {
        QCOMPARE(helpFilePath(), QCoreApplication::applicationDirPath() + QStringLiteral("/PLMVX001M"));
        HelpViewer viewer;
        viewer.resize(400, 200);
        openProgramHelp(viewer);
        QVERIFY(viewer.isVisible());
        QVERIFY(viewer.toPlainText().contains(QLatin1String("No response from VTX.")));
        // Scrolled to the contents heading, which lies below the top.
        QTRY_VERIFY(viewer.verticalScrollBar()->value() > 0);
        for (const QString &file : {QStringLiteral("/nonexistent/PLMVX001M"), QStringLiteral("/tmp"),
                                    QStringLiteral("/no/<b>bold</b>/PLMVX001M")}) {
            viewer.showHelp(file);
            const QString shown = viewer.toPlainText();
            QVERIFY2(shown.contains(QLatin1String("not found")) && shown.contains(file), qPrintable(shown));
            QVERIFY(!shown.contains(QLatin1String("No response from VTX.")));
        }
    }
};

QTEST_MAIN(tst_Menu)
#include "tst_menu.moc"
