#include "SectionLibrary.h"

#include "MaterialLibrary.h"
#include "SectionDataFormat.h"
#include "StandardSections.h"

#include <QHash>

namespace {

// Depth, width, web and flange of a template, in metres: sizes a user would
// meet in a small building frame.
struct Template
{
    qint32 shape;
    double depth, width, web, flange;
};

const Template standardShapeTemplates[] = {
    {CrossSection::Angle, 0.100, 0.100, 0.010, 0.010},
    {CrossSection::Channel, 0.200, 0.075, 0.008, 0.0125},
    {CrossSection::IBeam, 0.300, 0.150, 0.008, 0.012},
    {CrossSection::Oval, 0.100, 0.100, 0.0, 0.0},
    {CrossSection::Oval | CrossSection::Hollow, 0.100, 0.100, 0.005, 0.005},
    {CrossSection::Rectangle, 0.200, 0.100, 0.0, 0.0},
    {CrossSection::Rectangle | CrossSection::Hollow, 0.200, 0.100, 0.006, 0.006},
    {CrossSection::Tee, 0.150, 0.150, 0.008, 0.012},
    {CrossSection::Zed, 0.200, 0.075, 0.006, 0.010},
};

CrossSectionRef customSection(qint32 shape)
{
    const CrossSectionRef section(new CrossSection);
    section->setNames({QStringLiteral("Custom"), CrossSection::nameOfShape(shape)});
    section->setShape(shape);
    return section;
}

// Plate girders: a centred web under a top plate, and for the TriPlate a
// wider bottom plate.
CrossSectionRef plateSection(qint32 shape)
{
    const CrossSectionRef section = customSection(shape);
    const bool tri = shape == CrossSection::TriPlate;
    section->setOverallDepth(tri ? 0.400 : 0.300);
    section->setWebThickness(0.010);
    section->setTopFlangeWidth(0.200);
    section->setTopFlangeThickness(0.015);
    section->setTopFlangeOffset(0.100);
    if (tri) {
        section->setBottomFlangeWidth(0.250);
        section->setBottomFlangeThickness(0.020);
        section->setBottomFlangeOffset(0.125);
    }
    return section;
}

SectionLibrary::ItemRef makeCustomCountry()
{
    const CrossSectionRef section(new CrossSection);
    section->setNames({QStringLiteral("Custom")});
    const SectionTypeRef country(VaroObject::make<SectionType>(section, MaterialRef()));
    return SectionLibrary::ItemRef(new SectionLibrary::Item(country, section->names().first()));
}

} // namespace

SectionLibrary::SectionLibrary(const QSharedPointer<MaterialLibrary>& materials) : customCountry(makeCustomCountry())
{
    QHash<QString, MaterialRef> found;
    for (const StandardSection& country : StandardSections::root().children)
        appendStandard(root(), country, materials, &found);

    root()->appendSubnode(customCountry);
    // The templates are made of the first standard material, a structural steel.
    appendCustomShapes(materials ? materials->valuesOf(materials->root()->subnode(0)).value(0) : MaterialRef());
}

void SectionLibrary::appendStandard(const TreeNodeRef& parent, const StandardSection& section,
                                    const QSharedPointer<MaterialLibrary>& materials,
                                    QHash<QString, MaterialRef>* found)
{
    MaterialRef material;
    if (materials && !section.materialName.isEmpty()) {
        auto known = found->find(section.materialName);
        if (known == found->end())
            known = found->insert(section.materialName, materials->standardMaterial(section.materialName));
        material = *known;
    }
    const ItemRef item(new Item(VaroObject::make<SectionType>(section.crossSection, material),
                                section.crossSection->names().last()));
    parent->appendSubnode(item);
    for (const StandardSection& child : section.children)
        appendStandard(item, child, materials, found);
}

void SectionLibrary::appendCustomShapes(const MaterialRef& material)
{
    QList<CrossSectionRef> sections;
    for (const Template& t : standardShapeTemplates) {
        sections << customSection(t.shape);
        SectionData::setStandardDimensions(sections.last().data(), t.depth, t.width, t.web, t.flange);
    }
    sections << plateSection(CrossSection::BiPlate) << plateSection(CrossSection::TriPlate);

    for (const CrossSectionRef& section : sections) {
        section->compute();
        customCountry->appendSubnode(
            ItemRef(new Item(VaroObject::make<SectionType>(section, material), section->names().value(1))));
    }
}
