#pragma once

#include "UnitSystem.h"

#include <QLabel>

// Labels that carry the unit system into the interface. Each follows every
// change of the chosen system.

// A text the unit system gives for a quantity.
class UnitTextLabel : public QLabel
{
    Q_OBJECT

public:
    typedef QString (UnitSystem::*Text)(UnitSystem::Conversion) const;

    UnitTextLabel(Text text, const UnitSystemRef& unitSystem, UnitSystem::Conversion conversion, QWidget* parent,
                  Qt::WindowFlags flags);

public slots:
    void unitSystemChanged();

private:
    Text textOf;
    UnitSystemRef unitSystem;
    UnitSystem::Conversion conversion;
};

// The unit of a quantity, as rich text (cm<sup>4</sup>).
class UnitsLabel : public UnitTextLabel
{
    Q_OBJECT

public:
    UnitsLabel(const UnitSystemRef& unitSystem, UnitSystem::Conversion conversion, QWidget* parent = nullptr,
               Qt::WindowFlags flags = Qt::WindowFlags())
        : UnitTextLabel(&UnitSystem::preferredUnits, unitSystem, conversion, parent, flags)
    {
    }
};

// The name or symbol of a quantity.
class NomenclatureLabel : public UnitTextLabel
{
    Q_OBJECT

public:
    NomenclatureLabel(const UnitSystemRef& unitSystem, UnitSystem::Conversion conversion, QWidget* parent = nullptr,
                      Qt::WindowFlags flags = Qt::WindowFlags())
        : UnitTextLabel(&UnitSystem::preferredNomenclature, unitSystem, conversion, parent, flags)
    {
    }
};

// A number held in SI, shown in the preferred unit without the unit.
class NumericUnitsLabel : public QLabel
{
    Q_OBJECT

public:
    NumericUnitsLabel(double valueSI, const UnitSystemRef& unitSystem, UnitSystem::Conversion conversion,
                      QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

public slots:
    void setSIValue(double valueSI);
    void setPreferredValue(double preferred);
    void unitSystemChanged();

private:
    double value;
    UnitSystemRef unitSystem;
    UnitSystem::Conversion conversion;
};
