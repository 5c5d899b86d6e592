#pragma once

// The layout of the compressed section-library resource, shared by the build
// tool that writes it and the library that reads it.
//
// The resource is qCompress of a big-endian QDataStream (version Qt 5.6)
// holding the magic number, the format version and then the root node. A node
// is a Record followed by its child count (qint32) and its children. The root
// has no names; its children are the countries, theirs the categories, and
// theirs the sizes. Section properties are not stored: the library computes
// them from the dimensions.

#include <QDataStream>
#include <QString>
#include <QStringList>

namespace SectionData {

const quint32 magic = 0x56534c42; // "VSLB"
const qint32 formatVersion = 1;
const QDataStream::Version streamVersion = QDataStream::Qt_5_6;
// Root, country, category, size.
const int levelCount = 4;
const qint32 maximumChildren = 100000;

// In the order CrossSection lists its dimensions, all in metres.
enum Dimension {
    BottomFlangeOffset,
    BottomFlangeThickness,
    BottomFlangeWidth,
    OverallDepth,
    TopFlangeOffset,
    TopFlangeThickness,
    TopFlangeWidth,
    WebThickness,
    DimensionCount
};

struct Record
{
    // [country], [country, category] or [country, category, size].
    QStringList names;
    // A CrossSection shape code.
    qint32 shape = 0;
    double dimensions[DimensionCount] = {};
    bool rotated = false;
    // The first name of a standard material; empty for none.
    QString materialName;
};

inline QDataStream& operator<<(QDataStream& stream, const Record& record)
{
    stream << record.names << record.shape;
    for (double value : record.dimensions)
        stream << value;
    return stream << record.rotated << record.materialName;
}

inline QDataStream& operator>>(QDataStream& stream, Record& record)
{
    stream >> record.names >> record.shape;
    for (double& value : record.dimensions)
        stream >> value;
    return stream >> record.rotated >> record.materialName;
}

// The dimensions of a rolled or tube section as the tables give it: overall
// depth and width, web and flange thickness (for a tube both are the wall).
// These shapes are symmetric or have one flange, so a cross-section reads its
// flanges from the top-flange dimensions and leaves the others at zero.
inline void setStandardDimensions(double* dimensions, double depth, double width, double web, double flange)
{
    for (int i = 0; i < DimensionCount; ++i)
        dimensions[i] = 0.0;
    dimensions[OverallDepth] = depth;
    dimensions[TopFlangeWidth] = width;
    dimensions[TopFlangeThickness] = flange;
    dimensions[WebThickness] = web;
}

} // namespace SectionData
