#include "SectionLibrary.h"

#include "MaterialLibrary.h"
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

SectionData::Record customRecord(qint32 shape)
{
    SectionData::Record record;
    record.names = QStringList{QStringLiteral("Custom"), CrossSection::nameOfShape(shape)};
    record.shape = shape;
    return record;
}

// Plate girders: a centred web under a top plate, and for the TriPlate a
// wider bottom plate.
SectionData::Record plateRecord(qint32 shape)
{
    using namespace SectionData;
    Record record = customRecord(shape);
    record.dimensions[OverallDepth] = shape == CrossSection::TriPlate ? 0.400 : 0.300;
    record.dimensions[WebThickness] = 0.010;
    record.dimensions[TopFlangeWidth] = 0.200;
    record.dimensions[TopFlangeThickness] = 0.015;
    record.dimensions[TopFlangeOffset] = 0.100;
    if (shape == CrossSection::TriPlate) {
        record.dimensions[BottomFlangeWidth] = 0.250;
        record.dimensions[BottomFlangeThickness] = 0.020;
        record.dimensions[BottomFlangeOffset] = 0.125;
    }
    return record;
}

SectionLibrary::ItemRef makeCustomCountry()
{
    SectionData::Record record;
    record.names = QStringList{QStringLiteral("Custom")};
    const SectionTypeRef country(new SectionType(StandardSections::makeCrossSection(record), MaterialRef()));
    return SectionLibrary::ItemRef(new SectionLibrary::Item(country, record.names.first()));
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
    const ItemRef item(new Item(SectionTypeRef(new SectionType(section.crossSection, material)),
                                section.crossSection->names().value(section.crossSection->names().size() - 1)));
    parent->appendSubnode(item);
    for (const StandardSection& child : section.children)
        appendStandard(item, child, materials, found);
}

void SectionLibrary::appendCustomShapes(const MaterialRef& material)
{
    QList<SectionData::Record> records;
    for (const Template& t : standardShapeTemplates) {
        SectionData::Record record = customRecord(t.shape);
        SectionData::setStandardDimensions(record.dimensions, t.depth, t.width, t.web, t.flange);
        records << record;
    }
    records << plateRecord(CrossSection::BiPlate) << plateRecord(CrossSection::TriPlate);

    for (const SectionData::Record& record : records) {
        const CrossSectionRef section = StandardSections::makeCrossSection(record);
        section->compute();
        customCountry->appendSubnode(
            ItemRef(new Item(SectionTypeRef(new SectionType(section, material)), record.names.value(1))));
    }
}
