#include "UnitSystem.h"

#include "NumberFormat.h"

#include <array>
#include <cmath>

namespace {

constexpr double inch = 0.0254;
constexpr double foot = 0.3048;
constexpr double pound = 0.45359237;
constexpr double kip = 4448.2216152605;
constexpr double ksi = kip / (inch * inch);

typedef std::array<UnitSystem::Record, UnitSystem::NumberOfConversions> Table;

// A unit has one factor and one precision in every record that names it, so
// that a value typed through one record reads back as typed through another:
// a kN, kN.m or kN/m to three places wherever it is typed, rounded or shown.
Table metricUK()
{
    Table t{};
    auto set = [&t](UnitSystem::Conversion c, double f, int s, int d, const char* u, const char* n) {
        t[c] = UnitSystem::Record{f, s, d, u, n};
    };
    set(UnitSystem::Unitless, 1.0, 0, -6, "", "");
    set(UnitSystem::AxialForce, 1e3, 0, 3, "kN", "Axial force");
    set(UnitSystem::BendingMoment, 1e3, 0, 3, "kN.m", "Bending moment");
    set(UnitSystem::BendingStress, 1e6, 0, 1, "N/mm<sup>2</sup>", "Bending stress");
    set(UnitSystem::Factor, 1.0, 0, 2, "", "Factor");
    set(UnitSystem::Area, 1e-4, 0, 2, "cm<sup>2</sup>", "Area");
    set(UnitSystem::AngleDegrees, 0.017453292519943295, 0, -3, "deg", "Angle");
    set(UnitSystem::Density, 1.0, 0, 1, "kg/m<sup>3</sup>", "Density");
    set(UnitSystem::Acceleration, 1.0, 0, 3, "m/s<sup>2</sup>", "Acceleration");
    set(UnitSystem::Distance, 1e-3, 0, 2, "mm", "Distance");
    set(UnitSystem::InertiaMajor, 1e-8, 0, 1, "cm<sup>4</sup>", "Ixx");
    set(UnitSystem::InertiaMinor, 1e-8, 0, 1, "cm<sup>4</sup>", "Iyy");
    set(UnitSystem::LengthSmall, 1e-3, 0, 1, "mm", "Dimension");
    set(UnitSystem::MajorAxisName, 1.0, 0, 0, "X", "Major axis");
    set(UnitSystem::MinorAxisName, 1.0, 0, 0, "Y", "Minor axis");
    set(UnitSystem::LoadForce, 1e3, 0, 3, "kN", "Load");
    set(UnitSystem::LoadForcePerLength, 1e3, 0, 3, "kN/m", "Load");
    set(UnitSystem::LoadTorque, 1e3, 0, 3, "kN.m", "Torque");
    set(UnitSystem::Mass, 1.0, 0, 1, "kg", "Mass");
    set(UnitSystem::ReactionForce, 1e3, 0, 3, "kN", "Reaction");
    set(UnitSystem::ReactionTorque, 1e3, 0, 3, "kN.m", "Reaction moment");
    set(UnitSystem::Rotation, 1.0, 0, 5, "rad", "Rotation");
    set(UnitSystem::SectionModulusMajor, 1e-6, 0, 1, "cm<sup>3</sup>", "Zxx");
    set(UnitSystem::SectionModulusMinor, 1e-6, 0, 1, "cm<sup>3</sup>", "Zyy");
    set(UnitSystem::ThermalExpansion, 1e-6, 0, 2, "10<sup>-6</sup>/K", "CTE");
    set(UnitSystem::ShearForce, 1e3, 0, 3, "kN", "Shear force");
    set(UnitSystem::ShearModulus, 1e9, 0, 1, "kN/mm<sup>2</sup>", "G");
    set(UnitSystem::TorsionConstant, 1e-8, 0, 1, "cm<sup>4</sup>", "J");
    set(UnitSystem::UnitMass, 1.0, 0, 1, "kg/m", "Mass/length");
    set(UnitSystem::Percentage, 0.01, 0, 1, "%", "Percentage");
    set(UnitSystem::Length, 1.0, 0, 3, "m", "Length");
    set(UnitSystem::Force, 1000.0, 0, 3, "kN", "Force");
    set(UnitSystem::Torque, 1000.0, 0, 3, "kN.m", "Torque");
    set(UnitSystem::ForcePerUnitLength, 1000.0, 0, 3, "kN/m", "Force/length");
    set(UnitSystem::TorsionMoment, 1e3, 0, 3, "kN.m", "Torsion");
    set(UnitSystem::YoungsModulus, 1e9, 0, 1, "kN/mm<sup>2</sup>", "E");
    return t;
}

// Continental practice: MPa and GPa, and y and z as the section's axes.
Table metricEU()
{
    Table t = metricUK();
    t[UnitSystem::BendingStress].units = "MPa";
    t[UnitSystem::ShearModulus].units = "GPa";
    t[UnitSystem::YoungsModulus].units = "GPa";
    t[UnitSystem::MajorAxisName].units = "Y";
    t[UnitSystem::MinorAxisName].units = "Z";
    t[UnitSystem::InertiaMajor].nomenclature = "Iyy";
    t[UnitSystem::InertiaMinor].nomenclature = "Izz";
    t[UnitSystem::SectionModulusMajor].nomenclature = "Wyy";
    t[UnitSystem::SectionModulusMinor].nomenclature = "Wzz";
    t[UnitSystem::TorsionConstant].nomenclature = "It";
    return t;
}

Table imperialUS()
{
    Table t = metricUK();
    auto set = [&t](UnitSystem::Conversion c, double f, int d, const char* u) {
        t[c].factor = f;
        t[c].decimals = d;
        t[c].units = u;
    };
    set(UnitSystem::AxialForce, kip, 3, "kip");
    set(UnitSystem::BendingMoment, kip * foot, 3, "kip-ft");
    set(UnitSystem::BendingStress, ksi, 2, "kip/in<sup>2</sup>");
    set(UnitSystem::Area, inch * inch, 3, "in<sup>2</sup>");
    set(UnitSystem::Density, pound / (foot * foot * foot), 2, "lb/ft<sup>3</sup>");
    set(UnitSystem::Acceleration, foot, 3, "ft/s<sup>2</sup>");
    set(UnitSystem::Distance, inch, 3, "in");
    set(UnitSystem::InertiaMajor, inch * inch * inch * inch, 2, "in<sup>4</sup>");
    set(UnitSystem::InertiaMinor, inch * inch * inch * inch, 2, "in<sup>4</sup>");
    set(UnitSystem::LengthSmall, inch, 2, "in");
    set(UnitSystem::LoadForce, kip, 3, "kip");
    set(UnitSystem::LoadForcePerLength, kip / foot, 3, "kip/ft");
    set(UnitSystem::LoadTorque, kip * foot, 3, "kip-ft");
    set(UnitSystem::Mass, pound, 1, "lb");
    set(UnitSystem::ReactionForce, kip, 3, "kip");
    set(UnitSystem::ReactionTorque, kip * foot, 3, "kip-ft");
    set(UnitSystem::SectionModulusMajor, inch * inch * inch, 2, "in<sup>3</sup>");
    set(UnitSystem::SectionModulusMinor, inch * inch * inch, 2, "in<sup>3</sup>");
    set(UnitSystem::ThermalExpansion, 1.8e-6, 2, "10<sup>-6</sup>/\u00b0F");
    set(UnitSystem::ShearForce, kip, 3, "kip");
    set(UnitSystem::ShearModulus, ksi, 0, "kip/in<sup>2</sup>");
    set(UnitSystem::TorsionConstant, inch * inch * inch * inch, 2, "in<sup>4</sup>");
    set(UnitSystem::UnitMass, pound / foot, 2, "lb/ft");
    set(UnitSystem::Length, inch, 1, "in");
    set(UnitSystem::Force, kip, 3, "kip");
    set(UnitSystem::Torque, kip * foot, 3, "kip-ft");
    set(UnitSystem::ForcePerUnitLength, kip / foot, 3, "kip/ft");
    set(UnitSystem::TorsionMoment, kip * foot, 3, "kip-ft");
    set(UnitSystem::YoungsModulus, ksi, 0, "kip/in<sup>2</sup>");
    return t;
}

const std::array<Table, UnitSystem::NumberOfSystems>& tables()
{
    static const std::array<Table, UnitSystem::NumberOfSystems> all{metricUK(), metricEU(), imperialUS()};
    return all;
}

bool isValidConversion(int conversion)
{
    return conversion >= 0 && conversion < UnitSystem::NumberOfConversions;
}

} // namespace

UnitSystem::UnitSystem(QObject* parent) : QObject(parent) {}

QStringList UnitSystem::availableSystems()
{
    return {QStringLiteral("Metric (UK)"), QStringLiteral("Metric (EU)"), QStringLiteral("Imperial (US)")};
}

QStringList UnitSystem::availableSystemsShort()
{
    return {QStringLiteral("UK"), QStringLiteral("EU"), QStringLiteral("US")};
}

void UnitSystem::setChosenSystem(const QString& name)
{
    setChosenSystem(qMax(0, availableSystems().indexOf(name)));
}

void UnitSystem::setChosenSystem(int index)
{
    chosenIndex = index;
    emit UnitSystemChanged(index);
}

int UnitSystem::effectiveSystem() const
{
    return chosenIndex >= 0 && chosenIndex < NumberOfSystems ? chosenIndex : 0;
}

const UnitSystem::Record& UnitSystem::record(int system, Conversion conversion)
{
    if (system < 0 || system >= NumberOfSystems)
        system = 0;
    if (!isValidConversion(conversion))
        conversion = Unitless;
    return tables()[system][conversion];
}

const UnitSystem::Record& UnitSystem::record(Conversion conversion) const
{
    return record(effectiveSystem(), conversion);
}

double UnitSystem::convertSIToPreferred(double value, Conversion conversion) const
{
    return value / record(conversion).factor;
}

double UnitSystem::convertPreferredToSI(double value, Conversion conversion) const
{
    return value * record(conversion).factor;
}

double UnitSystem::minimumPreferredValue(Conversion conversion) const
{
    return std::pow(10.0, -std::abs(record(conversion).decimals));
}

double UnitSystem::roundPreferred(double value, Conversion conversion) const
{
    const Record& r = record(conversion);
    if (std::abs(r.decimals) < 16)
        value = roundToDecimalPlaces(value, std::abs(r.decimals));
    if (r.significantFigures > 0)
        value = roundToSignificantFigures(value, r.significantFigures);
    return value;
}

double UnitSystem::roundSIAsPreferred(double value, Conversion conversion) const
{
    return roundSIAsPreferredWithSigFigs(value, conversion, record(conversion).significantFigures);
}

double UnitSystem::roundSIAsPreferredWithSigFigs(double value, Conversion conversion, int figures) const
{
    const Record& r = record(conversion);
    double v = convertSIToPreferred(value, conversion);
    const bool toPlaces = std::abs(r.decimals) < 16;
    // A value beyond the step of its places stays as it is: taken to the
    // preferred unit and back it could only lose its last bits, or overflow.
    if (toPlaces && figures <= 0 && isBeyondStep(v, std::pow(10.0, std::abs(r.decimals))))
        return value;
    if (toPlaces)
        v = roundToDecimalPlaces(v, std::abs(r.decimals));
    if (figures > 0)
        v = roundToSignificantFigures(v, figures);
    const double rounded = convertPreferredToSI(v, conversion);
    return std::isfinite(rounded) || !std::isfinite(value) ? rounded : value;
}

QString UnitSystem::preferredStringFromSI(double value, Conversion conversion, bool trim) const
{
    const Record& r = record(conversion);
    return naturalDoubleToString(value / r.factor, r.significantFigures, std::abs(r.decimals),
                                 trim || r.decimals < 0);
}

QString UnitSystem::preferredUnits(Conversion conversion) const
{
    return QString::fromUtf8(record(conversion).units);
}

QString UnitSystem::preferredNomenclature(Conversion conversion) const
{
    return QString::fromUtf8(record(conversion).nomenclature);
}
