// The channel panels: where the elements sit, the PV display, the lamps,
// and what SetMainWindow shows and hides.

#include "ui/main/MonitorPanels.h"

#include <QLabel>
#include <QtTest>

namespace {
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

    // Twip positions of the design at 15 twips per pixel.
    void elementsSitAtTheirPlaces_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("0") << 0 << QPoint(0, 0);
        QTest::newRow("7") << 7 << QPoint(0, 5880);
        QTest::newRow("8") << 8 << QPoint(2160, 0);
        QTest::newRow("24") << 24 << QPoint(6480, 0);
        QTest::newRow("30") << 30 << QPoint(6480, 5040);
    }
    void elementsSitAtTheirPlaces()
    {
        QFETCH(int, channel);
        QFETCH(QPoint, origin);
        const struct { const char *element; QRect twips; } elements[] = {
            {"NumPvw", {0, 600, 375, 255}},  {"PVwTitle", {240, 240, 1335, 255}}, {"PVw", {480, 480, 1095, 495}},
            {"La1_", {1560, 240, 375, 255}}, {"La2_", {1560, 480, 375, 255}},     {"La3_", {1560, 720, 375, 255}}};
        for (const auto &e : elements) {
            const QRect twips = e.twips.translated(origin);
            QCOMPARE(label(QString::fromLatin1(e.element) + QString::number(channel))->geometry(),
                     QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        }
        QCOMPARE(label(QStringLiteral("NumPvw%1").arg(channel))->text(), QString::number(channel));
        QCOMPARE(panels->size(), QSize(585, 486));
        QVERIFY(!panels->findChild<QLabel *>("PVw31"));
    }

    void pvDisplay()
    {
        QLabel *pv = label("PVw17");
        QCOMPARE(pv->font().pointSizeF(), 20.25);
        panels->setPvText(17, QStringLiteral("-3276.8"));
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

    void setMainWindowShowsByMonitoringState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("shown");
        QTest::newRow("ON") << "ON" << true;
        QTest::newRow("OFF") << "OFF" << false;
        QTest::newRow("list entry OFF") << "      OFF" << false;
        QTest::newRow("lower case off is shown") << "off" << true;
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
        panels->setLamps(7, 5);
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
        QCOMPARE(lamp(7, 1), Red); // status 5: A1 and A3 lit, A2 not
        QCOMPARE(lamp(7, 2), Green);
        QCOMPARE(lamp(7, 3), Red);
        QCOMPARE(lamp(6, 1), Green);
    }
};

QTEST_MAIN(tst_Panels)
#include "tst_panels.moc"
