#include "Calculator.h"

#include "NumberFormat.h"

#include <QApplication>
#include <QPushButton>

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

} // namespace

void Calculator::open(double valueSI, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                      const CalculatorReference& reference)
{
    reset();
    this->conversion = conversion;
    this->matrix = matrix;
    this->reference = reference;
    value = unitSystem ? unitSystem->convertSIToPreferred(valueSI, conversion) : valueSI;
    valueEntered = false;
    determineValueDigits();
    displayReadout();
    show();
}

void Calculator::reset()
{
    decimalScale = 0.0;
    digitCount = 0;
    mantissa = 0.0;
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
    if (!std::isfinite(value)) {
        digitCount = 0;
        decimalScale = 0.0;
        mantissa = 0.0;
        return;
    }
    const double whole = std::fabs(std::trunc(value));
    const int integerDigits = whole < 5.0 ? 1 : int(std::lrint(std::ceil(std::log10(whole))));
    const int decimals = numberOfDecimalPlaces(value, maximumDigits - integerDigits);
    digitCount = integerDigits + decimals;
    decimalScale = decimals > 0 ? std::pow(10.0, decimals) : 0.0;
    mantissa = std::round(std::fabs(value) * std::max(decimalScale, 1.0));
}

void Calculator::valueFromDigits()
{
    const double magnitude = mantissa / (decimalScale >= 0.5 ? decimalScale : 1.0);
    value = value < 0.0 && magnitude != 0.0 ? -magnitude : magnitude;
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
    if (!valueEntered && std::fabs(value) >= tiny) {
        decimalScale = 1.0;
        return;
    }
    value = 0.0;
    mantissa = 0.0;
    digitCount = 1;
    valueEntered = false;
    decimalScale = 1.0;
}

void Calculator::processKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Space:
        unaryOperator(StackItem::Negate);
        break;
    case Qt::Key_Minus:
        if (modifiers & Qt::ShiftModifier)
            unaryOperator(StackItem::Negate);
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
            if (valueEntered) {
                value = 0.0;
                mantissa = 0.0;
                digitCount = 0;
                decimalScale = 0.0;
                valueEntered = false;
            }
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
    switch (operation) {
    case StackItem::ArcCosine: value = std::acos(value) * radiansToDegrees; break;
    case StackItem::ArcSine: value = std::asin(value) * radiansToDegrees; break;
    case StackItem::ArcTangent: value = std::atan(value) * radiansToDegrees; break;
    case StackItem::Cosine: value = std::cos(value * degreesToRadians); break;
    case StackItem::Sine: value = std::sin(value * degreesToRadians); break;
    case StackItem::Tangent: value = std::tan(value * degreesToRadians); break;
    case StackItem::Negate: value = -value; break;
    case StackItem::Reciprocal: value = 1.0 / value; break;
    case StackItem::Square: value = value * value; break;
    case StackItem::SquareRoot: value = std::sqrt(value); break;
    default: break;
    }
}

void Calculator::binaryOperator(StackItem::Operation operation)
{
    if (operatorLast) {
        // A second operator in a row replaces the pending one.
        if (!stack.isEmpty())
            popStack();
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
        const double v = unitSystem ? unitSystem->convertPreferredToSI(value, conversion) : value;
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
