#include "NumberFormat.h"

#include <QtTest>

#include <cfloat>
#include <cmath>

class TestFormatting : public QObject
{
    Q_OBJECT

private slots:
    void naturalText_data();
    void naturalText();
    void decimalPlaces_data();
    void decimalPlaces();
};

void TestFormatting::naturalText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("figures");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QString>("text");

    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("trimmed zeros") << 1.5 << 0 << 3 << true << "1.5";
    QTest::newRow("trimmed point") << 2.0 << 0 << 3 << true << "2";
    QTest::newRow("trim leaves whole numbers") << 100.0 << 0 << 0 << true << "100";
    QTest::newRow("figures first") << 123.456 << 2 << 3 << false << "120.000";
    QTest::newRow("places capped at 15") << 0.1 << 0 << 20 << false << "0.100000000000000";
    QTest::newRow("subnormal reads zero") << DBL_MIN / 8.0 << 0 << 2 << false << "0.00";
    QTest::newRow("no negative zero") << -0.0001 << 0 << 2 << false << "0.00";
    QTest::newRow("negative zero trimmed") << -0.0001 << 0 << 2 << true << "0";
    QTest::newRow("power of ten figures") << 1e-3 << 1 << 4 << false << "0.0010";
    QTest::newRow("nan") << std::nan("") << 3 << 2 << false << "nan";
    QTest::newRow("infinity") << inf << 0 << 2 << true << "inf";
}

void TestFormatting::naturalText()
{
    QFETCH(double, value);
    QFETCH(int, figures);
    QFETCH(int, decimals);
    QFETCH(bool, trim);
    QFETCH(QString, text);
    QCOMPARE(naturalDoubleToString(value, figures, decimals, trim), text);
}

void TestFormatting::decimalPlaces_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("maxDigits");
    QTest::addColumn<int>("places");

    QTest::newRow("eighth") << 0.125 << 6 << 3;
    QTest::newRow("third stops at max digits") << 1.0 / 3.0 << 6 << 5;
    QTest::newRow("whole part fills the digits") << 123456.7 << 6 << 0;
    QTest::newRow("ten counts one digit") << 10.25 << 6 << 2;
    QTest::newRow("binary noise ignored") << 0.1 + 0.2 << 6 << 1;
    QTest::newRow("nan") << std::nan("") << 6 << 0;
}

void TestFormatting::decimalPlaces()
{
    QFETCH(double, value);
    QFETCH(int, maxDigits);
    QFETCH(int, places);
    QCOMPARE(numberOfDecimalPlaces(value, maxDigits), places);
}

QTEST_APPLESS_MAIN(TestFormatting)
#include "tst_formatting.moc"
