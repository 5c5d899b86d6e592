#include "StandardSections.h"

#include "CrossSection.h"
#include "SectionDataFormat.h"

#include <QDataStream>
#include <QFile>

namespace {

bool readNode(QDataStream& in, int level, StandardSection* node)
{
    const CrossSectionRef section(new CrossSection);
    qint32 childCount = 0;
    if (!SectionData::readRecord(in, section.data(), &node->materialName))
        return false;
    in >> childCount;
    if (in.status() != QDataStream::Ok || section->names().size() != level || childCount < 0
        || childCount > SectionData::maximumChildren)
        return false;
    if (level == SectionData::levelCount - 1) {
        if (childCount != 0)
            return false;
        section->compute();
    }
    if (level > 0)
        node->crossSection = section;
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
