#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

// The chosen system of units shared by the windows. Values are kept in SI
// everywhere; a conversion turns them into the preferred unit of the chosen
// system for display and entry, and back.
class UnitSystem : public QObject
{
    Q_OBJECT

public:
    // The index of a physical quantity. The numbers are stable: they travel in
    // signals and settings.
    enum Conversion {
        Unitless = 0,
        AxialForce = 1,
        BendingMoment = 2,
        BendingStress = 3,
        Factor = 4,
        Area = 5,
        AngleDegrees = 6,
        Density = 7,
        Acceleration = 8,
        Distance = 9,
        InertiaMajor = 10,
        InertiaMinor = 11,
        LengthSmall = 12,
        MajorAxisName = 13,
        MinorAxisName = 14,
        LoadForce = 15,
        LoadForcePerLength = 16,
        LoadTorque = 17,
        Mass = 18,
        ReactionForce = 19,
        ReactionTorque = 20,
        Rotation = 21,
        SectionModulusMajor = 22,
        SectionModulusMinor = 23,
        ThermalExpansion = 24,
        ShearForce = 25,
        ShearModulus = 26,
        TorsionConstant = 27,
        UnitMass = 28,
        Percentage = 29,
        Length = 30,
        Force = 31,
        Torque = 32,
        ForcePerUnitLength = 33,
        TorsionMoment = 34,
        YoungsModulus = 35
    };
    Q_ENUM(Conversion)

    static constexpr int NumberOfConversions = 36;
    static constexpr int NumberOfSystems = 3;

    // What one conversion is in one system. A negative number of decimals
    // means that many places with trailing zeros trimmed.
    struct Record
    {
        double factor;          // SI units per preferred unit
        int significantFigures; // 0: no rounding to figures
        int decimals;
        const char* units;      // rich text
        const char* nomenclature;
    };

    explicit UnitSystem(QObject* parent = nullptr);

    static QStringList availableSystems();
    static QStringList availableSystemsShort();
    int chosenSystem() const { return chosenIndex; }
    void setChosenSystem(const QString& name);

    static const Record& record(int system, Conversion conversion);
    const Record& record(Conversion conversion) const;

    double convertSIToPreferred(double value, Conversion conversion) const;
    double convertPreferredToSI(double value, Conversion conversion) const;
    double minimumPreferredValue(Conversion conversion) const;
    double roundPreferred(double value, Conversion conversion) const;
    // Rounded as the preferred unit shows it: to its decimal places, then to
    // its significant figures. A value too large for the places to change
    // stays as it is, and no finite value comes back infinite.
    double roundSIAsPreferred(double value, Conversion conversion) const;
    double roundSIAsPreferredWithSigFigs(double value, Conversion conversion, int figures) const;
    QString preferredStringFromSI(double value, Conversion conversion, bool trim) const;
    QString preferredUnits(Conversion conversion) const;
    QString preferredNomenclature(Conversion conversion) const;

public slots:
    void setChosenSystem(int index);

signals:
    void UnitSystemChanged(int index);

private:
    // The system the conversions use: an index out of range falls back to 0.
    int effectiveSystem() const;

    int chosenIndex = 0;
};

typedef QSharedPointer<UnitSystem> UnitSystemRef;

Q_DECLARE_METATYPE(UnitSystem::Conversion)
