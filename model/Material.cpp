#include "Material.h"

#include "ModelXml.h"
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
    return rho >= minimumDensity && E >= minimumYoungsModulus && 3.0 * G >= E;
}

void Material::writeXML(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("Material"));
    ModelXml::writeNames(writer, nameList);
    ModelXml::writeNumber(writer, QStringLiteral("CTE"), CTE);
    ModelXml::writeNumber(writer, QStringLiteral("Density"), rho);
    ModelXml::writeNumber(writer, QStringLiteral("E"), E);
    ModelXml::writeNumber(writer, QStringLiteral("G"), G);
    writer.writeEndElement();
}

const XmlForm::Element Material::xmlForm =
    XmlForm::element("Material", {XmlForm::child(ModelXml::namesForm, XmlForm::Always),
                                  XmlForm::child("CTE", XmlForm::Value::Number, XmlForm::Always),
                                  XmlForm::child("Density", XmlForm::Value::Number, XmlForm::Always),
                                  XmlForm::child("E", XmlForm::Value::Number, XmlForm::Always),
                                  XmlForm::child("G", XmlForm::Value::Number, XmlForm::Always)});

void Material::readXML(QXmlStreamReader& reader)
{
    while (reader.readNextStartElement()) {
        if (ModelXml::isElement(reader, "Names"))
            nameList = ModelXml::readNames(reader);
        else if (ModelXml::isElement(reader, "CTE"))
            CTE = ModelXml::numberFrom(reader, reader.readElementText());
        else if (ModelXml::isElement(reader, "Density"))
            rho = ModelXml::numberFrom(reader, reader.readElementText());
        else if (ModelXml::isElement(reader, "E"))
            E = ModelXml::numberFrom(reader, reader.readElementText());
        else if (ModelXml::isElement(reader, "G"))
            G = ModelXml::numberFrom(reader, reader.readElementText());
        else
            reader.skipCurrentElement();
    }
}
