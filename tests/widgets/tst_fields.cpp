#include "CalculatorField.h"
#include "UnitLabels.h"
#include "WidgetTesting.h"

#include <QSignalSpy>

#include <cmath>

class TestFields : public QObject
{
    Q_OBJECT

private slots:
    void labelsFollowTheUnitSystem_data();
    void labelsFollowTheUnitSystem();
    void fieldTakesTheRoundedAnswer_data();
    void fieldTakesTheRoundedAnswer();
};

void TestFields::labelsFollowTheUnitSystem_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<QString>("units");
    QTest::addColumn<QString>("nomenclature");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("length");

    // 250 MPa; a length of 2.54 m is 100 inches.
    QTest::newRow("Metric (UK)") << 0 << "N/mm<sup>2</sup>" << "Bending stress" << "250.0" << "2.540";
    QTest::newRow("Metric (EU)") << 1 << "MPa" << "Bending stress" << "250.0" << "2.540";
    // 1 ksi = 4448.2216 N / (0.0254 m)^2 = 6.894757 MPa.
    QTest::newRow("Imperial (US)") << 2 << "kip/in<sup>2</sup>" << "Bending stress" << "36.26" << "100.0";
}

void TestFields::labelsFollowTheUnitSystem()
{
    UnitSystemRef unitSystem(new UnitSystem);
    UnitsLabel units(unitSystem, UnitSystem::BendingStress);
    NomenclatureLabel nomenclature(unitSystem, UnitSystem::BendingStress);
    NumericUnitsLabel number(250e6, unitSystem, UnitSystem::BendingStress);
    NumericUnitsLabel length(0.0, unitSystem, UnitSystem::Length);
    length.setPreferredValue(2.54);
    CalculatorField field(1.0, unitSystem, UnitSystem::Length);

    QFETCH(int, system);
    unitSystem->setChosenSystem(system);
    QTEST(units.text(), "units");
    QTEST(nomenclature.text(), "nomenclature");
    QTEST(number.text(), "number");
    QTEST(length.text(), "length");
    // A field changes its text only when its owner sets the value again.
    QCOMPARE(field.text(), QStringLiteral("1.000"));
    field.setValueAsSI(2.54);
    QTEST(field.text(), "length");
}

void TestFields::fieldTakesTheRoundedAnswer_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("conversion");
    QTest::addColumn<double>("startSI");
    QTest::addColumn<QString>("startText");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("valueSI");

    QTest::newRow("UK length, 3 places") << 0 << int(UnitSystem::Length) << 2.54 << "2.540" << "1.23456"
                                         << "1.235" << 1.235;
    QTest::newRow("EU modulus, 1 place") << 1 << int(UnitSystem::YoungsModulus) << 205e9 << "205.0" << "210.04"
                                         << "210.0" << 210e9;
    QTest::newRow("US length, tenths of an inch")
        << 2 << int(UnitSystem::Length) << 2.54 << "100.0" << "39.37" << "39.4" << 39.4 * 0.0254;
    QTest::newRow("rounds to the old value") << 2 << int(UnitSystem::Length) << 100 * 0.0254 << "100.0"
                                             << "100.04" << "100.0" << 100 * 0.0254;
}

void TestFields::fieldTakesTheRoundedAnswer()
{
    QFETCH(double, startSI);
    QFETCH(double, valueSI);
    QFETCH(int, system);
    QFETCH(int, conversion);
    QFETCH(QString, typed);
    UnitSystemRef unitSystem(new UnitSystem);
    unitSystem->setChosenSystem(system);
    CalculatorField field(startSI, unitSystem, UnitSystem::Conversion(conversion));
    QTEST(field.text(), "startText");

    // The owner routes the request to the one calculator, as the main window does.
    Calculator calculator(unitSystem, nullptr);
    connect(&field, &CalculatorField::OpenCalculator, &calculator,
            [&calculator](double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                          const CalculatorReference& ref, QObject* receiver, const char* slot) {
                calculator.disconnect(SIGNAL(CalculationFinished(Vector4, CalculatorReference)));
                calculator.open(value, conversion, matrix, ref);
                QVERIFY(QObject::connect(&calculator, SIGNAL(CalculationFinished(Vector4, CalculatorReference)), receiver,
                                slot));
            });
    QSignalSpy changed(&field, &CalculatorField::ValueChanged);
    QSignalSpy calculated(&field, &CalculatorField::ValueCalculated);
    QTest::mouseClick(&field, Qt::LeftButton);
    QVERIFY(calculator.isVisible());
    QCOMPARE(calculator.currentValue(), unitSystem->convertSIToPreferred(startSI, UnitSystem::Conversion(conversion)));

    pressKeys(calculator, QStringLiteral("c") + typed + QStringLiteral("="));
    QTEST(field.text(), "text");
    QVERIFY(std::fabs(field.valueAsSI() - valueSI) <= 1e-12 * valueSI);
    const int signals_ = valueSI == startSI ? 0 : 1;
    QCOMPARE(changed.count(), signals_);
    QCOMPARE(calculated.count(), signals_);

    // Set by the program: only ValueChanged, and only for a new value.
    QVERIFY(field.setValueAsSI(startSI) == (signals_ == 1));
    QVERIFY(!field.setValueAsSI(startSI));
    QCOMPARE(changed.count(), 2 * signals_);
    QCOMPARE(calculated.count(), signals_);
}

VARO_WIDGET_TEST_MAIN(TestFields)

#include "tst_fields.moc"
