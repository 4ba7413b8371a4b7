#include "options/NumberText.h"

#include <QTest>

#include <cfloat>
#include <cmath>

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void leadingNumber_data();
    void leadingNumber();
    void roundHalfEven_data();
    void roundHalfEven();
    void roundToInt16_data();
    void roundToInt16();
    void plainDecimal_data();
    void plainDecimal();
    void patterns_data();
    void patterns();
};

void TestNumberText::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("comma ends") << QStringLiteral("1,234") << 1.0;
    QTest::newRow("blank inside") << QStringLiteral("12 3") << 123.0;
    QTest::newRow("tab and LF inside") << QStringLiteral("\t1\n2\t") << 12.0;
    QTest::newRow("CR ends") << QStringLiteral("1\r2") << 1.0;
    QTest::newRow("N/F") << QStringLiteral("N/F") << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("hex") << QStringLiteral("&H1F") << 31.0;
    QTest::newRow("hex FFFF unsigned") << QStringLiteral("&HFFFF") << 65535.0;
    QTest::newRow("octal") << QStringLiteral("&O17") << 15.0;
    QTest::newRow("ampersand alone") << QStringLiteral("&12") << 0.0;
    QTest::newRow("exponent") << QStringLiteral("-2.5e1") << -25.0;
    QTest::newRow("exponent sign") << QStringLiteral("25E-1x") << 2.5;
    QTest::newRow("exponent without digits") << QStringLiteral("1e") << 1.0;
    QTest::newRow("D is no exponent") << QStringLiteral("2Days") << 2.0;
    QTest::newRow("point first") << QStringLiteral(".5") << 0.5;
    QTest::newRow("second point ends") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("plus") << QStringLiteral("+7 times") << 7.0;
    QTest::newRow("sign then blank") << QStringLiteral("- 4") << -4.0;
    QTest::newRow("double sign") << QStringLiteral("--4") << 0.0;
    QTest::newRow("overflow") << QStringLiteral("1e999") << DBL_MAX;
    QTest::newRow("underflow") << QStringLiteral("1e-999") << 0.0;
}

void TestNumberText::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(leadingNumberValue(text), value);
}

void TestNumberText::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("rounded");
    QTest::newRow("0.5") << 0.5 << qint64(0);
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("-1.5") << -1.5 << qint64(-2);
    QTest::newRow("2.5001") << 2.5001 << qint64(3);
    QTest::newRow("huge") << 1e300 << std::numeric_limits<qint64>::max();
    QTest::newRow("-huge") << -1e300 << std::numeric_limits<qint64>::min();
    QTest::newRow("NaN") << std::nan("") << qint64(0);
}

void TestNumberText::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(qint64, rounded);
    QCOMPARE(::roundHalfEven(value), rounded);
}

void TestNumberText::roundToInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("rounded");
    QTest::newRow("32767") << 32767.0 << true << 32767;
    QTest::newRow("32767.5 overflows") << 32767.5 << false << 0;
    QTest::newRow("32766.5 to even") << 32766.5 << true << 32766;
    QTest::newRow("-32768.5 to even") << -32768.5 << true << -32768;
    QTest::newRow("-32769") << -32769.0 << false << 0;
    QTest::newRow("NaN") << std::nan("") << false << 0;
}

void TestNumberText::roundToInt16()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, rounded);
    const std::optional<qint16> r = ::roundToInt16(value);
    QCOMPARE(r.has_value(), fits);
    if (fits)
        QCOMPARE(int(*r), rounded);
}

void TestNumberText::plainDecimal_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1234.0 << QStringLiteral("1234");
    QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
    QTest::newRow("fraction") << 12.5 << QStringLiteral("12.5");
    QTest::newRow("15 digits") << 0.1 + 0.2 << QStringLiteral("0.3");
    QTest::newRow("third") << 1.0 / 3 << QStringLiteral("0.333333333333333");
    QTest::newRow("large whole") << 999999999999999.0 << QStringLiteral("999999999999999");
}

void TestNumberText::plainDecimal()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(plainDecimalText(value), text);
}

void TestNumberText::patterns_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern00");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("25/2") << 25.0 / 2 << QStringLiteral("12.50") << QStringLiteral("12.5");
    QTest::newRow("2/3") << 2.0 / 3 << QStringLiteral(".67") << QStringLiteral(".67");
    QTest::newRow("whole") << 40.0 << QStringLiteral("40.00") << QStringLiteral("40");
    QTest::newRow("zero") << 0.0 << QStringLiteral(".00") << QStringLiteral("0");
    QTest::newRow("rounds to zero") << -0.001 << QStringLiteral(".00") << QStringLiteral("0");
    QTest::newRow("half") << 0.5 << QStringLiteral(".50") << QStringLiteral(".5");
    QTest::newRow("negative") << -2.0 / 3 << QStringLiteral("-.67") << QStringLiteral("-.67");
    QTest::newRow("decimal half up") << 1.005 << QStringLiteral("1.01") << QStringLiteral("1.01");
    QTest::newRow("carry") << 9.999 << QStringLiteral("10.00") << QStringLiteral("10");
    QTest::newRow("thousands") << 1234567.891 << QStringLiteral("1234567.89")
                               << QStringLiteral("1,234,567.89");
    QTest::newRow("negative thousands")
        << -12345.5 << QStringLiteral("-12345.50") << QStringLiteral("-12,345.5");
    QTest::newRow("1e20") << 1e20 << QStringLiteral("100000000000000000000.00")
                          << QStringLiteral("100,000,000,000,000,000,000");
}

void TestNumberText::patterns()
{
    QFETCH(double, value);
    QFETCH(QString, pattern00);
    QFETCH(QString, grouped);
    QCOMPARE(formatPattern_00(value), pattern00);
    QCOMPARE(formatGroupedPattern(value), grouped);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
