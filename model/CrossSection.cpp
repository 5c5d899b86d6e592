#include "CrossSection.h"

#include <QReadLocker>
#include <QWriteLocker>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

CrossSection::CrossSection() = default;

CrossSection::CrossSection(const CrossSection& other)
    : shapeCode(other.shapeCode), nameList(other.nameList), rotated(other.rotated), valid(other.valid)
{
    std::copy(other.dimension, other.dimension + DimensionCount, dimension);
    std::copy(other.property, other.property + PropertyCount, property);
}

CrossSection& CrossSection::operator=(const CrossSection& other)
{
    if (this == &other)
        return *this;
    shapeCode = other.shapeCode;
    nameList = other.nameList;
    std::copy(other.dimension, other.dimension + DimensionCount, dimension);
    rotated = other.rotated;
    std::copy(other.property, other.property + PropertyCount, property);
    valid = other.valid;
    invalidateExtrusion();
    return *this;
}

CrossSection::~CrossSection() = default;

void CrossSection::setShape(Shape shape)
{
    shapeCode = shape;
    valid = false;
    invalidateExtrusion();
}

void CrossSection::setRotated(bool value)
{
    rotated = value;
    valid = false;
}

void CrossSection::setDimension(DimensionIndex index, double value)
{
    dimension[index] = value;
    valid = false;
    invalidateExtrusion();
}

void CrossSection::setProperty(PropertyIndex index, double value)
{
    property[index] = value;
    valid = false;
}

void CrossSection::invalidateExtrusion()
{
    QWriteLocker locker(&extrusionLock);
    extrusionValid = false;
}

bool CrossSection::isValid() const
{
    return valid || determineValidity();
}

bool CrossSection::determineValidity() const
{
    valid = subOpDimensionsAreValid();
    return valid;
}

bool CrossSection::subOpDimensionsAreValid() const
{
    return false;
}

void CrossSection::compute() {}

void CrossSection::clampGeometry() {}

double CrossSection::overallWidth() const
{
    if ((shapeCode & KindMask) == TriPlate)
        return qMax(bottomFlangeOffset(), topFlangeOffset())
               + qMax(bottomFlangeWidth() - bottomFlangeOffset(), topFlangeWidth() - topFlangeOffset());
    return topFlangeWidth();
}

QString CrossSection::genericSizeName() const
{
    return QStringLiteral("%1 %2").arg(nameList.value(1), nameList.value(2));
}

QPixmap CrossSection::shapePixmap() const
{
    return QPixmap(QStringLiteral(":/shape") + nameOfShape(shapeCode));
}

QString CrossSection::nameOfShape(Shape shape)
{
    return QString();
}

CrossSection::Shape CrossSection::shapeFromName(const QString& name)
{
    return Custom;
}

CrossSection::ExtrusionMesh CrossSection::extrusionMesh() const
{
    {
        QReadLocker locker(&extrusionLock);
        if (extrusionValid)
            return extrusion;
    }
    QWriteLocker locker(&extrusionLock);
    if (!extrusionValid) {
        extrusion = subOpBuildExtrusion();
        extrusionValid = true;
    }
    return extrusion;
}

CrossSection::ExtrusionMesh CrossSection::subOpBuildExtrusion() const
{
    return ExtrusionMesh();
}

CrossSection::VertexArrays CrossSection::extrusionVertices() const
{
    return extrusionMesh().arrays;
}

QVector<quint32> CrossSection::extrusionEdgeIndices() const
{
    return extrusionMesh().edgeIndices;
}

QVector<quint32> CrossSection::extrusionFaceAIndices() const
{
    return extrusionMesh().faceAIndices;
}

QVector<quint32> CrossSection::extrusionFaceBIndices() const
{
    return extrusionMesh().faceBIndices;
}

void CrossSection::writeXML(QXmlStreamWriter& writer) const {}

void CrossSection::readXML(QXmlStreamReader& reader)
{
    reader.skipCurrentElement();
}
