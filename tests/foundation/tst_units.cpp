#include "UnitSystem.h"

#include <QSignalSpy>
#include <QtTest>

#include <cfloat>
#include <cmath>

class TestUnits : public QObject
{
    Q_OBJECT

private slots:
    void everyConversionRoundTrips_data();
    void everyConversionRoundTrips();
    void lengthGridFollowsTheSystem();
    void givenRecordsAreUsed();
    void derivedFactorsAgree();
    void roundingKeepsSpecialValues();
    void roundingHalvesAwayFromZero();
    void roundingWithSigFigsKeepsOneFigureFewerBelowOne();
    void stringsAndUnitTexts();
    void choosingSystems();
};

void TestUnits::everyConversionRoundTrips_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("conversion");
    for (int s = 0; s < UnitSystem::NumberOfSystems; ++s)
        for (int c = 0; c < UnitSystem::NumberOfConversions; ++c)
            QTest::addRow("%s %d", qPrintable(UnitSystem::availableSystemsShort()[s]), c) << s << c;
}

void TestUnits::everyConversionRoundTrips()
{
    QFETCH(int, system);
    QFETCH(int, conversion);
    UnitSystem units;
    units.setChosenSystem(system);
    const auto c = UnitSystem::Conversion(conversion);
    QVERIFY(units.record(c).factor > 0.0);
    for (double si : {1.0, -0.37, 12345.678, 2.5e-9, 7.0e11}) {
        const double back = units.convertPreferredToSI(units.convertSIToPreferred(si, c), c);
        QVERIFY2(std::fabs(back - si) <= 4.0 * DBL_EPSILON * std::fabs(si), qPrintable(QString::number(back, 'g', 17)));
    }
}

void TestUnits::lengthGridFollowsTheSystem()
{
    UnitSystem units;
    for (int metric : {0, 1}) {
        units.setChosenSystem(metric);
        QCOMPARE(units.minimumPreferredValue(UnitSystem::Length), 0.001);
        QCOMPARE(units.convertPreferredToSI(units.minimumPreferredValue(UnitSystem::Length), UnitSystem::Length), 0.001);
    }
    units.setChosenSystem(2);
    QCOMPARE(units.minimumPreferredValue(UnitSystem::Length), 0.1);
    QVERIFY(qFuzzyCompare(units.convertPreferredToSI(units.minimumPreferredValue(UnitSystem::Length), UnitSystem::Length),
                          0.00254));
    // A length rounds to a tenth of an inch.
    QVERIFY(qFuzzyCompare(units.roundSIAsPreferred(1.0, UnitSystem::Length), 39.4 * 0.0254));
}

void TestUnits::givenRecordsAreUsed()
{
    UnitSystem units;
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Force), 1000.0);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Torque), 1000.0);
    QCOMPARE(units.convertPreferredToSI(90.0, UnitSystem::AngleDegrees), M_PI / 2.0);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Factor), 1.0);
    units.setChosenSystem(2);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Force), 4448.0);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Torque), 1355.7504);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Length), 0.0254);
    QCOMPARE(units.preferredUnits(UnitSystem::Force), QStringLiteral("kip"));
    QCOMPARE(units.preferredUnits(UnitSystem::Torque), QStringLiteral("kip-ft"));
}

void TestUnits::derivedFactorsAgree()
{
    UnitSystem units;
    for (int s : {0, 1}) {
        units.setChosenSystem(s);
        QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::YoungsModulus), 1e9);
        QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::ShearModulus), 1e9);
        QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::LengthSmall), 0.001);
    }
    units.setChosenSystem(2);
    const double kip = units.convertPreferredToSI(1.0, UnitSystem::AxialForce);
    const double inch = units.convertPreferredToSI(1.0, UnitSystem::LengthSmall);
    QVERIFY(qFuzzyCompare(units.convertPreferredToSI(1.0, UnitSystem::YoungsModulus), kip / (inch * inch)));
    QVERIFY(qFuzzyCompare(units.convertPreferredToSI(1.0, UnitSystem::InertiaMajor), std::pow(inch, 4)));
    QVERIFY(qFuzzyCompare(units.convertPreferredToSI(1.0, UnitSystem::BendingMoment), kip * 12.0 * inch));
    // 29000 ksi is the usual modulus of steel: about 200 GPa.
    QVERIFY(std::fabs(units.convertPreferredToSI(29000.0, UnitSystem::YoungsModulus) - 199.95e9) < 0.01e9);
}

void TestUnits::roundingKeepsSpecialValues()
{
    UnitSystem units;
    const double inf = std::numeric_limits<double>::infinity();
    QVERIFY(std::isnan(units.roundSIAsPreferred(std::nan(""), UnitSystem::Length)));
    QCOMPARE(units.roundSIAsPreferred(inf, UnitSystem::Length), inf);
    QCOMPARE(units.roundSIAsPreferred(-inf, UnitSystem::Force), -inf);
    QCOMPARE(units.roundSIAsPreferred(DBL_MIN / 4.0, UnitSystem::Length), 0.0);
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(DBL_MIN / 4.0, UnitSystem::Unitless, 3), 0.0);
    QVERIFY(std::isnan(units.roundSIAsPreferredWithSigFigs(std::nan(""), UnitSystem::Unitless, 3)));
    // Huge values must not overflow in the decimal rounding.
    QCOMPARE(units.roundSIAsPreferred(1e305, UnitSystem::Length), 1e305);
    QCOMPARE(units.roundSIAsPreferred(-DBL_MAX, UnitSystem::Length), -DBL_MAX);
}

void TestUnits::roundingHalvesAwayFromZero()
{
    UnitSystem units;
    // Factor: two decimals; 0.125 is exact in binary, so this is a true half.
    QCOMPARE(units.roundSIAsPreferred(0.125, UnitSystem::Factor), 0.13);
    QCOMPARE(units.roundSIAsPreferred(-0.125, UnitSystem::Factor), -0.13);
    QCOMPARE(units.roundPreferred(-2.375, UnitSystem::Factor), -2.38);
    QCOMPARE(units.roundPreferred(2.375, UnitSystem::Factor), 2.38);
    QCOMPARE(units.roundSIAsPreferred(1.23449, UnitSystem::Length), 1.234);
}

void TestUnits::roundingWithSigFigsKeepsOneFigureFewerBelowOne()
{
    UnitSystem units;
    // 12340 N is 12.34 kN; two figures of it are 12 kN.
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(12340.0, UnitSystem::LoadForce, 2), 12000.0);
    // Below one the exponent is truncated towards zero, so 0.1234 keeps one
    // figure fewer: e = 10^(0 - 1).
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(0.1234, UnitSystem::Unitless, 2), 0.1);
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(-987.6, UnitSystem::Unitless, 3), -988.0);
}

void TestUnits::stringsAndUnitTexts()
{
    UnitSystem units;
    QCOMPARE(units.preferredStringFromSI(1.23456, UnitSystem::Length, false), QStringLiteral("1.235"));
    QCOMPARE(units.preferredStringFromSI(2.0, UnitSystem::Length, false), QStringLiteral("2.000"));
    QCOMPARE(units.preferredStringFromSI(2.0, UnitSystem::Length, true), QStringLiteral("2"));
    QCOMPARE(units.preferredStringFromSI(0.5, UnitSystem::Unitless, false), QStringLiteral("0.5"));
    QCOMPARE(units.preferredStringFromSI(-1500.0, UnitSystem::Force, false), QStringLiteral("-1.500"));
    QCOMPARE(units.preferredStringFromSI(2.05e11, UnitSystem::YoungsModulus, false), QStringLiteral("205.0"));

    const QStringList modulus = {"kN/mm<sup>2</sup>", "GPa", "kip/in<sup>2</sup>"};
    const QStringList major = {"X", "Y", "X"};
    const QStringList minor = {"Y", "Z", "Y"};
    for (int s = 0; s < 3; ++s) {
        units.setChosenSystem(s);
        QCOMPARE(units.preferredUnits(UnitSystem::YoungsModulus), modulus[s]);
        QCOMPARE(units.preferredUnits(UnitSystem::ShearModulus), modulus[s]);
        QCOMPARE(units.preferredUnits(UnitSystem::MajorAxisName), major[s]);
        QCOMPARE(units.preferredUnits(UnitSystem::MinorAxisName), minor[s]);
        QCOMPARE(units.preferredUnits(UnitSystem::Unitless), QString());
        QCOMPARE(units.preferredUnits(UnitSystem::AngleDegrees), QStringLiteral("deg"));
    }
    units.setChosenSystem(0);
    QCOMPARE(units.preferredUnits(UnitSystem::LengthSmall), QStringLiteral("mm"));
    QCOMPARE(units.preferredStringFromSI(0.01234, UnitSystem::LengthSmall, false), QStringLiteral("12.3"));
    units.setChosenSystem(2);
    QCOMPARE(units.preferredUnits(UnitSystem::LengthSmall), QStringLiteral("in"));
    QCOMPARE(units.preferredStringFromSI(0.0254, UnitSystem::LengthSmall, false), QStringLiteral("1.00"));
}

void TestUnits::choosingSystems()
{
    UnitSystem units;
    QCOMPARE(units.chosenSystem(), 0);
    QCOMPARE(UnitSystem::availableSystems(),
             QStringList({"Metric (UK)", "Metric (EU)", "Imperial (US)"}));
    QCOMPARE(UnitSystem::availableSystemsShort(), QStringList({"UK", "EU", "US"}));

    QSignalSpy spy(&units, &UnitSystem::UnitSystemChanged);
    units.setChosenSystem(QStringLiteral("Imperial (US)"));
    QCOMPARE(units.chosenSystem(), 2);
    units.setChosenSystem(2); // the same again still announces itself
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);

    units.setChosenSystem(QStringLiteral("metric (uk)")); // names match exactly
    QCOMPARE(units.chosenSystem(), 0);
    units.setChosenSystem(QStringLiteral("Metric (EU)"));
    units.setChosenSystem(QString());
    QCOMPARE(units.chosenSystem(), 0);

    // An index out of range is kept, but converts as the first system.
    units.setChosenSystem(7);
    QCOMPARE(units.chosenSystem(), 7);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Force), 1000.0);
    QCOMPARE(units.preferredUnits(UnitSystem::Length), QStringLiteral("m"));
}

QTEST_APPLESS_MAIN(TestUnits)
#include "tst_units.moc"
