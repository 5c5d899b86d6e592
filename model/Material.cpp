#include "Material.h"

#include "SectionXml.h"
#include "Vectors.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

Material::Material() = default;

Material::Material(const QStringList& names, double E, double G, double density, double CTE)
    : CTE(CTE), rho(density), E(E), G(G), nameList(names)
{
}

void Material::setPropertiesOnly(const Material& other)
{
    CTE = other.CTE;
    rho = other.rho;
    E = other.E;
    G = other.G;
}

bool Material::operator==(const Material& other) const
{
    return fuzzyEqual(CTE, other.CTE) && fuzzyEqual(rho, other.rho) && fuzzyEqual(E, other.E)
           && fuzzyEqual(G, other.G);
}

bool Material::canReplace(const Material& other) const
{
    return fuzzyEqual(CTE, other.CTE) && fuzzyEqual(rho, other.rho) && fuzzyEqual(E, other.E)
           && (fuzzyEqual(G, other.G) || other.G == 0.0);
}

bool Material::isGenericNameEqualTo(const MaterialRef& material, const QString& name)
{
    return material && material->name().compare(name, Qt::CaseInsensitive) == 0;
}

bool Material::isValid() const
{
    return rho >= 0.01 && E >= 300000.0 && 3.0 * G >= E;
}

void Material::writeXML(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("Material"));
    SectionXml::writeNames(writer, nameList);
    SectionXml::writeNumber(writer, QStringLiteral("CTE"), CTE);
    SectionXml::writeNumber(writer, QStringLiteral("Density"), rho);
    SectionXml::writeNumber(writer, QStringLiteral("E"), E);
    SectionXml::writeNumber(writer, QStringLiteral("G"), G);
    writer.writeEndElement();
}

void Material::readXML(QXmlStreamReader& reader)
{
    while (reader.readNextStartElement()) {
        if (SectionXml::isElement(reader, "Names"))
            nameList = SectionXml::readNames(reader);
        else if (SectionXml::isElement(reader, "CTE"))
            SectionXml::readNumber(reader, &CTE);
        else if (SectionXml::isElement(reader, "Density"))
            SectionXml::readNumber(reader, &rho);
        else if (SectionXml::isElement(reader, "E"))
            SectionXml::readNumber(reader, &E);
        else if (SectionXml::isElement(reader, "G"))
            SectionXml::readNumber(reader, &G);
        else
            reader.skipCurrentElement();
    }
}
