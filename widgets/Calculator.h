#pragma once

#include "CalculatorReference.h"
#include "UnitSystem.h"
#include "Vectors.h"

#include <QSize>
#include <QString>
#include <QVector>
#include <QWidget>

class QLabel;
class QPushButton;

// The pop-up calculator through which every number is entered. It shows a
// value in the preferred unit, computes with precedence, and on Done hands
// back M (v, v, v, 1), v the answer in SI, with the requester's reference.
class Calculator : public QWidget
{
    Q_OBJECT

public:
    typedef CalculatorReference Reference;

    struct StackItem
    {
        enum Operation : qint32 {
            None = 0,
            ArcCosine = 1,
            ArcSine = 2,
            ArcTangent = 3,
            Add = 4,
            // No key produces it; it has no second operand.
            Reserved = 5,
            Cosine = 6,
            Divide = 7,
            Multiply = 8,
            Negate = 9,
            Reciprocal = 10,
            Sine = 11,
            Square = 12,
            SquareRoot = 13,
            Subtract = 14,
            Tangent = 15
        };
        Operation operation;
        double value; // the left operand, in preferred units
    };

    struct Keys
    {
        static constexpr int Count = 26;
        // Grid order: row 2 columns 0-5, then rows 3-6 columns 0-4. A trailing
        // "^" marks a key with a second function; an empty name, no key.
        static const char* const CapLegend[Count];
        // Qt::Key_SysReq stands for no key.
        static const int KeyMap[Count];
        static const QSize CapSize5;
        static const QSize CapSize6;
    };

    struct StyleSheet
    {
        static QString BlackButton, ConfirmButton, FunctionButton, GreenButton, History, Readout, RedButton,
            SecondFunction, YellowButton;
    };

    Calculator(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags = Qt::WindowFlags());

    // Shown, raised and active, with the keyboard on its readout.
    void open(double valueSI, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
              const CalculatorReference& reference);

    QString readoutText() const;
    QString historyText() const;
    double currentValue() const { return value; }
    // What the requester handed to open(); emptied by a cancel.
    const CalculatorReference& currentReference() const { return reference; }

    static int precedenceOf(StackItem::Operation operation);

    // Characters the readout holds: sign, digits, point and exponent.
    static constexpr int ReadoutCapacity = 13;
    // All that a double carries reliably; beyond them it carries noise.
    // Results are kept to them and the readout shows at most them.
    static constexpr int SignificantFigures = 15;
    // The readout of a complete value: as many significant digits as the
    // readout holds, in exponent form where fixed notation would hide more of
    // them; "Error" for NaN and infinities, and never a signed zero. The
    // number it reads is what Done applies.
    static QString readoutTextOf(double value);

public slots:
    void keyClear(bool all = false);
    void keyDelete();
    void keyDone();
    void keyPressed(int index);
    void cancel();
    // The shown value, and a calculation under way, in the unit now chosen.
    void unitSystemChanged();

signals:
    void CalculationFinished(const Vector4& result, const CalculatorReference& ref);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createKeys();
    void processKey(int key, Qt::KeyboardModifiers modifiers);
    void processKey(const QString& name);
    void binaryOperator(StackItem::Operation operation);
    void unaryOperator(StackItem::Operation operation);
    bool eval();
    void pushStack(double operand, StackItem::Operation operation);
    void popStack();
    StackItem::Operation topOperation() const;
    void enterValue();
    void clearCurrentValue();
    void reset();
    void determineValueDigits();
    void keyDigit(double digit);
    // The value of the typed digits, with the typed sign.
    void valueFromDigits();
    // An empty number being typed, of the given sign.
    void startNumber(bool negativeNumber);
    void typePoint();
    // Neg: the sign of the number being typed, or of the one about to be
    // typed, or else the negated complete value.
    void keyNegate();
    void finishKey();
    void displayReadout();

    QPushButton* addKeyCap(const QString& name, int row, int column, int rowSpan, int columnSpan);
    static QRect keyCapRectangle(int row, int column, int rowSpan, int columnSpan);
    static bool isFunctionKey(int row) { return row == 0 || row == 2; }
    void addSecondFunction(const QString& name, QPushButton* key);
    static QPixmap keyCapIcon(const QSize& size, const QString& name, const QColor& colour);
    static QPixmap keyCapIcon(int row, const QString& name, const QColor& colour);

    QPushButton* keyClearAll = nullptr;
    QPushButton* keyEquals = nullptr;
    QPushButton* keyShift = nullptr;
    UnitSystem::Conversion conversion = UnitSystem::Unitless;
    double decimalScale = 0.0;
    qint32 digitCount = 0;
    // The typed digits as one whole number: the value is derived from them,
    // so that deleting a digit never rounds what is left.
    double mantissa = 0.0;
    // The sign typed for the number being typed, also before its first digit.
    bool negative = false;
    bool valueEntered = false;
    // The last key pushed a binary operator, which a next operator replaces.
    bool operatorLast = false;
    QLabel* historyLabel = nullptr;
    Matrix4x4 matrix;
    QLabel* readoutLabel = nullptr;
    CalculatorReference reference;
    QVector<StackItem> stack;
    UnitSystemRef unitSystem;
    double value = 0.0;
    // SI per unit of the value shown: the unit it was opened or last converted in.
    double unitFactor = 1.0;
};
