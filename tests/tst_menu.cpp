// The menu tree (captions, names, access keys, one signal per command) and
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

    QAction *action(const QString &name) const
    {
        // Menus are reached through their menu action, items directly.
        if (QMenu *found = bar->findChild<QMenu *>(name))
            return found->menuAction();
        return bar->findChild<QAction *>(name);
    }

private slots:
    void init()
    {
        bar = new QMenuBar;
        menu = new MainMenu(bar);
    }
    void cleanup() { delete bar; }

    void captionsAndAccessKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("parentName"); // "" for the bar
        QTest::addColumn<int>("key");

        QTest::newRow("mnuFile") << "mnuFile" << "File(&F)" << "" << int(Qt::Key_F);
        QTest::newRow("mnuFileExit") << "mnuFileExit" << "Exit(&X)" << "mnuFile" << int(Qt::Key_X);
        QTest::newRow("mnuSet") << "mnuSet" << "Setting(&S)" << "" << int(Qt::Key_S);
        QTest::newRow("menuSetChang") << "menuSetChang" << "Setting(&S)" << "mnuSet" << int(Qt::Key_S);
        for (int n = 0; n <= 30; ++n) {
            const QString name = QStringLiteral("Dv%1").arg(n, 2, 10, QLatin1Char('0'));
            const QChar key = n < 10 ? QChar(u'0' + n) : QChar(u'A' + n - 10);
            QTest::newRow(qPrintable(name)) << name << name + "(&" + key + ")" << "menuSetChang"
                                            << int(key.unicode());
        }
        QTest::newRow("mnuSetDev") << "mnuSetDev" << "Device address(&D)" << "mnuSet" << int(Qt::Key_D);
        QTest::newRow("mnuSetLogt") << "mnuSetLogt" << "Logging interval(&L)" << "mnuSet" << int(Qt::Key_L);
        QTest::newRow("mnuHelp") << "mnuHelp" << "Help(&H)" << "" << int(Qt::Key_H);
        QTest::newRow("Men_Help_help") << "Men_Help_help" << "Help(&H)" << "mnuHelp" << int(Qt::Key_H);
        QTest::newRow("mnuHelpAbout") << "mnuHelpAbout" << "Version information(&A)VTX monitor..." << "mnuHelp"
                                      << int(Qt::Key_A);
    }

    void captionsAndAccessKeys()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, parentName);
        QFETCH(int, key);

        QAction *item = action(name);
        QVERIFY2(item, qPrintable(name));
        QCOMPARE(item->text(), caption);
        QCOMPARE(QKeySequence::mnemonic(item->text()), QKeySequence(Qt::ALT | Qt::Key(key)));
        QVERIFY(item->shortcut().isEmpty());
        QVERIFY(item->isEnabled());
        QVERIFY(item->isVisible());
        const QList<QAction *> container =
            parentName.isEmpty() ? bar->actions() : bar->findChild<QMenu *>(parentName)->actions();
        QVERIFY(container.contains(item));
    }

    void menusHoldTheirItemsInOrder()
    {
        auto names = [](const QList<QAction *> &actions) {
            QStringList result;
            for (const QAction *a : actions)
                result << (a->menu() ? a->menu()->objectName() : a->objectName());
            return result.join(u' ');
        };
        QCOMPARE(names(bar->actions()), QStringLiteral("mnuFile mnuSet mnuHelp"));
        QCOMPARE(names(bar->findChild<QMenu *>("mnuSet")->actions()), QStringLiteral("menuSetChang mnuSetDev mnuSetLogt"));
        QCOMPARE(names(bar->findChild<QMenu *>("mnuHelp")->actions()), QStringLiteral("Men_Help_help mnuHelpAbout"));
        QCOMPARE(bar->findChild<QMenu *>("menuSetChang")->actions().size(), 31);
    }

    void commandsAnnounceTheirChoice_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("exit") << "mnuFileExit" << QByteArray(SIGNAL(exitChosen()));
        QTest::newRow("device address") << "mnuSetDev" << QByteArray(SIGNAL(deviceAddressChosen()));
        QTest::newRow("logging interval") << "mnuSetLogt" << QByteArray(SIGNAL(loggingIntervalChosen()));
        QTest::newRow("help") << "Men_Help_help" << QByteArray(SIGNAL(helpChosen()));
        QTest::newRow("about") << "mnuHelpAbout" << QByteArray(SIGNAL(aboutChosen()));
    }

    void commandsAnnounceTheirChoice()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, signal);
        QSignalSpy chosen(menu, signal.constData());
        QSignalSpy channel(menu, &MainMenu::channelChosen);
        action(name)->trigger();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(channel.size(), 0);
    }

    void channelItemsAnnounceTheirChannel_data()
    {
        QTest::addColumn<int>("channel");
        for (int n : {0, 5, 10, 29, 30})
            QTest::addRow("Dv%02d", n) << n;
    }

    void channelItemsAnnounceTheirChannel()
    {
        QFETCH(int, channel);
        QSignalSpy chosen(menu, &MainMenu::channelChosen);
        QSignalSpy exit(menu, &MainMenu::exitChosen);
        action(QStringLiteral("Dv%1").arg(channel, 2, 10, QLatin1Char('0')))->trigger();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), channel);
        QCOMPARE(exit.size(), 0);
    }

    // The help viewer with the program's own manual.
    void helpFileOpensAtItsContents()
    {
        HelpViewer viewer;
        viewer.resize(400, 200);
        viewer.showHelp(QStringLiteral(VTX_HELP_FILE));
        QCOMPARE(viewer.objectName(), QStringLiteral("CommonDialog_help"));
        QVERIFY(viewer.isVisible());
        QVERIFY(viewer.toPlainText().contains(QLatin1String("VTX-500 MONITOR")));
        QVERIFY(viewer.toPlainText().contains(QLatin1String("No response from VTX.")));
        QVERIFY(viewer.toPlainText().contains(QLatin1String("KORVANE.conf")));
        // Scrolled to the contents heading, which lies below the top.
        QTRY_VERIFY(viewer.verticalScrollBar()->value() > 0);
    }

    void missingHelpFileIsReportedInTheViewer_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("no such file") << "/nonexistent/folder/PLMVX001M";
        QTest::newRow("a directory") << "/tmp";
        QTest::newRow("markup in the path") << "/no/<b>bold</b>/PLMVX001M";
    }

    void missingHelpFileIsReportedInTheViewer()
    {
        QFETCH(QString, file);
        HelpViewer viewer;
        viewer.showHelp(QStringLiteral(VTX_HELP_FILE));
        viewer.showHelp(file);
        QVERIFY(viewer.isVisible());
        const QString shown = viewer.toPlainText();
        QVERIFY2(shown.contains(QLatin1String("not found")), qPrintable(shown));
        QVERIFY2(shown.contains(file), qPrintable(shown));
        QVERIFY(!shown.contains(QLatin1String("No response from VTX.")));
    }

    void helpCommandLooksNextToTheProgram()
    {
        QCOMPARE(helpFilePath(), QCoreApplication::applicationDirPath() + QStringLiteral("/PLMVX001M"));
        HelpViewer viewer;
        openProgramHelp(viewer);
        QVERIFY(viewer.isVisible());
        QVERIFY(viewer.toPlainText().contains(QLatin1String("VTX-500 MONITOR")));
    }
};

QTEST_MAIN(tst_Menu)
#include "tst_menu.moc"
