#include "SectionType.h"

#include "ModelXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

SectionType::SectionType() = default;

SectionType::SectionType(const CrossSectionRef& crossSection, const MaterialRef& material)
    : crossSectionRef(crossSection), materialRef(material)
{
}

void SectionType::setMaterial(const QSharedPointer<Material>& material)
{
    emit SectionTypeWillChange();
    materialRef = material;
    stamp();
    emit SectionTypeHasChanged();
}

bool SectionType::isNameEqualTo(const SectionTypeRef& sectionType, int index, const QString& name)
{
    if (!sectionType || !sectionType->crossSectionRef)
        return false;
    return sectionType->crossSectionRef->names().value(index).compare(name, Qt::CaseInsensitive) == 0;
}

bool SectionType::isCountryNameEqualTo(const SectionTypeRef& sectionType, const QString& name)
{
    return isNameEqualTo(sectionType, 0, name);
}

bool SectionType::isCategoryNameEqualTo(const SectionTypeRef& sectionType, const QString& name)
{
    return isNameEqualTo(sectionType, 1, name);
}

bool SectionType::isSizeNameEqualTo(const SectionTypeRef& sectionType, const QString& name)
{
    return isNameEqualTo(sectionType, 2, name);
}

bool SectionType::isShapeEqualTo(const SectionTypeRef& sectionType, CrossSection::Shape shape)
{
    return sectionType && sectionType->crossSectionRef && sectionType->crossSectionRef->shape() == shape;
}

void SectionType::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>*)
{
    while (reader.readNextStartElement()) {
        if (ModelXml::isElement(reader, "CrossSection")) {
            CrossSectionRef section(new CrossSection);
            section->readXML(reader);
            crossSectionRef = section;
        } else if (ModelXml::isElement(reader, "Material")) {
            MaterialRef material(new Material);
            material->readXML(reader);
            materialRef = material;
        } else {
            reader.skipCurrentElement();
        }
    }
}

void SectionType::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(QStringLiteral("SectionType"));
    writer.writeAttribute(QStringLiteral("ref"), id);
    if (crossSectionRef)
        crossSectionRef->writeXML(writer);
    if (materialRef)
        materialRef->writeXML(writer);
    writer.writeEndElement();
}

const XmlForm::Element SectionType::xmlForm =
    XmlForm::element("SectionType", {XmlForm::child(CrossSection::xmlForm), XmlForm::child(Material::xmlForm)},
                     &VaroObject::xmlForm)
        .costing(24, "section type", "section types"); // 1720 bytes with its section, material and 25 values
