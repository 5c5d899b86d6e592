#pragma once

#include "CalculatorReference.h"
#include "UnitSystem.h"
#include "Vectors.h"

#include <QLabel>

// The value field of the editor pages: an SI value shown in the preferred
// unit. A click asks for the calculator; its answer comes back to
// calculationFinished, rounded as it will be shown.
class CalculatorField : public QLabel
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        static QString General;
    };

    CalculatorField(double valueSI, const UnitSystemRef& unitSystem, UnitSystem::Conversion conversion,
                    QWidget* parent = nullptr);

    double valueAsSI() const { return value; }
    // Whether the shown value changed.
    bool setValueAsSI(double valueSI);
    void updateText();

public slots:
    void calculationFinished(const Vector4& result, const CalculatorReference& ref);

signals:
    void OpenCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& ref, QObject* receiver, const char* slot);
    // Only a value the user entered through the calculator.
    void ValueCalculated(double value);
    // Any change of the shown value.
    void ValueChanged(double value);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The new value rounded as shown; whether it differs from the old one.
    bool storeRounded(double valueSI);

    UnitSystem::Conversion conversion;
    // Carries the answer v in the first component of M (v, v, v, 1).
    Matrix4x4 matrix;
    UnitSystemRef unitSystem;
    double value;
};
