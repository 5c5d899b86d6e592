#pragma once

#include "ModelRefs.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// A node of the standard section tree: a country, a category or a size. Its
// cross-section carries the node's names and shape; a size's also carries its
// dimensions and the properties computed from them.
struct StandardSection
{
    CrossSectionRef crossSection;
    // The first name of the standard material a size is made of; empty for none.
    QString materialName;
    QVector<StandardSection> children;
};

// The standard sections of the resource ":/sectionLibrary.dat". The resource
// is read once per process; its cross-sections are shared by every section
// library of every document and must be treated as read-only.
class StandardSections
{
public:
    // The root, whose children are the countries. A resource that cannot be
    // read gives a root without children.
    static const StandardSection& root();

    // Builds the tree from the compressed resource data. Any fault (bad
    // compression, wrong magic or version, truncation, trailing bytes, a level
    // too deep, a name list of the wrong length, a dimension that is negative
    // or not finite) gives false and an empty root.
    static bool parse(const QByteArray& compressed, StandardSection* root);
};
