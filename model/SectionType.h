#pragma once

#include "CrossSection.h"
#include "Material.h"
#include "VaroObject.h"

// A member's section: a cross-section and a material, both shared with the
// libraries that hold them rather than copied.
class SectionType : public VaroObject
{
    Q_OBJECT

public:
    // Empty, for reading from XML.
    SectionType();
    // Either reference may be null.
    SectionType(const CrossSectionRef& crossSection, const MaterialRef& material);

    CrossSectionRef crossSection() const { return crossSectionRef; }
    MaterialRef material() const { return materialRef; }
    void setMaterial(const QSharedPointer<Material>& material);

    // Compare the country, category or size name (entries 1, 2 and 3 of the
    // cross-section's names, empty when the list is shorter) without regard to
    // case. A section type without a cross-section matches nothing.
    static bool isCountryNameEqualTo(const SectionTypeRef& sectionType, const QString& name);
    static bool isCategoryNameEqualTo(const SectionTypeRef& sectionType, const QString& name);
    static bool isSizeNameEqualTo(const SectionTypeRef& sectionType, const QString& name);
    // True when it has a cross-section with exactly this shape code.
    static bool isShapeEqualTo(const SectionTypeRef& sectionType, CrossSection::Shape shape);

    // <SectionType ref="id"> holding a <CrossSection> and a <Material> when set.
    void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap) override;
    void writeXML(QXmlStreamWriter& writer, const QString& id) const override;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;

signals:
    void SectionTypeWillChange();
    void SectionTypeHasChanged();

private:
    static bool isNameEqualTo(const SectionTypeRef& sectionType, int index, const QString& name);

    CrossSectionRef crossSectionRef;
    MaterialRef materialRef;
};
