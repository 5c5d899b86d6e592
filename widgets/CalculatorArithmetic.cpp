#include "Calculator.h"

#include <QApplication>
#include <QPushButton>
#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double degreesToRadians = 0.017453292519943295;
constexpr double radiansToDegrees = 57.29577951308232;
// Below this a typed number counts as nothing typed yet.
const double tiny = std::ldexp(1.0, -128);
constexpr int maximumDigits = 10;
// The legend indices whose keys are keyboard keys; the others are named functions.
constexpr unsigned keyboardKeysMask = 0xfff9c0;

// A result kept to the figures a double carries reliably, so that
// 0.1 + 0.2 - 0.3 is 0 and not a remainder of the binary arithmetic.
double settled(double value)
{
    if (value == 0.0)
        return 0.0; // never a signed zero
    if (!std::isfinite(value))
        return value;
    return QString::number(value, 'g', Calculator::SignificantFigures).toDouble();
}

// The sine and cosine of an angle in degrees, reduced to a quarter turn first
// so that every multiple of 90 degrees gives exact zeros and ones.
void sineAndCosineOfDegrees(double degrees, double& sine, double& cosine)
{
    if (!std::isfinite(degrees)) {
        sine = cosine = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    double turn = std::fmod(degrees, 360.0);
    if (turn < 0.0)
        turn += 360.0;
    const int quadrant = std::min(3, int(turn / 90.0));
    const double t = (turn - 90.0 * quadrant) * degreesToRadians;
    const double s = t == 0.0 ? 0.0 : std::sin(t);
    const double c = t == 0.0 ? 1.0 : std::cos(t);
    const double sines[4] = {s, c, -s, -c};
    const double cosines[4] = {c, -s, -c, s};
    sine = sines[quadrant];
    cosine = cosines[quadrant];
}

} // namespace

void Calculator::open(double valueSI, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                      const CalculatorReference& reference)
{
    reset();
    this->conversion = conversion;
    this->matrix = matrix;
    this->reference = reference;
    value = unitSystem ? unitSystem->convertSIToPreferred(valueSI, conversion) : valueSI;
    unitFactor = unitSystem ? unitSystem->record(conversion).factor : 1.0;
    valueEntered = false;
    determineValueDigits();
    displayReadout();
    // It takes the keyboard, or the digits typed next would edit the window
    // behind it. A disabled widget takes no focus, and it may have been
    // disabled while another window was active.
    setEnabled(true);
    show();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void Calculator::unitSystemChanged()
{
    const double factor = unitSystem ? unitSystem->record(conversion).factor : 1.0;
    if (factor == unitFactor)
        return;
    const double previous = unitFactor;
    unitFactor = factor;
    // Operands may be quantities or plain numbers, so a pending calculation is
    // finished in the unit it was begun in; an operator still waiting for its
    // second operand is dropped.
    if (operatorLast && !stack.isEmpty()) {
        value = stack.last().value;
        popStack();
    }
    enterValue();
    operatorLast = false;
    while (eval()) {
    }
    if (std::isfinite(value)) {
        value = settled(value * previous / factor);
        // Shown and editable as if the calculator had been opened on it.
        valueEntered = false;
        determineValueDigits();
    }
    displayReadout();
}

void Calculator::reset()
{
    decimalScale = 0.0;
    digitCount = 0;
    mantissa = 0.0;
    negative = false;
    valueEntered = false;
    operatorLast = false;
    reference.clear();
    stack.clear();
    value = 0.0;
    keyShift->setChecked(false);
}

void Calculator::cancel()
{
    hide();
    reset();
}

void Calculator::determineValueDigits()
{
    // The opened value is taken as the readout shows it, so that Done
    // without typing applies what the user sees. Only fixed notation can be
    // edited digit by digit; a value that needs an exponent stays complete.
    const QString text = readoutTextOf(value);
    if (!std::isfinite(value) || text.contains(QLatin1Char('e'))) {
        if (std::isfinite(value))
            value = text.toDouble();
        enterValue();
        return;
    }
    value = text.toDouble();
    negative = value < 0.0;
    const int point = text.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : text.size() - point - 1;
    QString digits = text;
    digits.remove(QLatin1Char('-')).remove(QLatin1Char('.'));
    mantissa = digits.toDouble();
    decimalScale = decimals > 0 ? std::pow(10.0, decimals) : 0.0;
    // An opened 0 counts no digit, so the first typed digit keeps all ten;
    // the 0 before a point counts, as when the point is typed first.
    digitCount = mantissa == 0.0 && decimals == 0 ? 0 : digits.size();
    valueFromDigits();
}

void Calculator::valueFromDigits()
{
    const double magnitude = mantissa / (decimalScale >= 0.5 ? decimalScale : 1.0);
    value = negative && magnitude != 0.0 ? -magnitude : magnitude;
}

void Calculator::startNumber(bool negativeNumber)
{
    value = 0.0;
    mantissa = 0.0;
    digitCount = 0;
    decimalScale = 0.0;
    negative = negativeNumber;
    valueEntered = false;
}

void Calculator::keyDigit(double digit)
{
    if (digitCount >= maximumDigits || (digit == 0.0 && digitCount < 1))
        return;
    ++digitCount;
    if (decimalScale >= 0.5)
        decimalScale *= 10.0;
    mantissa = mantissa * 10.0 + digit;
    valueFromDigits();
}

void Calculator::typePoint()
{
    if (decimalScale >= 0.5)
        return;
    if (!valueEntered && digitCount > 0) {
        decimalScale = 1.0;
        return;
    }
    // A new number: zero followed by the point, with the sign already typed.
    startNumber(!valueEntered && negative);
    digitCount = 1;
    decimalScale = 1.0;
}

void Calculator::keyNegate()
{
    if (!valueEntered) {
        // The sign of the number being typed; typing goes on.
        negative = !negative;
        valueFromDigits();
    } else if (operatorLast || value == 0.0) {
        // Before any digit: the number about to be typed is negative. After
        // an operator, that operator can still be replaced.
        startNumber(true);
    } else {
        unaryOperator(StackItem::Negate);
    }
}

void Calculator::processKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Space:
        keyNegate();
        break;
    case Qt::Key_Minus:
        if (modifiers & Qt::ShiftModifier)
            keyNegate();
        else
            binaryOperator(StackItem::Subtract);
        break;
    case Qt::Key_Asterisk:
        binaryOperator(StackItem::Multiply);
        break;
    case Qt::Key_Plus:
        binaryOperator(StackItem::Add);
        break;
    case Qt::Key_Slash:
        binaryOperator(StackItem::Divide);
        break;
    case Qt::Key_Period:
        operatorLast = false;
        typePoint();
        break;
    default:
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            operatorLast = false;
            if (valueEntered)
                startNumber(false);
            keyDigit(key - Qt::Key_0);
        }
    }
    finishKey();
}

void Calculator::processKey(const QString& name)
{
    const QString key = name.toLower();
    const bool shifted = keyShift->isChecked();
    if (key == QLatin1String("cos^"))
        unaryOperator(shifted ? StackItem::ArcCosine : StackItem::Cosine);
    else if (key == QLatin1String("sin^"))
        unaryOperator(shifted ? StackItem::ArcSine : StackItem::Sine);
    else if (key == QLatin1String("tan^"))
        unaryOperator(shifted ? StackItem::ArcTangent : StackItem::Tangent);
    else if (key == QLatin1String("recip"))
        unaryOperator(StackItem::Reciprocal);
    else if (key == QLatin1String("square"))
        unaryOperator(StackItem::Square);
    else if (key == QLatin1String("sqrt"))
        unaryOperator(StackItem::SquareRoot);
    finishKey();
}

void Calculator::keyPressed(int index)
{
    if (index < 0 || index >= Keys::Count)
        return;
    if ((keyboardKeysMask >> index) & 1u)
        processKey(Keys::KeyMap[index], Qt::NoModifier);
    else
        processKey(QString::fromLatin1(Keys::CapLegend[index]));
}

void Calculator::finishKey()
{
    displayReadout();
    keyShift->setChecked(false);
}

void Calculator::unaryOperator(StackItem::Operation operation)
{
    enterValue();
    operatorLast = false;
    double sine = 0.0;
    double cosine = 0.0;
    switch (operation) {
    case StackItem::Cosine:
    case StackItem::Sine:
    case StackItem::Tangent: sineAndCosineOfDegrees(value, sine, cosine); break;
    default: break;
    }
    switch (operation) {
    case StackItem::ArcCosine: value = std::acos(value) * radiansToDegrees; break;
    case StackItem::ArcSine: value = std::asin(value) * radiansToDegrees; break;
    case StackItem::ArcTangent: value = std::atan(value) * radiansToDegrees; break;
    case StackItem::Cosine: value = cosine; break;
    case StackItem::Sine: value = sine; break;
    // An odd multiple of 90 degrees has a cosine of exactly zero: no tangent.
    case StackItem::Tangent: value = cosine == 0.0 ? std::numeric_limits<double>::quiet_NaN() : sine / cosine; break;
    case StackItem::Negate: value = -value; break;
    case StackItem::Reciprocal: value = 1.0 / value; break;
    case StackItem::Square: value = value * value; break;
    case StackItem::SquareRoot: value = std::sqrt(value); break;
    default: break;
    }
    value = settled(value);
}

void Calculator::binaryOperator(StackItem::Operation operation)
{
    if (operatorLast) {
        // A second operator in a row replaces the pending one and keeps its
        // operand, whatever sign was pressed between them.
        if (!stack.isEmpty()) {
            value = stack.last().value;
            popStack();
        }
        enterValue();
    } else {
        enterValue();
        // Everything pending that binds at least as tightly is worked out
        // first, so 2 - 3 x 4 + 5 is -5.
        while (!stack.isEmpty() && precedenceOf(operation) <= precedenceOf(topOperation()))
            if (!eval())
                break;
    }
    pushStack(value, operation);
    operatorLast = true;
}

bool Calculator::eval()
{
    if (stack.isEmpty())
        return false;
    const StackItem top = stack.last();
    switch (top.operation) {
    case StackItem::Add: value = top.value + value; break;
    case StackItem::Subtract: value = top.value - value; break;
    case StackItem::Multiply: value = top.value * value; break;
    case StackItem::Divide: value = top.value / value; break;
    default:
        stack.clear();
        value = std::numeric_limits<double>::quiet_NaN();
        return false;
    }
    value = settled(value);
    popStack();
    return true;
}

int Calculator::precedenceOf(StackItem::Operation operation)
{
    switch (operation) {
    case StackItem::Divide:
    case StackItem::Multiply: return 2;
    case StackItem::Add:
    case StackItem::Subtract: return 1;
    default: return 0;
    }
}

void Calculator::pushStack(double operand, StackItem::Operation operation)
{
    stack.append(StackItem{operation, operand});
}

void Calculator::popStack()
{
    if (!stack.isEmpty())
        stack.removeLast();
}

Calculator::StackItem::Operation Calculator::topOperation() const
{
    return stack.isEmpty() ? StackItem::None : stack.last().operation;
}

void Calculator::enterValue()
{
    valueEntered = true;
    decimalScale = 0.0;
    digitCount = 0;
    mantissa = 0.0;
    negative = false;
    // A number typed with a sign but no digit is plain zero.
    if (value == 0.0)
        value = 0.0;
}

void Calculator::clearCurrentValue()
{
    value = 0.0;
    enterValue();
}

void Calculator::keyClear(bool all)
{
    if (valueEntered || all)
        stack.clear();
    clearCurrentValue();
    operatorLast = false;
    finishKey();
}

void Calculator::keyDelete()
{
    if (!valueEntered && digitCount > 0) {
        if (decimalScale > 5.0) {
            decimalScale /= 10.0;
            mantissa = std::trunc(mantissa / 10.0);
            --digitCount;
            valueFromDigits();
        } else if (decimalScale > 0.5) {
            decimalScale = 0.0;
            if (std::fabs(value) < tiny) {
                value = 0.0;
                mantissa = 0.0;
                digitCount = 0;
            }
        } else {
            --digitCount;
            decimalScale = 0.0;
            mantissa = std::trunc(mantissa / 10.0);
            valueFromDigits();
        }
    }
    finishKey();
}

void Calculator::keyDone()
{
    enterValue();
    operatorLast = false;
    if (!stack.isEmpty()) {
        while (eval()) {
        }
    } else if (std::isfinite(value)) {
        // What the readout shows is what the requester gets.
        const double shown = readoutTextOf(value).toDouble();
        const double v = unitSystem ? unitSystem->convertPreferredToSI(shown, conversion) : shown;
        Vector4 result;
        for (int i = 0; i < 4; ++i)
            result[i] = matrix[i][0] * v + matrix[i][1] * v + matrix[i][2] * v + matrix[i][3];
        const CalculatorReference answered = reference;
        // Hidden and reset before the answer goes out, so that a receiver may
        // open the calculator again at once.
        hide();
        reset();
        emit CalculationFinished(result, answered);
    } else {
        QApplication::beep();
    }
    finishKey();
}
