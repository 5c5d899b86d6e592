#pragma once

// The layout of the compressed section-library resource, shared by the build
// tool that writes it and the library that reads it.
//
// The resource is qCompress of a big-endian QDataStream (version Qt 5.6)
// holding the magic number, the format version and then the root node. A node
// is a record followed by its child count (qint32) and its children. The root
// has no names; its children are the countries, theirs the categories, and
// theirs the sizes. A record holds a cross-section's names, shape code, its
// eight dimensions in metres in the order CrossSection lists them, its rotated
// flag, and the first name of a standard material (empty for none). Section
// properties are not stored: the library computes them from the dimensions.

#include "CrossSection.h"

#include <QDataStream>
#include <QString>
#include <QStringList>

#include <cmath>

namespace SectionData {

const quint32 magic = 0x56534c42; // "VSLB"
const qint32 formatVersion = 1;
const QDataStream::Version streamVersion = QDataStream::Qt_5_6;
// Root, country, category, size.
const int levelCount = 4;
const qint32 maximumChildren = 100000;

inline void writeRecord(QDataStream& out, const CrossSection& section, const QString& materialName)
{
    out << section.names() << qint32(section.shape()) << section.bottomFlangeOffset()
        << section.bottomFlangeThickness() << section.bottomFlangeWidth() << section.overallDepth()
        << section.topFlangeOffset() << section.topFlangeThickness() << section.topFlangeWidth()
        << section.webThickness() << section.isRotated() << materialName;
}

// False when the stream fails or a dimension is negative or not finite.
inline bool readRecord(QDataStream& in, CrossSection* section, QString* materialName)
{
    QStringList names;
    qint32 shape = 0;
    double d[8] = {};
    bool rotated = false;
    in >> names >> shape;
    for (double& value : d)
        in >> value;
    in >> rotated >> *materialName;
    for (double value : d)
        if (!std::isfinite(value) || value < 0.0)
            return false;
    section->setNames(names);
    section->setShape(shape);
    section->setBottomFlangeOffset(d[0]);
    section->setBottomFlangeThickness(d[1]);
    section->setBottomFlangeWidth(d[2]);
    section->setOverallDepth(d[3]);
    section->setTopFlangeOffset(d[4]);
    section->setTopFlangeThickness(d[5]);
    section->setTopFlangeWidth(d[6]);
    section->setWebThickness(d[7]);
    section->setRotated(rotated);
    return in.status() == QDataStream::Ok;
}

// The dimensions of a rolled or tube section as the tables give them: overall
// depth and width, web and flange thickness (for a tube both are the wall).
// These shapes are symmetric or have one flange, so a cross-section reads its
// flanges from the top-flange dimensions and leaves the others alone.
inline void setStandardDimensions(CrossSection* section, double depth, double width, double web, double flange)
{
    section->setOverallDepth(depth);
    section->setTopFlangeWidth(width);
    section->setTopFlangeThickness(flange);
    section->setWebThickness(web);
}

} // namespace SectionData
