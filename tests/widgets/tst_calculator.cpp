#include "Calculator.h"
#include "WidgetTesting.h"

#include <QPushButton>
#include <QSignalSpy>

namespace {

QPushButton* key(Calculator& calculator, const char* name)
{
    return calculator.findChild<QPushButton*>(QLatin1String(name));
}

} // namespace

class TestCalculator : public QObject
{
    Q_OBJECT

private slots:
    void arithmetic_data();
    void arithmetic();
    void answerIsMatrixTimesValue();
    void keyboardAndClicks();
    void editingTheOpenedValue();
};

void TestCalculator::arithmetic_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("readout");
    QTest::addColumn<QString>("history");

    QTest::newRow("precedence") << "2+3*4=" << "14" << "";
    QTest::newRow("product reduced before both pending") << "2-3*4+5=" << "-5" << "";
    QTest::newRow("products then sum") << "2*3+4*5=" << "26" << "";
    QTest::newRow("left to right") << "8/4/2=" << "1" << "";
    QTest::newRow("pending shown") << "2+3*" << "3" << "2 + 3 x ";
    QTest::newRow("equal precedence reduced") << "2+3-" << "5" << "5 - ";
    QTest::newRow("operator replaced") << "2+*" << "2" << "2 x ";
    QTest::newRow("replaced operator evaluated") << "2+-3=" << "-1" << "";
    QTest::newRow("function mid expression") << "2+9s*4=" << "14" << "";
    QTest::newRow("negated operand") << "4n+1=" << "-3" << "";
    QTest::newRow("squares and root") << "3q+4q=s" << "5" << "";
    QTest::newRow("reciprocal") << "8r" << "0.125" << "";
    QTest::newRow("sine in degrees") << "30i" << "0.5" << "";
    QTest::newRow("cosine") << "60o" << "0.5" << "";
    QTest::newRow("tangent") << "45t" << "1" << "";
    QTest::newRow("arc sine") << ".5Si" << "30" << "";
    QTest::newRow("arc tangent") << "1St" << "45" << "";
    QTest::newRow("shift lasts one key") << "S1+60o=" << "1.5" << "";
    QTest::newRow("division by zero") << "1/0=" << "Error" << "";
    QTest::newRow("root of negative") << "1ns" << "Error" << "";
    QTest::newRow("delete keeps typed digits") << "c0.330d" << "0.33" << "";
    QTest::newRow("delete point then digit") << "c12.5dd" << "12" << "";
    QTest::newRow("delete to nothing") << "c123ddd" << "0" << "";
    QTest::newRow("clear keeps pending") << "2+5c" << "0" << "2 + ";
    QTest::newRow("clear then value") << "2+5c3=" << "5" << "";
    QTest::newRow("all clear") << "2+c" << "0" << "";
    QTest::newRow("ten digits at most") << "c12345678901" << "1234567890" << "";
    QTest::newRow("no leading zeros") << "5+007=" << "12" << "";
    QTest::newRow("one point") << "c1.2.3" << "1.23" << "";
    QTest::newRow("point first") << "c.0" << "0.0" << "";
}

void TestCalculator::arithmetic()
{
    QFETCH(QString, keys);
    Calculator calculator(UnitSystemRef(), nullptr);
    calculator.open(0.0, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
    pressKeys(calculator, keys);
    QTEST(calculator.readoutText(), "readout");
    QTEST(calculator.historyText(), "history");
    QVERIFY(!key(calculator, "buttonShift")->isChecked());
}

void TestCalculator::answerIsMatrixTimesValue()
{
    UnitSystemRef units(new UnitSystem);
    Calculator calculator(units, nullptr);
    QSignalSpy answers(&calculator, &Calculator::CalculationFinished);
    Matrix4x4 m;
    const double rows[16] = {1, 2, 3, 4, 0, 0, 0, 0, -1, 0.5, 0, 10, 0, 0, 1, -7};
    std::copy(rows, rows + 16, m.data());
    const CalculatorReference reference{{QStringLiteral("index"), 3}};

    // 2 kN typed over 7 kN: v = 2000 N.
    calculator.open(7000.0, UnitSystem::Force, m, reference);
    QCOMPARE(calculator.readoutText(), QStringLiteral("7"));
    pressKeys(calculator, "c2=");
    QCOMPARE(answers.count(), 1);
    QVERIFY(calculator.isHidden());
    const Vector4 result = answers[0][0].value<Vector4>();
    QCOMPARE(result[0], 6.0 * 2000.0 + 4.0);
    QCOMPARE(result[1], 0.0);
    QCOMPARE(result[2], -0.5 * 2000.0 + 10.0);
    QCOMPARE(result[3], 2000.0 - 7.0);
    QCOMPARE(answers[0][1].value<CalculatorReference>(), reference);

    // An answer resets the entry: the next request starts from its own value.
    calculator.open(1500.0, UnitSystem::Force, m, CalculatorReference());
    QCOMPARE(calculator.readoutText(), QStringLiteral("1.5"));
    QCOMPARE(calculator.historyText(), QString());
    // Done on an error beeps and answers nothing.
    pressKeys(calculator, "ns=");
    QCOMPARE(answers.count(), 1);
    QVERIFY(calculator.isVisible());
}

void TestCalculator::keyboardAndClicks()
{
    Calculator calculator(UnitSystemRef(), nullptr, Qt::Dialog);
    QSignalSpy answers(&calculator, &Calculator::CalculationFinished);
    calculator.open(5.0, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
    calculator.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&calculator));

    // The opened 5 takes the typed 2; 52 x 3 is reduced at the minus.
    QTest::keyClicks(&calculator, "2*3-4.25");
    QTest::keyClick(&calculator, Qt::Key_Backspace);
    QCOMPARE(calculator.historyText(), QStringLiteral("156 - "));
    QCOMPARE(calculator.readoutText(), QStringLiteral("4.2"));
    QTest::keyClick(&calculator, Qt::Key_Minus, Qt::ShiftModifier);
    QTest::keyClick(&calculator, Qt::Key_Enter);
    QCOMPARE(calculator.readoutText(), QStringLiteral("160.2"));
    QTest::mouseClick(key(calculator, "buttonReturn"), Qt::LeftButton);
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers[0][0].value<Vector4>()[0], 160.2);

    calculator.open(0.0, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
    calculator.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&calculator));
    QVERIFY(calculator.isEnabled());
    for (const char* name : {"button9", "buttonSqrt", "buttonAdd", "button4", "buttonMul", "button2"})
        QTest::mouseClick(key(calculator, name), Qt::LeftButton);
    QCOMPARE(calculator.historyText(), QStringLiteral("3 + 4 x "));
    // Delete clears only the number being typed.
    QTest::keyClick(&calculator, Qt::Key_Delete);
    QVERIFY(key(calculator, "buttonAC"));
    QTest::mouseClick(key(calculator, "buttonEquals"), Qt::LeftButton);
    QCOMPARE(calculator.readoutText(), QStringLiteral("3"));

    // Cancel wants a second click; neither it nor Escape answers.
    QPushButton* cancel = key(calculator, "buttonCancel");
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(calculator.isVisible() && cancel->isChecked());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(calculator.isHidden());
    calculator.open(0.0, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
    QTest::keyClick(&calculator, Qt::Key_Escape);
    QVERIFY(calculator.isHidden());
    QCOMPARE(answers.count(), 1);
}

void TestCalculator::editingTheOpenedValue()
{
    Calculator calculator(UnitSystemRef(), nullptr);
    calculator.open(0.5, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
    QCOMPARE(calculator.readoutText(), QStringLiteral("0.5"));
    const QStringList shown{"0.53", "0.5", "0.", "0"};
    pressKeys(calculator, "3");
    QCOMPARE(calculator.readoutText(), shown[0]);
    for (int i = 1; i < shown.size(); ++i) {
        pressKeys(calculator, "d");
        QCOMPARE(calculator.readoutText(), shown[i]);
    }
    calculator.open(-2.5, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
    pressKeys(calculator, "7");
    QCOMPARE(calculator.readoutText(), QStringLiteral("-2.57"));
}

VARO_WIDGET_TEST_MAIN(TestCalculator)

#include "tst_calculator.moc"
