#include "NumberFormat.h"
#include "UnitSystem.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <QtTest>

#include <array>
#include <cfloat>
#include <cmath>

class TestUnits : public QObject
{
    Q_OBJECT

private slots:
    void everyConversionRoundTrips();
    void conversionFactors();
    void oneUnitHasOneFactor();
    void rounding();
    void stringsAndUnitTexts();
    void choosingSystems();
    void naturalText_data();
    void naturalText();
    void decimalPlaces_data();
    void decimalPlaces();
};

void TestUnits::everyConversionRoundTrips()
{
    UnitSystem units;
    for (int system = 0; system < UnitSystem::NumberOfSystems; ++system) {
        units.setChosenSystem(system);
        for (int conversion = 0; conversion < UnitSystem::NumberOfConversions; ++conversion) {
            const auto c = UnitSystem::Conversion(conversion);
            QVERIFY(units.record(c).factor > 0.0);
            for (double si : {1.0, -0.37, 12345.678, 2.5e-9, 7.0e11}) {
                const double back = units.convertPreferredToSI(units.convertSIToPreferred(si, c), c);
                QVERIFY2(std::fabs(back - si) <= 4.0 * DBL_EPSILON * std::fabs(si),
                         qPrintable(QStringLiteral("system %1, conversion %2").arg(system).arg(conversion)));
            }
        }
    }
}

void TestUnits::conversionFactors()
{
    UnitSystem units;
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Force), 1000.0);
    QCOMPARE(units.convertPreferredToSI(90.0, UnitSystem::AngleDegrees), M_PI / 2.0);
    units.setChosenSystem(2);
    // The international pound-force of 0.45359237 kg at 9.80665 m/s².
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Force), 4448.2216152605);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Length), 0.0254);
    // A length rounds to a tenth of an inch.
    QCOMPARE(units.minimumPreferredValue(UnitSystem::Length), 0.1);
    QVERIFY(qFuzzyCompare(units.roundSIAsPreferred(1.0, UnitSystem::Length), 39.4 * 0.0254));

    // Derived factors agree with their parts.
    units.setChosenSystem(1);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::YoungsModulus), 1e9);
    units.setChosenSystem(2);
    const double kip = units.convertPreferredToSI(1.0, UnitSystem::AxialForce);
    const double inch = units.convertPreferredToSI(1.0, UnitSystem::LengthSmall);
    QVERIFY(qFuzzyCompare(units.convertPreferredToSI(1.0, UnitSystem::YoungsModulus), kip / (inch * inch)));
    QVERIFY(qFuzzyCompare(units.convertPreferredToSI(1.0, UnitSystem::InertiaMajor), std::pow(inch, 4)));
    QVERIFY(qFuzzyCompare(units.convertPreferredToSI(1.0, UnitSystem::BendingMoment), kip * 12.0 * inch));
    // 29000 ksi is the usual modulus of steel: about 200 GPa.
    QVERIFY(std::fabs(units.convertPreferredToSI(29000.0, UnitSystem::YoungsModulus) - 199.95e9) < 0.01e9);
}

namespace {

// The powers of kilogram, metre, second, kelvin and radian that make up a
// conversion's quantity.
typedef std::array<int, 5> Dimension;

Dimension dimensionOf(int conversion)
{
    switch (conversion) {
    case UnitSystem::AxialForce:
    case UnitSystem::LoadForce:
    case UnitSystem::ReactionForce:
    case UnitSystem::ShearForce:
    case UnitSystem::Force:
        return {1, 1, -2, 0, 0};
    case UnitSystem::BendingMoment:
    case UnitSystem::LoadTorque:
    case UnitSystem::ReactionTorque:
    case UnitSystem::Torque:
    case UnitSystem::TorsionMoment:
        return {1, 2, -2, 0, 0};
    case UnitSystem::BendingStress:
    case UnitSystem::ShearModulus:
    case UnitSystem::YoungsModulus:
        return {1, -1, -2, 0, 0};
    case UnitSystem::LoadForcePerLength:
    case UnitSystem::ForcePerUnitLength:
        return {1, 0, -2, 0, 0};
    case UnitSystem::Distance:
    case UnitSystem::LengthSmall:
    case UnitSystem::Length:
        return {0, 1, 0, 0, 0};
    case UnitSystem::Area:
        return {0, 2, 0, 0, 0};
    case UnitSystem::SectionModulusMajor:
    case UnitSystem::SectionModulusMinor:
        return {0, 3, 0, 0, 0};
    case UnitSystem::InertiaMajor:
    case UnitSystem::InertiaMinor:
    case UnitSystem::TorsionConstant:
        return {0, 4, 0, 0, 0};
    case UnitSystem::Density:
        return {1, -3, 0, 0, 0};
    case UnitSystem::UnitMass:
        return {1, -1, 0, 0, 0};
    case UnitSystem::Mass:
        return {1, 0, 0, 0, 0};
    case UnitSystem::Acceleration:
        return {0, 1, -2, 0, 0};
    case UnitSystem::ThermalExpansion:
        return {0, 0, 0, -1, 0};
    case UnitSystem::AngleDegrees:
    case UnitSystem::Rotation:
        return {0, 0, 0, 0, 1};
    default:
        return {0, 0, 0, 0, 0};
    }
}

// Values of very different sizes in one unit keep a step of their own: the
// lengths of the model's grid, of a section's dimensions and of a
// displacement, and a stress beside a modulus. The rest share one.
int stepOf(int conversion)
{
    switch (conversion) {
    case UnitSystem::Length:
    case UnitSystem::LengthSmall:
    case UnitSystem::Distance:
    case UnitSystem::BendingStress:
        return conversion;
    default:
        return -1;
    }
}

} // namespace

// What is typed in a unit is shown in the same unit as the same number, to
// the same places: a unit's name stands for one factor and one precision
// throughout its system, at each size of value (stepOf), and one unit has
// one name there, so a kN.m is never a kNm beside it.
void TestUnits::oneUnitHasOneFactor()
{
    for (int system = 0; system < UnitSystem::NumberOfSystems; ++system) {
        QMap<QString, int> firsts;
        QMap<QPair<QString, int>, int> firstsOfStep;
        for (int conversion = 0; conversion < UnitSystem::NumberOfConversions; ++conversion) {
            const UnitSystem::Record& r = UnitSystem::record(system, UnitSystem::Conversion(conversion));
            const QString unit = QString::fromUtf8(r.units);
            if (unit.isEmpty() || conversion == UnitSystem::MajorAxisName || conversion == UnitSystem::MinorAxisName)
                continue;
            const QString where = QStringLiteral("system %1, conversion %2, %3").arg(system).arg(conversion).arg(unit);
            for (int other = 0; other < conversion; ++other) {
                const UnitSystem::Record& o = UnitSystem::record(system, UnitSystem::Conversion(other));
                const QString otherUnit = QString::fromUtf8(o.units);
                if (otherUnit.isEmpty() || other == UnitSystem::MajorAxisName || other == UnitSystem::MinorAxisName)
                    continue;
                const bool sameUnit = dimensionOf(other) == dimensionOf(conversion)
                                      && std::fabs(o.factor - r.factor) <= 1e-12 * r.factor;
                QVERIFY2(!sameUnit || otherUnit == unit,
                         qPrintable(QStringLiteral("%1 is conversion %2's %3").arg(where).arg(other).arg(otherUnit)));
                QVERIFY2(otherUnit != unit || dimensionOf(other) == dimensionOf(conversion),
                         qPrintable(QStringLiteral("%1 measures another quantity than conversion %2").arg(where).arg(other)));
            }
            const UnitSystem::Record& first = UnitSystem::record(system, UnitSystem::Conversion(firsts.value(unit, conversion)));
            QVERIFY2(first.factor == r.factor, qPrintable(QStringLiteral("%1 is %2 and %3")
                                                              .arg(where)
                                                              .arg(first.factor, 0, 'g', 17)
                                                              .arg(r.factor, 0, 'g', 17)));
            const QPair<QString, int> step(unit, stepOf(conversion));
            const UnitSystem::Record& firstOfStep =
                UnitSystem::record(system, UnitSystem::Conversion(firstsOfStep.value(step, conversion)));
            QVERIFY2(firstOfStep.decimals == r.decimals, qPrintable(QStringLiteral("%1 to %2 places and %3")
                                                                        .arg(where)
                                                                        .arg(firstOfStep.decimals)
                                                                        .arg(r.decimals)));
            QVERIFY2(firstOfStep.significantFigures == r.significantFigures, qPrintable(where));
            if (!firsts.contains(unit))
                firsts.insert(unit, conversion);
            if (!firstsOfStep.contains(step))
                firstsOfStep.insert(step, conversion);
        }
    }
    // A kip-ft is a kip times a foot, wherever a torque is typed or shown.
    UnitSystem units;
    units.setChosenSystem(2);
    for (auto c : {UnitSystem::Torque, UnitSystem::LoadTorque, UnitSystem::BendingMoment})
        QCOMPARE(units.convertPreferredToSI(16.0, c), 16.0 * 4448.2216152605 * 0.3048);
}

void TestUnits::rounding()
{
    UnitSystem units;
    const double inf = std::numeric_limits<double>::infinity();
    QVERIFY(std::isnan(units.roundSIAsPreferred(std::nan(""), UnitSystem::Length)));
    QCOMPARE(units.roundSIAsPreferred(inf, UnitSystem::Length), inf);
    QCOMPARE(units.roundSIAsPreferred(DBL_MIN / 4.0, UnitSystem::Length), 0.0);
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(DBL_MIN / 4.0, UnitSystem::Unitless, 3), 0.0);
    QVERIFY(std::isnan(units.roundSIAsPreferredWithSigFigs(std::nan(""), UnitSystem::Unitless, 3)));
    // Huge values must not overflow in the decimal rounding.
    QCOMPARE(units.roundSIAsPreferred(1e305, UnitSystem::Length), 1e305);
    QCOMPARE(units.roundSIAsPreferred(-DBL_MAX, UnitSystem::Length), -DBL_MAX);

    // Factor: two decimals; 0.125 is exact in binary, so this is a true half.
    QCOMPARE(units.roundSIAsPreferred(0.125, UnitSystem::Factor), 0.13);
    QCOMPARE(units.roundSIAsPreferred(-0.125, UnitSystem::Factor), -0.13);
    QCOMPARE(units.roundPreferred(-2.375, UnitSystem::Factor), -2.38);
    QCOMPARE(units.roundSIAsPreferred(1.23449, UnitSystem::Length), 1.234);

    // 12340 N is 12.34 kN; two figures of it are 12 kN.
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(12340.0, UnitSystem::LoadForce, 2), 12000.0);
    // Below one the exponent is truncated towards zero, so 0.1234 keeps one
    // figure fewer: e = 10^(0 - 1).
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(0.1234, UnitSystem::Unitless, 2), 0.1);
    QCOMPARE(units.roundSIAsPreferredWithSigFigs(-987.6, UnitSystem::Unitless, 3), -988.0);

    // Nor in the conversion: a tenth of an inch or a thousandth of a kip
    // cannot change the largest values, which stay as they are.
    UnitSystem imperial;
    imperial.setChosenSystem(2);
    QCOMPARE(imperial.roundSIAsPreferred(DBL_MAX, UnitSystem::Length), DBL_MAX);
    QCOMPARE(imperial.roundSIAsPreferred(-1e300, UnitSystem::Length), -1e300);
    QCOMPARE(imperial.roundSIAsPreferred(-DBL_MAX, UnitSystem::Force), -DBL_MAX);
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
    QCOMPARE(units.preferredStringFromSI(0.01234, UnitSystem::LengthSmall, false), QStringLiteral("12.3"));
    units.setChosenSystem(2);
    QCOMPARE(units.preferredStringFromSI(0.0254, UnitSystem::LengthSmall, false), QStringLiteral("1.00"));
    // European practice names the major axis Y; British and American name it X.
    QCOMPARE(units.preferredUnits(UnitSystem::MajorAxisName), QStringLiteral("X"));
    units.setChosenSystem(1);
    QCOMPARE(units.preferredUnits(UnitSystem::MajorAxisName), QStringLiteral("Y"));
}

void TestUnits::choosingSystems()
{
    UnitSystem units;
    QSignalSpy spy(&units, &UnitSystem::UnitSystemChanged);
    units.setChosenSystem(QStringLiteral("Imperial (US)"));
    QCOMPARE(units.chosenSystem(), 2);
    units.setChosenSystem(2); // the same again still announces itself
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);

    units.setChosenSystem(QStringLiteral("metric (uk)")); // names match exactly
    QCOMPARE(units.chosenSystem(), 0);

    // An index out of range is kept, but converts as the first system.
    units.setChosenSystem(7);
    QCOMPARE(units.chosenSystem(), 7);
    QCOMPARE(units.convertPreferredToSI(1.0, UnitSystem::Force), 1000.0);
}

void TestUnits::naturalText_data()
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

void TestUnits::naturalText()
{
    QFETCH(double, value);
    QFETCH(int, figures);
    QFETCH(int, decimals);
    QFETCH(bool, trim);
    QFETCH(QString, text);
    QCOMPARE(naturalDoubleToString(value, figures, decimals, trim), text);
}

void TestUnits::decimalPlaces_data()
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

void TestUnits::decimalPlaces()
{
    QFETCH(double, value);
    QFETCH(int, maxDigits);
    QFETCH(int, places);
    QCOMPARE(numberOfDecimalPlaces(value, maxDigits), places);
}

VARO_APPLESS_TEST_MAIN(TestUnits)
#include "tst_units.moc"
