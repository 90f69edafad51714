// Which device a port name from the settings opens.

#include "comm/PortNames.h"

#include <QTest>

class TestPortNames : public QObject {
    Q_OBJECT

private slots:
    void ordersPortsForComNumbers_data();
    void ordersPortsForComNumbers();
    void resolvesNames_data();
    void resolvesNames();
};

void TestPortNames::ordersPortsForComNumbers_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("ordered");

    QTest::newRow("converter before on-board port")
        << QStringList{"/dev/ttyS0", "/dev/ttyUSB0"} << QStringList{"/dev/ttyUSB0", "/dev/ttyS0"};
    QTest::newRow("numbers compare as numbers")
        << QStringList{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyS11", "/dev/ttyS3"}
        << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS3", "/dev/ttyS11"};
    QTest::newRow("ACM after USB, before on-board")
        << QStringList{"/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB1"}
        << QStringList{"/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS0"};
    QTest::newRow("other kinds last, in name order")
        << QStringList{"/dev/ttyAMA0", "/dev/rfcomm0", "/dev/ttyS1"}
        << QStringList{"/dev/ttyS1", "/dev/rfcomm0", "/dev/ttyAMA0"};
    QTest::newRow("listed twice counts once")
        << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB0"} << QStringList{"/dev/ttyUSB0"};
    QTest::newRow("no ports") << QStringList{} << QStringList{};
}

void TestPortNames::ordersPortsForComNumbers()
{
    QFETCH(QStringList, listed);
    QFETCH(QStringList, ordered);
    QCOMPARE(portnames::comOrder(listed), ordered);
}

void TestPortNames::resolvesNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path"); // empty: no such port

    QTest::newRow("COM1 is the first converter") << "COM1" << "/dev/ttyUSB0";
    QTest::newRow("com2 in lower case") << "com2" << "/dev/ttyS0";
    QTest::newRow("COM3 beyond the list") << "COM3" << "";
    QTest::newRow("COM with a huge number") << "COM99999999999" << "/dev/COM99999999999";
    QTest::newRow("COM0 is no COM number") << "COM0" << "/dev/COM0";
    QTest::newRow("a path as it stands") << "/tmp/sim/tty" << "/tmp/sim/tty";
    QTest::newRow("a relative path as it stands") << "sim/tty" << "sim/tty";
    QTest::newRow("a bare device name") << "ttyS4" << "/dev/ttyS4";
    QTest::newRow("empty name") << "" << "";
}

void TestPortNames::resolvesNames()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(portnames::resolve(name, {"/dev/ttyS0", "/dev/ttyUSB0"}), path);
}

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_portnames.moc"
