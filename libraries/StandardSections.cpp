#include "StandardSections.h"

#include "CrossSection.h"

#include <QDataStream>
#include <QFile>

#include <cmath>

namespace {

bool readNode(QDataStream& in, int level, StandardSection* node)
{
    SectionData::Record record;
    qint32 childCount = 0;
    in >> record >> childCount;
    if (in.status() != QDataStream::Ok || record.names.size() != level || childCount < 0
        || childCount > SectionData::maximumChildren)
        return false;
    if (level == SectionData::levelCount - 1 && childCount != 0)
        return false;
    for (double value : record.dimensions)
        if (!std::isfinite(value) || value < 0.0)
            return false;

    if (level > 0) {
        node->crossSection = StandardSections::makeCrossSection(record);
        if (level == SectionData::levelCount - 1)
            node->crossSection->compute();
    }
    node->materialName = record.materialName;
    node->children.resize(childCount);
    for (StandardSection& child : node->children)
        if (!readNode(in, level + 1, &child))
            return false;
    return true;
}

} // namespace

// Outside any namespace, as the resource's initialiser is a global function.
static StandardSection loadSectionResource()
{
    // The resource lives in a static library; naming it keeps it linked in.
    Q_INIT_RESOURCE(sectionLibrary);
    StandardSection root;
    QFile file(QStringLiteral(":/sectionLibrary.dat"));
    if (file.open(QIODevice::ReadOnly))
        StandardSections::parse(file.readAll(), &root);
    return root;
}

const StandardSection& StandardSections::root()
{
    static const StandardSection parsed = loadSectionResource();
    return parsed;
}

bool StandardSections::parse(const QByteArray& compressed, StandardSection* root)
{
    *root = StandardSection();
    const QByteArray raw = qUncompress(compressed);
    QDataStream in(raw);
    in.setVersion(SectionData::streamVersion);
    in.setByteOrder(QDataStream::BigEndian);
    quint32 magic = 0;
    qint32 version = 0;
    in >> magic >> version;
    StandardSection parsed;
    if (raw.isEmpty() || magic != SectionData::magic || version != SectionData::formatVersion
        || !readNode(in, 0, &parsed) || !in.atEnd())
        return false;
    *root = parsed;
    return true;
}

CrossSectionRef StandardSections::makeCrossSection(const SectionData::Record& record)
{
    using namespace SectionData;
    const CrossSectionRef section(new CrossSection);
    section->setNames(record.names);
    section->setShape(record.shape);
    section->setBottomFlangeOffset(record.dimensions[BottomFlangeOffset]);
    section->setBottomFlangeThickness(record.dimensions[BottomFlangeThickness]);
    section->setBottomFlangeWidth(record.dimensions[BottomFlangeWidth]);
    section->setOverallDepth(record.dimensions[OverallDepth]);
    section->setTopFlangeOffset(record.dimensions[TopFlangeOffset]);
    section->setTopFlangeThickness(record.dimensions[TopFlangeThickness]);
    section->setTopFlangeWidth(record.dimensions[TopFlangeWidth]);
    section->setWebThickness(record.dimensions[WebThickness]);
    section->setRotated(record.rotated);
    return section;
}
