// The number <-> text rules every field, setting and reply goes through.
#include "config/Numbers.h"

#include <QtTest>

using namespace numbers;

class tst_numbers : public QObject {
    Q_OBJECT
private slots:
    void readNumber_data();
    void readNumber();
    void wholeNumbers_data();
    void wholeNumbers();
    void wholeNumberText_data();
    void wholeNumberText();
    void keySuffix();
    void hex16_data();
    void hex16();
    void decodeHex16_data();
    void decodeHex16();
};

void tst_numbers::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "42" << 42.0;
    QTest::newRow("leading blanks") << "   7" << 7.0;
    QTest::newRow("sign") << "-12" << -12.0;
    QTest::newRow("plus sign") << "+3" << 3.0;
    QTest::newRow("decimal point") << "2.5" << 2.5;
    QTest::newRow("no digit before point") << "-.5" << -0.5;
    QTest::newRow("exponent") << "1.5e3" << 1500.0;
    QTest::newRow("negative exponent") << "25E-1" << 2.5;
    QTest::newRow("incomplete exponent stops") << "4e" << 4.0;
    QTest::newRow("hexadecimal") << "&H1F" << 31.0;
    QTest::newRow("hexadecimal lower case") << "&hff" << 255.0;
    QTest::newRow("stops at letter") << "12abc" << 12.0;
    QTest::newRow("stops at second point") << "1.2.3" << 1.2;
    QTest::newRow("stops at inner blank") << "3 4" << 3.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("ampersand without H") << "&12" << 0.0;
    QTest::newRow("decimal comma is not a point") << "1,5" << 1.0;
}

void tst_numbers::readNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(numbers::readNumber(text), value);
}

void tst_numbers::wholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("half to even down") << "12.5" << qint64(12);
    QTest::newRow("half to even up") << "13.5" << qint64(14);
    QTest::newRow("negative half") << "-2.5" << qint64(-2);
    QTest::newRow("negative half odd") << "-3.5" << qint64(-4);
    QTest::newRow("above half") << "2.51" << qint64(3);
    QTest::newRow("below half") << "2.49" << qint64(2);
    QTest::newRow("address with text") << " 3 (boiler)" << qint64(3);
    QTest::newRow("huge clamps") << "1e300" << std::numeric_limits<qint64>::max();
}

void tst_numbers::wholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(readWholeNumber(text), value);
}

void tst_numbers::wholeNumberText_data()
{
    QTest::addColumn<qint64>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("positive") << qint64(100) << " 100";
    QTest::newRow("zero") << qint64(0) << " 0";
    QTest::newRow("negative") << qint64(-1) << "-1";
    QTest::newRow("largest 16-bit") << qint64(32767) << " 32767";
}

void tst_numbers::wholeNumberText()
{
    QFETCH(qint64, n);
    QFETCH(QString, text);
    QCOMPARE(numbers::wholeNumberText(n), text);
}

void tst_numbers::keySuffix()
{
    QCOMPARE(numbers::keySuffix(0), QStringLiteral("00"));
    QCOMPARE(numbers::keySuffix(5), QStringLiteral("05"));
    QCOMPARE(numbers::keySuffix(30), QStringLiteral("30"));
}

void tst_numbers::hex16_data()
{
    QTest::addColumn<qint64>("n");
    QTest::addColumn<QString>("code");
    QTest::newRow("minus one") << qint64(-1) << "FFFF";
    QTest::newRow("zero") << qint64(0) << "0000";
    QTest::newRow("hundred") << qint64(100) << "0064";
    QTest::newRow("largest") << qint64(32767) << "7FFF";
    QTest::newRow("smallest") << qint64(-32768) << "8000";
    QTest::newRow("unsigned top") << qint64(65535) << "FFFF";
    QTest::newRow("wraps beyond 16 bits") << qint64(70000) << "1170";
}

void tst_numbers::hex16()
{
    QFETCH(qint64, n);
    QFETCH(QString, code);
    QCOMPARE(encodeHex16(n), code);
}

void tst_numbers::decodeHex16_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("minus one") << "FFFF" << -1;
    QTest::newRow("smallest") << "8000" << -32768;
    QTest::newRow("largest") << "7FFF" << 32767;
    QTest::newRow("pv 1234") << "04D2" << 1234;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("one digit") << "A" << 10;
    QTest::newRow("lower case") << "ffff" << -1;
    QTest::newRow("not hex") << "12G4" << 0;
    QTest::newRow("longer keeps low 16 bits") << "1FFFF" << -1;
}

void tst_numbers::decodeHex16()
{
    QFETCH(QString, field);
    QFETCH(int, value);
    QCOMPARE(int(numbers::decodeHex16(field)), value);
}

QTEST_APPLESS_MAIN(tst_numbers)
#include "tst_numbers.moc"
