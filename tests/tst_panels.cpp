// The channel panels: where each element sits, how the PV display and the
// lamps are drawn, and what SetMainWindow shows and hides.

#include "ui/main/MonitorPanels.h"

#include <QLabel>
#include <QtTest>

namespace {

// The colour a label is drawn with, taken beside its text.
QColor drawnColour(QLabel *label)
{
    const QImage image = label->grab().toImage();
    return image.pixelColor(image.width() - 4, image.height() / 2);
}

const QColor Red(255, 0, 0);
const QColor Green(0, 192, 0);

} // namespace

class tst_Panels : public QObject {
    Q_OBJECT

    MonitorPanels *panels = nullptr;

    QLabel *label(const QString &name) const
    {
        QLabel *found = panels->findChild<QLabel *>(name);
        if (!found)
            qFatal("no label %s", qPrintable(name));
        return found;
    }
    QLabel *lamp(int channel, int lamp) const { return label(QStringLiteral("La%1_%2").arg(lamp).arg(channel)); }

private slots:
    void init()
    {
        panels = new MonitorPanels;
        panels->show();
        QVERIFY(QTest::qWaitForWindowExposed(panels));
    }
    void cleanup() { delete panels; }

    // Twip positions of the design at 15 twips per pixel.
    void elementsSitAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        const struct { int channel, left, top; } origins[] = {
            {0, 0, 0}, {7, 0, 5880}, {8, 2160, 0}, {24, 6480, 0}, {30, 6480, 5040}};
        for (const auto &o : origins) {
            auto row = [&](const char *element, int left, int top, int width, int height) {
                QTest::addRow("%s%d", element, o.channel) << QStringLiteral("%1%2").arg(element).arg(o.channel)
                                                          << QRect(o.left + left, o.top + top, width, height);
            };
            row("NumPvw", 0, 600, 375, 255);
            row("PVwTitle", 240, 240, 1335, 255);
            row("PVw", 480, 480, 1095, 495);
            row("La1_", 1560, 240, 375, 255);
            row("La2_", 1560, 480, 375, 255);
            row("La3_", 1560, 720, 375, 255);
        }
    }

    void elementsSitAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QCOMPARE(label(name)->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    }

    void gridAndDesignExamples()
    {
        QCOMPARE(panels->size(), QSize(585, 486));
        QCOMPARE(label("PVw30")->pos(), QPoint(464, 368));
        QCOMPARE(label("NumPvw30")->pos(), QPoint(432, 376));
        QCOMPARE(label("NumPvw30")->text(), QStringLiteral("30"));
        QVERIFY(!panels->findChild<QLabel *>("PVw31"));
    }

    void pvDisplayIsWhiteWithLargeBoldFigures()
    {
        QLabel *pv = label("PVw17");
        QCOMPARE(drawnColour(pv), QColor(Qt::white));
        QCOMPARE(pv->font().family(), QStringLiteral("Times New Roman"));
        QVERIFY(pv->font().bold());
        QCOMPARE(pv->font().pointSizeF(), 20.25);
        panels->setPvText(17, QStringLiteral("-3276.8"));
        QCOMPARE(pv->text(), QStringLiteral("-3276.8"));
        QCOMPARE(panels->pvText(17), QStringLiteral("-3276.8"));
        // The widest value is drawn smaller so its sign is not cut off; a
        // value that fits goes back to the panel's font.
        QVERIFY(QFontMetrics(pv->font()).horizontalAdvance(pv->text()) <= pv->contentsRect().width());
        panels->setPvText(17, QStringLiteral("1234"));
        QCOMPARE(pv->font().pointSizeF(), 20.25);
        // Channels outside the grid are ignored, not a crash.
        panels->setPvText(31, QStringLiteral("x"));
        panels->setLamps(-1, 7);
        panels->setTitle(40, QStringLiteral("x"));
        QCOMPARE(panels->pvText(31), QString());
    }

    void lampsFollowTheStatusBits_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<QList<bool>>("lit");
        QTest::newRow("none") << 0 << QList<bool>{false, false, false};
        QTest::newRow("5: A1 and A3") << 5 << QList<bool>{true, false, true};
        QTest::newRow("2: A2") << 2 << QList<bool>{false, true, false};
        QTest::newRow("higher bits only") << 0xFFF8 << QList<bool>{false, false, false};
    }

    void lampsFollowTheStatusBits()
    {
        QFETCH(int, word);
        QFETCH(QList<bool>, lit);
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(drawnColour(lamp(30, n)), Green); // green at start
        panels->setLamps(30, 7); // from all lit, so that clearing is tested too
        panels->setLamps(30, quint16(word));
        for (int n = 1; n <= 3; ++n) {
            QCOMPARE(drawnColour(lamp(30, n)), lit.at(n - 1) ? Red : Green);
            QCOMPARE(lamp(30, n)->text(), QStringLiteral("A%1").arg(n));
        }
        QCOMPARE(drawnColour(lamp(29, 1)), Green);
    }

    void setMainWindowShowsByMonitoringState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("shown");
        QTest::newRow("ON") << "ON" << true;
        QTest::newRow("OFF") << "OFF" << false;
        QTest::newRow("list entry OFF") << "      OFF" << false;
        QTest::newRow("lower case off is shown") << "off" << true;
        QTest::newRow("empty") << "" << true;
    }

    void setMainWindowShowsByMonitoringState()
    {
        QFETCH(QString, state);
        QFETCH(bool, shown);
        ChannelTable table;
        for (int channel = 0; channel < ChannelCount; ++channel)
            table(channel, NameItem).Value = QStringLiteral("Tank %1").arg(channel);
        table(7, StateItem).Value = state;
        panels->setPvText(7, QStringLiteral("12.5"));
        panels->setLamps(7, 2);
        panels->SetMainWindow(table);

        QCOMPARE(label("PVwTitle7")->text(), QStringLiteral("Tank 7"));
        for (const char *name : {"PVwTitle7", "PVw7", "La1_7", "La2_7", "La3_7"})
            QCOMPARE(label(name)->isVisible(), shown);
        QVERIFY(label("NumPvw7")->isVisible());
        QVERIFY(label("PVw6")->isVisible());

        // Switched back on, the panel shows its old values.
        table(7, StateItem).Value = QStringLiteral("ON");
        panels->SetMainWindow(table);
        QVERIFY(label("PVw7")->isVisible());
        QCOMPARE(label("PVw7")->text(), QStringLiteral("12.5"));
        QCOMPARE(drawnColour(lamp(7, 2)), Red);
        QCOMPARE(drawnColour(lamp(7, 1)), Green);
    }

    void allOffLeavesOnlyTheNumbers()
    {
        ChannelTable table;
        for (int channel = 0; channel < ChannelCount; ++channel)
            table(channel, StateItem).Value = QStringLiteral("OFF");
        panels->SetMainWindow(table);
        QStringList visible;
        for (QLabel *child : panels->findChildren<QLabel *>())
            if (child->isVisible() && !child->objectName().startsWith(QLatin1String("NumPvw")))
                visible << child->objectName();
        QCOMPARE(visible, QStringList());
    }
};

QTEST_MAIN(tst_Panels)
#include "tst_panels.moc"
