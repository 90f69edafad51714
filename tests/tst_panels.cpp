// The channel panels: the PV display, the lamps, and what SetMainWindow
// shows and hides.

#include "ui/main/MonitorPanels.h"

#include <QLabel>
#include <QtTest>

class tst_Panels : public QObject {
    Q_OBJECT

    MonitorPanels *panels = nullptr;

    QLabel *label(const QString &name) const { return panels->findChild<QLabel *>(name); }
    // The colour a lamp is drawn with, taken beside its caption.
    QColor lamp(int channel, int lamp) const
    {
        const QImage image = label(QStringLiteral("La%1_%2").arg(lamp).arg(channel))->grab().toImage();
        return image.pixelColor(image.width() - 4, image.height() / 2);
    }

private slots:
    void init()
    {
        panels = new MonitorPanels;
        panels->show();
        QVERIFY(QTest::qWaitForWindowExposed(panels));
    }
    void cleanup() { delete panels; }

    // The widest value is drawn smaller so that its sign is not cut off; a
    // value that fits goes back to the panel's font.
    void pvDisplay()
    {
        QLabel *pv = label("PVw17");
        const QFont panelFont = pv->font();
        panels->setPvText(17, QStringLiteral("-3276.8"));
        QCOMPARE(panels->pvText(17), QStringLiteral("-3276.8"));
        QVERIFY(QFontMetrics(pv->font()).horizontalAdvance(pv->text()) <= pv->contentsRect().width());
        panels->setPvText(17, QStringLiteral("1234"));
        QCOMPARE(pv->font(), panelFont);
        // Channels outside the grid are ignored, not a crash.
        panels->setPvText(31, QStringLiteral("x"));
        panels->setLamps(-1, 7);
        panels->setTitle(40, QStringLiteral("x"));
        QCOMPARE(panels->pvText(31), QString());
    }

    // Only "OFF" as written hides a panel (its number stays); switched back
    // on, it shows its old value and lamps.
    void setMainWindowShowsByMonitoringState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("shown");
        QTest::newRow("ON") << "ON" << true;
        QTest::newRow("list entry OFF") << "      OFF" << false;
        QTest::newRow("lower case off is shown") << "off" << true;
    }
    void setMainWindowShowsByMonitoringState()
    {
        QFETCH(QString, state);
        QFETCH(bool, shown);
        ChannelTable table;
        table(7, NameItem).Value = QStringLiteral("Tank 7");
        table(7, StateItem).Value = state;
        panels->setPvText(7, QStringLiteral("12.5"));
        panels->setLamps(7, 5);
        panels->SetMainWindow(table);
        QCOMPARE(label("PVwTitle7")->text(), QStringLiteral("Tank 7"));
        for (const char *name : {"PVwTitle7", "PVw7", "La1_7", "La2_7", "La3_7"})
            QCOMPARE(label(name)->isVisible(), shown);
        QVERIFY(label("NumPvw7")->isVisible());
        QVERIFY(label("PVw6")->isVisible());
        table(7, StateItem).Value = QStringLiteral("ON");
        panels->SetMainWindow(table);
        QVERIFY(label("PVw7")->isVisible());
        QCOMPARE(label("PVw7")->text(), QStringLiteral("12.5"));
        const QColor red(255, 0, 0), green(0, 192, 0); // status 5: A1 and A3 lit, A2 not
        QCOMPARE((QList<QColor>{lamp(7, 1), lamp(7, 2), lamp(7, 3), lamp(6, 1)}),
                 (QList<QColor>{red, green, red, green}));
    }
};

QTEST_MAIN(tst_Panels)
#include "tst_panels.moc"
