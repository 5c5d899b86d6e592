#pragma once

#include "XmlForm.h"
#include "ModelRefs.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

class QXmlStreamReader;
class QXmlStreamWriter;

// An elastic material: a plain value without signals, shared through
// MaterialRef and compared by identity wherever libraries hold it.
class Material
{
public:
    // No names and all numbers zero, as a freshly added custom material starts.
    Material();
    Material(const QStringList& names, double E, double G, double density, double CTE);

    const QStringList& names() const { return nameList; }
    void setNames(const QStringList& names) { nameList = names; }
    // The first name, shown to the user and compared; empty when there is none.
    QString name() const { return nameList.value(0); }

    // Coefficient of thermal expansion (1/K).
    double cte() const { return CTE; }
    void setCte(double value) { CTE = value; }
    // kg/m³
    double density() const { return rho; }
    void setDensity(double value) { rho = value; }
    // Young's modulus (Pa).
    double youngsModulus() const { return E; }
    void setYoungsModulus(double value) { E = value; }
    // Shear modulus (Pa).
    double shearModulus() const { return G; }
    void setShearModulus(double value) { G = value; }

    // Takes the four numbers of another material and keeps this one's names.
    void setPropertiesOnly(const Material& other);

    // The four numbers fuzzy-equal; the names play no part.
    bool operator==(const Material& other) const;
    bool operator!=(const Material& other) const { return !(*this == other); }

    // True when this material may stand for the other: CTE, density and E
    // fuzzy-equal, and G fuzzy-equal unless the other leaves G at zero.
    bool canReplace(const Material& other) const;

    // Compares the first name without regard to case; a null material matches nothing.
    static bool isGenericNameEqualTo(const MaterialRef& material, const QString& name);

    // What the analysis accepts: density and E at least these minima and
    // 3G ≥ E (Poisson's ratio at most 0.5). NaN fails every comparison.
    bool isValid() const;
    static constexpr double minimumDensity = 0.01;           // kg/m³
    static constexpr double minimumYoungsModulus = 300000.0; // Pa

    // The <Material> element: entered on its start element, left on its end
    // element. Missing children keep their present values.
    void writeXML(QXmlStreamWriter& writer) const;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    void readXML(QXmlStreamReader& reader);

private:
    double CTE = 0.0;
    double rho = 0.0;
    double E = 0.0;
    double G = 0.0;
    QStringList nameList;
};

Q_DECLARE_METATYPE(Material)
Q_DECLARE_METATYPE(MaterialRef)
