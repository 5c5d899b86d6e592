#include "UnitLabels.h"

UnitTextLabel::UnitTextLabel(Text text, const UnitSystemRef& unitSystem, UnitSystem::Conversion conversion,
                             QWidget* parent, Qt::WindowFlags flags)
    : QLabel(parent, flags), textOf(text), unitSystem(unitSystem), conversion(conversion)
{
    setFocusPolicy(Qt::NoFocus);
    connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, &UnitTextLabel::unitSystemChanged);
    unitSystemChanged();
}

void UnitTextLabel::unitSystemChanged()
{
    setText((unitSystem.data()->*textOf)(conversion));
}

NumericUnitsLabel::NumericUnitsLabel(double valueSI, const UnitSystemRef& unitSystem,
                                     UnitSystem::Conversion conversion, QWidget* parent, Qt::WindowFlags flags)
    : QLabel(parent, flags), value(valueSI), unitSystem(unitSystem), conversion(conversion)
{
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::RichText);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, &NumericUnitsLabel::unitSystemChanged);
    unitSystemChanged();
}

void NumericUnitsLabel::setSIValue(double valueSI)
{
    value = valueSI;
    unitSystemChanged();
}

void NumericUnitsLabel::setPreferredValue(double preferred)
{
    value = unitSystem->convertPreferredToSI(preferred, conversion);
    unitSystemChanged();
}

void NumericUnitsLabel::unitSystemChanged()
{
    setText(unitSystem->preferredStringFromSI(value, conversion, false));
}
