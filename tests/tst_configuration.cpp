// The number <-> text rules, and the channel configuration: the store, the
// window geometry keys, VX5DP.DAT and the address dialog.
#include "config/ChannelTable.h"
#include "config/Configuration.h"
#include "config/Numbers.h"
#include "config/SettingsStore.h"
#include "config/WindowGeometry.h"
#include "support/ScriptedPrompter.h"
#include "ui/dialogs/frmDevNo.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace numbers;

class tst_configuration : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SettingsStore store_;
    ScriptedPrompter prompter_;

    // VX5DP.DAT in the temporary directory with these bytes; none for null.
    QString writeFile(const QByteArray &bytes)
    {
        const QString path = dir_.filePath(QStringLiteral("VX5DP.DAT"));
        QFile::remove(path);
        QDir(path).removeRecursively();
        QFile file(path);
        if (!bytes.isNull() && file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }
    QString stored(const QString &key) const { return store_.get(key, QStringLiteral("none")); }

private slots:
    void init()
    {
        QSettings(QStringLiteral("KORVANE")).clear();
        prompter_.clear();
    }

    // The address dialog starts on OK; a field is the channel's address as it
    // is typed; Enter in a field presses no button (it stored all 31 fields
    // and hid the window); Cancel brings the stored back. OK storing what was
    // typed is checked with real keys and clicks in tests/x11/operator_input.py.
    void addressDialogEditsLiveAndStoresOnOk()
    {
        SharedState state;
        frmDevNo dialog(state, store_);
        dialog.show();
        QCOMPARE(dialog.focusWidget(), dialog.findChild<QPushButton *>(QStringLiteral("DvOK")));
        auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("DvtoN7"));
        field->clear();
        QTest::keyClicks(field, QStringLiteral("12"));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(stored(QStringLiteral("DvtoN07")), QStringLiteral("none"));
        QCOMPARE(state.DvtoN[7], QStringLiteral("12"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(state.DvtoN[7], QStringLiteral("0"));
        QCOMPARE(field->text(), QStringLiteral("0"));
    }

    // An empty store gives every channel its default; texts come back exactly
    // as saved, blanks and commas included, and are in the file at once.
    void defaultsAndRoundTrip()
    {
        SharedState state;
        configuration::regRead(state, store_);
        for (int i : {0, 30}) {
            QCOMPARE(state.DvtoN[std::size_t(i)], QStringLiteral("0"));
            QCOMPARE(state.channels.name(i), QStringLiteral("CH %1").arg(i));
            QCOMPARE(state.channels.state(i), QStringLiteral("OFF"));
        }
        state.channels(5, NameItem).Value = QStringLiteral("Boiler, west");
        state.channels(5, StateItem).Value = QStringLiteral("      OFF");
        state.DvtoN[7] = QStringLiteral(" 12 ");
        configuration::saveChannelConfiguration(state, store_);
        configuration::saveAddresses(state, store_);
        SharedState again;
        configuration::regRead(again, store_);
        QCOMPARE(again.channels.name(5), QStringLiteral("Boiler, west"));
        QCOMPARE(again.channels.state(5), QStringLiteral("      OFF"));
        QCOMPARE(again.DvtoN[7], QStringLiteral(" 12 "));
        QFile file(QSettings(QStringLiteral("KORVANE")).fileName());
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("DvtoN07"));
        file.close();
        // A hand-edited value with an unquoted comma still reads as one text.
        QVERIFY(file.open(QIODevice::Append) && file.write("PVname01=Tank, north\n") > 0);
        file.close();
        QCOMPARE(stored(QStringLiteral("PVname01")), QStringLiteral("Tank, north"));
    }

    // A stored text that is not a number falls back to its default (twips to
    // pixels and back: tst_monitorapp's geometry and end tests).
    void geometry_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("nothing stored") << "" << "" << QRect(67, 67, 433, 433);
        QTest::newRow("not a number falls back") << "left" << "wide" << QRect(67, 67, 433, 433);
        QTest::newRow("negative width falls back") << "-30" << "-9000" << QRect(-2, 67, 433, 433);
    }
    void geometry()
    {
        QFETCH(QString, left);
        QFETCH(QString, width);
        QFETCH(QRect, pixels);
        if (!left.isEmpty()) {
            store_.save(QStringLiteral("MainLeft"), left);
            store_.save(QStringLiteral("MainWidth"), width);
        }
        QCOMPARE(window_geometry::load(store_), pixels);
    }

    // VX5DP.DAT holds 31 signed 16-bit places, a short file what it has;
    // impossible entries are kept as read and their addresses told once.
    void decimalPlacesLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("expected"); // entries 0..4, then entry 30
        QTest::addColumn<QString>("told");        // the addresses named, if any
        QTest::newRow("no file") << QByteArray() << QList<int>{0, 0, 0, 0, 0, 0} << "";
        QTest::newRow("short file of 10 bytes")
            << QByteArray::fromHex("01000200030001000200") << QList<int>{1, 2, 3, 1, 2, 0} << "";
        QByteArray exact(62, '\0');
        exact[0] = exact[1] = char(0xFF);
        exact[8] = 4;
        exact[60] = 2;
        QTest::newRow("exact 62 bytes, impossible places")
            << exact << QList<int>{-1, 0, 0, 0, 4, 2} << "device address(es) 0, 4.";
    }
    void decimalPlacesLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, expected);
        QFETCH(QString, told);
        DecimalPlaceTable places;
        places.fill(7);
        configuration::loadDecimalPlaces(places, prompter_, writeFile(bytes));
        QCOMPARE((QList<int>{places[0], places[1], places[2], places[3], places[4], places[30]}), expected);
        QCOMPARE(prompter_.shown.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty())
            QVERIFY2(prompter_.shown[0].text.contains(told), qPrintable(prompter_.shown[0].text));
    }

    // Saving writes the 62 bytes of entries 0..30 and leaves a longer file's tail.
    void decimalPlacesSaveKeepsTail()
    {
        const QString path = writeFile(QByteArray(100, 'x'));
        DecimalPlaceTable places{};
        places[0] = 1;
        places[1] = -2;
        places[30] = 3;
        places[31] = 9; // never stored
        configuration::saveDecimalPlaces(places, prompter_, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::fromHex("0100FEFF") + QByteArray(56, '\0') + QByteArray::fromHex("0300")
                                     + QByteArray(38, 'x'));
        QCOMPARE(prompter_.shown.size(), 0);
    }

    // Anything but a regular file is refused and told, never opened: a FIFO
    // held start-up in open() for good, a device gave all-zero places.
    void decimalPlacesFailuresAreReported_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("directory in the file's place") << "directory"; // neither read nor written, even by root
        QTest::newRow("FIFO in the file's place") << "fifo";
        QTest::newRow("device in the file's place") << "/dev/null";
    }
    void decimalPlacesFailuresAreReported()
    {
        QFETCH(QString, blocker);
        const QString path = blocker.startsWith("/dev/") ? blocker : writeFile(QByteArray());
        QVERIFY(blocker != "directory" || QDir().mkpath(path));
        // The FIFO's other end, and a pipe full of bytes: a read that waited
        // for data would hang the test; here it gets them and fails it.
        const int writer = blocker == "fifo" && mkfifo(QFile::encodeName(path), 0600) == 0
            ? ::open(QFile::encodeName(path), O_RDWR | O_NONBLOCK)
            : -1;
        const auto closeWriter = qScopeGuard([&] { ::close(writer); });
        QVERIFY(blocker != "fifo" || ::write(writer, QByteArray(1 << 16, 1).constData(), 1 << 16) > 0);
        DecimalPlaceTable places{};
        places[3] = 2;
        configuration::loadDecimalPlaces(places, prompter_, path);
        QCOMPARE(int(places[3]), 2); // the values in memory stay
        configuration::saveDecimalPlaces(places, prompter_, path);
        QCOMPARE(prompter_.shown.size(), 2);
        QVERIFY(prompter_.shown[0].text.contains(path) && prompter_.shown[1].text.contains(path));
    }

    // Where the leading number of a text ends, what it is worth, and the
    // whole number that addresses, selectors and setting values round it to.
    void readNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("whole");
        QTest::newRow("no digit before point") << "-.5" << -0.5 << qint64(0);
        QTest::newRow("exponent") << "1.5e3" << 1500.0 << qint64(1500);
        QTest::newRow("too small for a double is zero") << "-.5e-400" << 0.0 << qint64(0); // was minus infinity
        QTest::newRow("hexadecimal") << "&H1F" << 31.0 << qint64(31);
        QTest::newRow("stops at second point") << "1.2.3" << 1.2 << qint64(1);
        QTest::newRow("decimal comma is not a point") << "1,5" << 1.0 << qint64(1);
        QTest::newRow("address with text") << " 3 (boiler)" << 3.0 << qint64(3);
        QTest::newRow("half to even down") << "12.5" << 12.5 << qint64(12);
        QTest::newRow("half to even up") << "13.5" << 13.5 << qint64(14);
        QTest::newRow("negative half") << "-2.5" << -2.5 << qint64(-2);
        QTest::newRow("huge clamps") << "1e300" << 1e300 << std::numeric_limits<qint64>::max();
    }
    void readNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(qint64, whole);
        QCOMPARE(numbers::readNumber(text), value);
        QCOMPARE(readWholeNumber(text), whole);
    }

    // Both directions of the 16-bit data field, and the texts shown for it.
    void hex16_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text"); // wholeNumberText of the decoded value
        QTest::newRow("smallest") << qint64(-32768) << "8000" << "-32768";
        QTest::newRow("only the low 16 bits go out") << qint64(70000) << "1170" << " 4464";
    }
    void hex16()
    {
        QFETCH(qint64, n);
        QFETCH(QString, code);
        QFETCH(QString, text);
        QCOMPARE(encodeHex16(n), code);
        QCOMPARE(wholeNumberText(decodeHex16(code)), text);
        QCOMPARE(decodeHex16(code.toLower()), decodeHex16(code));
    }
};

QTEST_MAIN(tst_configuration)
#include "tst_configuration.moc"
