// The menus as the operator works them by their access keys, each command
// announcing one choice, and the help viewer with the program's manual.

#include "ui/main/HelpViewer.h"
#include "ui/main/MainMenu.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QScrollBar>
#include <QtTest>

class tst_Menu : public QObject {
    Q_OBJECT

private slots:
    // Alt and the first key on the bar, the others in the menus it opens.
    // The channel items take 0..9, then A (Dv10) to U (Dv30).
    void accessKeysReachEachCommand_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("announced");
        QTest::newRow("File > Exit") << "FX" << "exit";
        QTest::newRow("Setting > Setting > Dv00") << "SS0" << "channel 0";
        QTest::newRow("Dv09") << "SS9" << "channel 9";
        QTest::newRow("Dv10") << "SSA" << "channel 10";
        QTest::newRow("Dv30") << "SSU" << "channel 30";
        QTest::newRow("Setting > Device address") << "SD" << "device address";
        QTest::newRow("Setting > Logging interval") << "SL" << "logging interval";
        QTest::newRow("Help > Help") << "HH" << "help";
        QTest::newRow("Help > Version information") << "HA" << "about";
    }
    void accessKeysReachEachCommand()
    {
        QFETCH(QString, keys);
        QFETCH(QString, announced);
        QMainWindow window;
        auto *menu = new MainMenu(window.menuBar());
        QStringList seen;
        auto note = [&seen](const char *choice) { return [&seen, choice] { seen << QLatin1String(choice); }; };
        connect(menu, &MainMenu::exitChosen, this, note("exit"));
        connect(menu, &MainMenu::deviceAddressChosen, this, note("device address"));
        connect(menu, &MainMenu::loggingIntervalChosen, this, note("logging interval"));
        connect(menu, &MainMenu::helpChosen, this, note("help"));
        connect(menu, &MainMenu::aboutChosen, this, note("about"));
        connect(menu, &MainMenu::channelChosen, this,
                [&seen](int channel) { seen << QStringLiteral("channel %1").arg(channel); });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, keys.at(0).toLatin1(), Qt::AltModifier);
        for (const QChar key : keys.sliced(1)) {
            QWidget *open = QApplication::activePopupWidget();
            QVERIFY2(open, qPrintable(QStringLiteral("no menu open for %1").arg(key)));
            QTest::keyClick(open, key.toLatin1());
        }
        QCOMPARE(seen, QStringList{announced});
        QVERIFY(!QApplication::activePopupWidget());
    }

    // The manual next to the program, scrolled to its contents heading (which
    // lies below the top); a missing file is told in the viewer, its path
    // shown as text.
    void helpViewer()
    {
        HelpViewer viewer;
        viewer.resize(400, 200);
        openProgramHelp(viewer);
        QVERIFY(viewer.isVisible());
        QVERIFY(viewer.toPlainText().contains(QLatin1String("No response from VTX.")));
        QTRY_VERIFY(viewer.verticalScrollBar()->value() > 0);
        for (const QString &file : {QStringLiteral("/tmp"), QStringLiteral("/no/<b>bold</b>/PLMVX001M")}) {
            viewer.showHelp(file);
            const QString shown = viewer.toPlainText();
            QVERIFY2(shown.contains(QLatin1String("not found")) && shown.contains(file), qPrintable(shown));
            QVERIFY(!shown.contains(QLatin1String("No response from VTX.")));
        }
    }
};

QTEST_MAIN(tst_Menu)
#include "tst_menu.moc"
