#include "Calculator.h"
#include "WidgetTesting.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <cmath>

namespace {

QPushButton* key(Calculator& calculator, const char* name)
{
    return calculator.findChild<QPushButton*>(QLatin1String(name));
}

const QLabel* readoutLabel(const Calculator& calculator)
{
    for (const QLabel* label : calculator.findChildren<QLabel*>())
        if (label->text() == calculator.readoutText() && (label->alignment() & Qt::AlignRight))
            return label;
    return nullptr;
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
    void openingTakesTheKeyboard();
    void unitChangeKeepsTheValue_data();
    void unitChangeKeepsTheValue();
};

void TestCalculator::arithmetic_data()
{
    QTest::addColumn<double>("opened");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("readout");
    QTest::addColumn<QString>("history");
    const auto row = [](const char* name, const QString& keys, const QString& readout, const QString& history,
                        double opened = 0.0) { QTest::newRow(name) << opened << keys << readout << history; };

    row("precedence", "2+3*4=", "14", "");
    row("product reduced before both pending", "2-3*4+5=", "-5", "");
    row("products then sum", "2*3+4*5=", "26", "");
    row("left to right", "8/4/2=", "1", "");
    row("pending shown", "2+3*", "3", "2 + 3 x ");
    row("equal precedence reduced", "2+3-", "5", "5 - ");
    row("operator replaced", "2+*", "2", "2 x ");
    row("replaced operator evaluated", "2+-3=", "-1", "");
    row("function mid expression", "2+9s*4=", "14", "");
    row("negated operand", "4n+1=", "-3", "");
    row("squares and root", "3q+4q=s", "5", "");
    row("reciprocal", "8r", "0.125", "");
    row("sine in degrees", "30i", "0.5", "");
    row("cosine", "60o", "0.5", "");
    row("tangent", "45t", "1", "");
    row("arc sine", ".5Si", "30", "");
    row("arc tangent", "1St", "45", "");
    row("shift lasts one key", "S1+60o=", "1.5", "");
    row("division by zero", "1/0=", "Error", "");
    row("root of negative", "1ns", "Error", "");
    row("delete keeps typed digits", "c0.330d", "0.33", "");
    row("delete point then digit", "c12.5dd", "12", "");
    row("delete to nothing", "c123ddd", "0", "");
    row("clear keeps pending", "2+5c", "0", "2 + ");
    row("clear then value", "2+5c3=", "5", "");
    row("all clear", "2+c", "0", "");
    row("ten digits at most", "c12345678901", "1234567890", "");
    row("no leading zeros", "5+007=", "12", "");
    row("one point", "c1.2.3", "1.23", "");
    row("point first", "c.0", "0.0", "");

    // The sign belongs to the number typed, wherever Neg falls among its digits.
    row("neg before digits", "n12", "-12", "");
    row("neg between digits", "1n2", "-12", "");
    row("neg after digits", "12n", "-12", "");
    row("neg twice", "n1n2", "12", "");
    row("neg alone shows no zero", "n", "-", "");
    row("neg before point", "n.5", "-0.5", "");
    row("neg after operator", "2+n3=", "-1", "");
    row("neg then operator replaces", "2+n*3=", "6", "");
    row("neg after clear", "7cn4", "-4", "");
    row("neg on zero result", "5-5=n3", "-3", "");
    row("neg on result", "9sn", "-3", "");
    row("no signed zero", "5n+5=", "0", "");

    // Digits that do not fit show in exponent form; Done applies what shows.
    row("twelve digits fixed", "999999*1000000=", "999999000000", "");
    row("product in exponent form", "123456789*987654321=", "1.21932631e17", "");
    row("ten nines squared", "9999999999*9999999999=", "1e20", "");
    row("small quotient in exponent form", "1/7/1000000=", "1.42857143e-7", "");
    row("third to the last place", "1/3=", "0.33333333333", "");
    row("no binary remainder", ".1+.2-.3=", "0", "");

    // An opened value shows its figures and is typed on; a 0 holds no digit.
    row("opened zero takes ten digits", "1234567890", "1234567890", "");
    row("opened value shown whole", "", "1234567.891", "", 1234567.891);
    row("opened value to the last place", "", "3.14159265359", "", 3.14159265358979);
    row("opened value typed on", "3", "12.53", "", 12.5);
    row("opened ten digits take no more", "5", "1000000000", "", 1e9);
    row("opened tiny value", "", "1.5e-12", "", 1.5e-12);
    row("opened value negated typed on", "n1", "-51", "", 5.0);

    // Exact at every quarter turn.
    row("tangent of 90", "90t", "Error", "");
    row("tangent of 270", "270t", "Error", "");
    row("tangent of minus 90", "90nt", "Error", "");
    row("tangent of 180", "180t", "0", "");
    row("sine of 180", "180i", "0", "");
    row("cosine of 90", "90o", "0", "");
    row("tangent of 135", "135t", "-1", "");
}

void TestCalculator::arithmetic()
{
    QFETCH(double, opened);
    QFETCH(QString, keys);
    Calculator calculator(UnitSystemRef(), nullptr);
    QSignalSpy answers(&calculator, &Calculator::CalculationFinished);
    calculator.open(opened, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
    pressKeys(calculator, keys);
    QTEST(calculator.readoutText(), "readout");
    QTEST(calculator.historyText(), "history");
    QVERIFY(!key(calculator, "buttonShift")->isChecked());

    // Every character of the readout is in view.
    const QLabel* label = readoutLabel(calculator);
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());

    // Done applies the number shown, to the last digit.
    QFETCH(QString, readout);
    QFETCH(QString, history);
    if (history.isEmpty() && readout != QLatin1String("Error")) {
        pressKeys(calculator, "=");
        QCOMPARE(answers.count(), 1);
        const double applied = answers[0][0].value<Vector4>()[0];
        QVERIFY2(applied == readout.toDouble(), qPrintable(QString::number(applied, 'g', 17)));
    }
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

// Typing straight after a request goes into the calculator, not into the
// field of the window behind it; also when that window was active again
// while the calculator stayed open.
void TestCalculator::openingTakesTheKeyboard()
{
    QLineEdit name(QStringLiteral("Combination"));
    name.show();
    name.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&name));
    Calculator calculator(UnitSystemRef(), &name, Qt::Dialog);
    for (const char* typed : {"1.5", "1.35"}) {
        calculator.open(0.0, UnitSystem::Unitless, Matrix4x4::identity(), CalculatorReference());
        QTRY_VERIFY(QApplication::activeWindow() == &calculator && calculator.isAncestorOf(QApplication::focusWidget()));
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QCOMPARE(calculator.readoutText(), QString::fromLatin1(typed));
        // A window manager may pass over a request to activate a window: asked again, it takes it.
        QTRY_VERIFY((name.activateWindow(), QApplication::activeWindow() == &name));
    }
    QCOMPARE(name.text(), QStringLiteral("Combination"));
}

void TestCalculator::unitChangeKeepsTheValue_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("conversion");
    QTest::addColumn<double>("opened");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<double>("shown"); // in the new unit
    QTest::addColumn<QString>("history");
    QTest::addColumn<double>("applied"); // in SI
    const int uk = 0, eu = 1, us = 2;
    const double inch = 0.0254, ksi = 4448.2216152605 / (inch * inch);
    QTest::newRow("metres to inches, as opened")
        << uk << us << int(UnitSystem::Length) << 7.5 << "" << 7.5 / inch << "" << 7.5;
    QTest::newRow("inches to metres, as typed")
        << us << uk << int(UnitSystem::Length) << 7.5 << "c295.3" << 295.3 * inch << "" << 295.3 * inch;
    // Operands may be plain numbers: the calculation ends in the unit it began in.
    QTest::newRow("pending product finished first")
        << uk << us << int(UnitSystem::Length) << 7.5 << "*2" << 15.0 / inch << "" << 15.0;
    QTest::newRow("operator without its operand dropped")
        << us << uk << int(UnitSystem::Length) << 100 * inch << "*" << 100 * inch << "" << 100 * inch;
    QTest::newRow("kN/mm2 to kip/in2") << uk << us << int(UnitSystem::YoungsModulus) << 210e9 << "" << 210e9 / ksi
                                       << "" << 210e9;
    QTest::newRow("kip/in2 to kN/mm2")
        << us << uk << int(UnitSystem::YoungsModulus) << 210e9 << "c30458" << 30458 * ksi / 1e9 << "" << 30458 * ksi;
    // kN/mm2 and GPa are one unit: nothing to convert, nothing finished.
    QTest::newRow("same unit keeps the calculation")
        << uk << eu << int(UnitSystem::YoungsModulus) << 210e9 << "+1" << 1.0 << "210 + " << 211e9;
}

void TestCalculator::unitChangeKeepsTheValue()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, conversion);
    QFETCH(double, opened);
    QFETCH(QString, keys);
    QFETCH(double, shown);
    QFETCH(QString, history);
    QFETCH(double, applied);
    UnitSystemRef units(new UnitSystem);
    units->setChosenSystem(from);
    Calculator calculator(units, nullptr);
    QSignalSpy answers(&calculator, &Calculator::CalculationFinished);
    calculator.open(opened, UnitSystem::Conversion(conversion), Matrix4x4::identity(), CalculatorReference());
    pressKeys(calculator, keys);
    units->setChosenSystem(to);

    const double readout = calculator.readoutText().toDouble();
    QVERIFY2(std::fabs(readout - shown) <= 1e-9 * std::fabs(shown), qPrintable(calculator.readoutText()));
    QCOMPARE(calculator.historyText(), history);
    // The value shown is an opened one: a digit typed goes on from it.
    const QString before = calculator.readoutText();
    if (history.isEmpty() && before.count(QRegularExpression("[0-9]")) < 10) {
        pressKeys(calculator, "1");
        QCOMPARE(calculator.readoutText(), before + "1");
        pressKeys(calculator, "d");
        QCOMPARE(calculator.readoutText(), before);
    }
    pressKeys(calculator, history.isEmpty() ? "=" : "==");
    QCOMPARE(answers.count(), 1);
    const double answer = answers[0][0].value<Vector4>()[0];
    QVERIFY2(std::fabs(answer - applied) <= 1e-9 * applied, qPrintable(QString::number(answer, 'g', 17)));
}

VARO_WIDGET_TEST_MAIN(TestCalculator)

#include "tst_calculator.moc"
