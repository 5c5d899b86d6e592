#include "CalculatorField.h"

#include "VisualConstants.h"

#include <QMouseEvent>

namespace {

void setStyleSheets()
{
    CalculatorField::StyleSheet::General =
        QStringLiteral("QLabel { background-color:white; color:black; border:1px solid black; padding:2px 4px 2px "
                       "4px; } QLabel:disabled { color:#808080; border:1px solid #808080; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

} // namespace

QString CalculatorField::StyleSheet::General;

CalculatorField::CalculatorField(double valueSI, const UnitSystemRef& unitSystem, UnitSystem::Conversion conversion,
                                 QWidget* parent)
    : QLabel(parent), conversion(conversion), matrix(Matrix4x4::zeroed()), unitSystem(unitSystem), value(valueSI)
{
    matrix[0][0] = 1.0;
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(StyleSheet::General);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    updateText();
}

void CalculatorField::updateText()
{
    setText(unitSystem->preferredStringFromSI(value, conversion, false));
}

bool CalculatorField::storeRounded(double valueSI)
{
    const double old = value;
    value = unitSystem->roundSIAsPreferred(valueSI, conversion);
    updateText();
    // A NaN on either side counts as a change.
    return !(value == old);
}

bool CalculatorField::setValueAsSI(double valueSI)
{
    const bool changed = storeRounded(valueSI);
    if (changed)
        emit ValueChanged(value);
    return changed;
}

void CalculatorField::calculationFinished(const Vector4& result, const CalculatorReference&)
{
    if (!storeRounded(result[0]))
        return;
    emit ValueChanged(value);
    emit ValueCalculated(value);
}

void CalculatorField::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit OpenCalculator(value, conversion, matrix, CalculatorReference(), this,
                        SLOT(calculationFinished(const Vector4&, const CalculatorReference&)));
}
