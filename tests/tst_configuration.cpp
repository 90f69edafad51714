// The channel configuration: store defaults and round trips, the monitoring
// state tests, the window geometry keys and VX5DP.DAT.
#include "config/ChannelTable.h"
#include "config/Configuration.h"
#include "config/SettingsStore.h"
#include "config/WindowGeometry.h"
#include "support/ScriptedPrompter.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class tst_configuration : public QObject {
    Q_OBJECT
private slots:
    void init();
    void emptyStoreGivesDefaults();
    void roundTripKeepsTextsUnchanged();
    void storeFileLayout();
    void monitoringStateTests_data();
    void monitoringStateTests();
    void geometry_data();
    void geometry();
    void decimalPlacesLoad_data();
    void decimalPlacesLoad();
    void decimalPlacesSaveKeepsTail();
    void decimalPlacesFailuresAreReported();

private:
    QString writeFile(const QByteArray &bytes);
    QTemporaryDir dir_;
    SettingsStore store_;
    ScriptedPrompter prompter_;
};

void tst_configuration::init()
{
    QSettings(QStringLiteral("KORVANE")).clear();
    prompter_.clear();
}

void tst_configuration::emptyStoreGivesDefaults()
{
    SharedState state;
    configuration::regRead(state, store_);
    for (int i = 0; i < ChannelCount; ++i) {
        QCOMPARE(state.DvtoN[std::size_t(i)], QStringLiteral("0"));
        QCOMPARE(state.channels.name(i), QStringLiteral("CH %1").arg(i));
        QCOMPARE(state.channels.state(i), QStringLiteral("OFF"));
    }
    QCOMPARE(state.LogT, QStringLiteral("60"));
    QCOMPARE(state.acceptedLogInterval, 60.0);
    QCOMPARE(window_geometry::load(store_), QRect(67, 67, 433, 433));
}

void tst_configuration::roundTripKeepsTextsUnchanged()
{
    SharedState state;
    configuration::regRead(state, store_);
    state.channels(5, NameItem).Value = QStringLiteral("Boiler, west");
    state.channels(5, StateItem).Value = QStringLiteral("      OFF");
    state.channels(6, StateItem).Value = QStringLiteral("      ON");
    state.DvtoN[7] = QStringLiteral(" 12 ");
    configuration::saveChannelConfiguration(state, store_);
    configuration::saveAddresses(state, store_);
    store_.save(QStringLiteral("LogT"), QStringLiteral("2.5"));

    SharedState again;
    configuration::regRead(again, store_);
    QCOMPARE(again.channels.name(5), QStringLiteral("Boiler, west"));
    QCOMPARE(again.channels.state(5), QStringLiteral("      OFF"));
    QCOMPARE(again.channels.state(6), QStringLiteral("      ON"));
    QCOMPARE(again.DvtoN[7], QStringLiteral(" 12 "));
    QCOMPARE(again.LogT, QStringLiteral("2.5"));
    QCOMPARE(again.acceptedLogInterval, 2.5);

    // An interval the dialog would refuse is not stepped by.
    store_.save(QStringLiteral("LogT"), QStringLiteral("0"));
    configuration::regRead(again, store_);
    QCOMPARE(again.acceptedLogInterval, 60.0);
}

void tst_configuration::storeFileLayout()
{
    store_.save(QStringLiteral("DvState00"), QStringLiteral("ON"));
    const QString path = QSettings(QStringLiteral("KORVANE")).fileName();
    QVERIFY2(path.endsWith(QStringLiteral("/KORVANE.conf")), qPrintable(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    // Saved at once: another process (or a crash right now) sees the key.
    QVERIFY(content.contains("[VTX-500%20Monitor]"));
    QVERIFY(content.contains("DvState00=ON"));

    // A hand-edited value with an unquoted comma still reads as one text.
    QVERIFY(file.open(QIODevice::Append) || (file.close(), file.open(QIODevice::Append)));
    file.write("PVname01=Tank, north\n");
    file.close();
    QCOMPARE(store_.get(QStringLiteral("PVname01"), QString()), QStringLiteral("Tank, north"));
}

void tst_configuration::monitoringStateTests_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("monitored");
    QTest::addColumn<bool>("loggedEmpty");
    QTest::newRow("ON") << "ON" << false << true << false;
    QTest::newRow("OFF") << "OFF" << true << false << true;
    QTest::newRow("lower on") << "on" << false << true << false;
    QTest::newRow("Off shows but is not polled") << "Off" << false << false << true;
    QTest::newRow("chooser ON with blanks") << "      ON" << false << true << false;
    QTest::newRow("chooser OFF with blanks") << "      OFF" << true << false << true;
}

void tst_configuration::monitoringStateTests()
{
    QFETCH(QString, state);
    QFETCH(bool, hidden);
    QFETCH(bool, monitored);
    QFETCH(bool, loggedEmpty);
    QCOMPARE(stateHidesPanel(state), hidden);
    QCOMPARE(stateIsMonitored(state), monitored);
    QCOMPARE(stateLogsEmpty(state), loggedEmpty);
}

void tst_configuration::geometry_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("stored numbers") << "1500" << "9000" << QRect(100, 67, 600, 433);
    QTest::newRow("fraction") << "1507.5" << "9000" << QRect(101, 67, 600, 433);
    QTest::newRow("not a number falls back") << "left" << "wide" << QRect(67, 67, 433, 433);
    QTest::newRow("negative width falls back") << "-30" << "-9000" << QRect(-2, 67, 433, 433);
}

void tst_configuration::geometry()
{
    QFETCH(QString, left);
    QFETCH(QString, width);
    QFETCH(QRect, pixels);
    store_.save(QStringLiteral("MainLeft"), left);
    store_.save(QStringLiteral("MainWidth"), width);
    QCOMPARE(window_geometry::load(store_), pixels);

    window_geometry::save(store_, QRect(100, 50, 585, 504));
    QCOMPARE(store_.get(QStringLiteral("MainLeft"), QString()), QStringLiteral("1500"));
    QCOMPARE(store_.get(QStringLiteral("MainTop"), QString()), QStringLiteral("750"));
    QCOMPARE(store_.get(QStringLiteral("MainWidth"), QString()), QStringLiteral("8775"));
    QCOMPARE(store_.get(QStringLiteral("MainHeight"), QString()), QStringLiteral("7560"));
}

QString tst_configuration::writeFile(const QByteArray &bytes)
{
    const QString path = dir_.filePath(QStringLiteral("VX5DP.DAT"));
    QFile::remove(path);
    QDir(path).removeRecursively();
    if (!bytes.isNull()) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    return path;
}

void tst_configuration::decimalPlacesLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("expected"); // entries 0..4, then entry 30
    QTest::newRow("no file") << QByteArray() << QList<int>{0, 0, 0, 0, 0, 0};
    QTest::newRow("short file of 10 bytes")
        << QByteArray::fromHex("01000200030001000200") << QList<int>{1, 2, 3, 1, 2, 0};
    QByteArray exact(62, '\0');
    exact[0] = 3;
    exact[60] = 2;
    QTest::newRow("exact 62 bytes") << exact << QList<int>{3, 0, 0, 0, 0, 2};
    QByteArray negative(62, '\0');
    negative[0] = char(0xFF);
    negative[1] = char(0xFF);
    QTest::newRow("signed little-endian") << negative << QList<int>{-1, 0, 0, 0, 0, 0};
    QByteArray odd = QByteArray::fromHex("0200030001");
    QTest::newRow("odd length leaves the half record 0") << odd << QList<int>{2, 3, 0, 0, 0, 0};
}

void tst_configuration::decimalPlacesLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, expected);
    const QString path = writeFile(bytes);
    DecimalPlaceTable places;
    places.fill(7);
    configuration::loadDecimalPlaces(places, prompter_, path);
    QCOMPARE(prompter_.shown.size(), 0);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(int(places[std::size_t(i)]), expected[i]);
    QCOMPARE(int(places[30]), expected[5]);
}

void tst_configuration::decimalPlacesSaveKeepsTail()
{
    QByteArray old(100, 'x');
    const QString path = writeFile(old);
    DecimalPlaceTable places{};
    places[0] = 1;
    places[1] = -2;
    places[30] = 3;
    places[31] = 9; // never stored
    configuration::saveDecimalPlaces(places, prompter_, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray now = file.readAll();
    QCOMPARE(now.size(), 100);
    QCOMPARE(now.left(4), QByteArray::fromHex("0100FEFF"));
    QCOMPARE(now.mid(60, 2), QByteArray::fromHex("0300"));
    QCOMPARE(now.mid(62), QByteArray(38, 'x'));

    const QString fresh = writeFile(QByteArray());
    configuration::saveDecimalPlaces(places, prompter_, fresh);
    QCOMPARE(QFileInfo(fresh).size(), qint64(62));
    QCOMPARE(prompter_.shown.size(), 0);
}

void tst_configuration::decimalPlacesFailuresAreReported()
{
    // A directory in the file's place can be neither read nor written, even
    // by root.
    const QString path = writeFile(QByteArray());
    QVERIFY(QDir().mkpath(path));
    DecimalPlaceTable places{};
    places[3] = 2;
    configuration::loadDecimalPlaces(places, prompter_, path);
    QCOMPARE(prompter_.shown.size(), 1);
    QVERIFY(prompter_.shown[0].text.contains(path));
    QCOMPARE(int(places[3]), 2); // the values in memory stay

    configuration::saveDecimalPlaces(places, prompter_, path);
    QCOMPARE(prompter_.shown.size(), 2);
    QVERIFY(prompter_.shown[1].text.contains(path));

    configuration::saveDecimalPlaces(places, prompter_, QStringLiteral("/dev/full"));
    QCOMPARE(prompter_.shown.size(), 3);
}

QTEST_GUILESS_MAIN(tst_configuration)
#include "tst_configuration.moc"
