#pragma once

#include "XmlForm.h"
#include "ModelRefs.h"

#include <QMetaType>
#include <QPixmap>
#include <QReadWriteLock>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

class QXmlStreamReader;
class QXmlStreamWriter;

// The shape, dimensions and section properties of a member's cross-section: a
// plain value without signals, shared through CrossSectionRef.
//
// Depth runs along the member's local y and width along local z. Iy and Wely
// are the major values (bending in the plane of the depth); the rotated flag
// tells the analysis to use the section turned a quarter, swapping the major
// and minor values there while the stored values stay as they are.
class CrossSection
{
public:
    // A shape code: the kind in the low four bits, plus Hollow.
    typedef int Shape;
    enum ShapeCode : int {
        Angle = 1,
        Channel = 2,
        Custom = 3,
        IBeam = 4,
        Oval = 5,
        Rectangle = 6,
        Tee = 7,
        Zed = 8,
        BiPlate = 9,
        TriPlate = 10,
        KindMask = 0x0F,
        Hollow = 0x10
    };

    // The vertex positions and normals of the extruded mesh, three floats each.
    struct VertexArrays
    {
        QVector<float> vertices;
        QVector<float> normals;
    };

    // Everything zero, no names, not rotated and not valid.
    CrossSection();
    // Copies shape, names, dimensions, rotated flag, properties and validity;
    // the copy starts with an empty extrusion mesh of its own.
    CrossSection(const CrossSection& other);
    CrossSection& operator=(const CrossSection& other);
    ~CrossSection();

    Shape shape() const { return shapeCode; }
    void setShape(Shape shape);
    // Country, category and size, in this order; the list may be shorter.
    const QStringList& names() const { return nameList; }
    void setNames(const QStringList& names) { nameList = names; }

    // Dimensions in metres. A flange offset is the distance from the flange's
    // left end to the web's centre line. Setting one clears the valid flag and
    // marks the extrusion mesh out of date.
    double bottomFlangeOffset() const { return dimension[BottomFlangeOffset]; }
    double bottomFlangeThickness() const { return dimension[BottomFlangeThickness]; }
    double bottomFlangeWidth() const { return dimension[BottomFlangeWidth]; }
    double overallDepth() const { return dimension[OverallDepth]; }
    double topFlangeOffset() const { return dimension[TopFlangeOffset]; }
    double topFlangeThickness() const { return dimension[TopFlangeThickness]; }
    double topFlangeWidth() const { return dimension[TopFlangeWidth]; }
    double webThickness() const { return dimension[WebThickness]; }
    void setBottomFlangeOffset(double value) { setDimension(BottomFlangeOffset, value); }
    void setBottomFlangeThickness(double value) { setDimension(BottomFlangeThickness, value); }
    void setBottomFlangeWidth(double value) { setDimension(BottomFlangeWidth, value); }
    void setOverallDepth(double value) { setDimension(OverallDepth, value); }
    void setTopFlangeOffset(double value) { setDimension(TopFlangeOffset, value); }
    void setTopFlangeThickness(double value) { setDimension(TopFlangeThickness, value); }
    void setTopFlangeWidth(double value) { setDimension(TopFlangeWidth, value); }
    void setWebThickness(double value) { setDimension(WebThickness, value); }

    bool isRotated() const { return rotated; }
    void setRotated(bool value);

    // Section properties (SI): area, torsion constant, second moments, and
    // elastic and plastic moduli about the major (y) and minor (z) axes.
    // Setting one clears the valid flag.
    double area() const { return property[Area]; }
    double J() const { return property[TorsionConstant]; }
    double Iy() const { return property[SecondMomentY]; }
    double Wely() const { return property[ElasticModulusY]; }
    double Wply() const { return property[PlasticModulusY]; }
    double Iz() const { return property[SecondMomentZ]; }
    double Welz() const { return property[ElasticModulusZ]; }
    double Wplz() const { return property[PlasticModulusZ]; }
    void setArea(double value) { setProperty(Area, value); }
    void setJ(double value) { setProperty(TorsionConstant, value); }
    void setIy(double value) { setProperty(SecondMomentY, value); }
    void setWely(double value) { setProperty(ElasticModulusY, value); }
    void setWply(double value) { setProperty(PlasticModulusY, value); }
    void setIz(double value) { setProperty(SecondMomentZ, value); }
    void setWelz(double value) { setProperty(ElasticModulusZ, value); }
    void setWplz(double value) { setProperty(PlasticModulusZ, value); }

    // The stored valid flag; when it is clear, determineValidity decides again.
    bool isValid() const;
    // Sets the valid flag from the dimensions the shape uses and from the
    // properties as they stand, and returns it. It leaves the properties alone,
    // so properties stated by a file or the section library are kept.
    bool determineValidity() const;
    // Recomputes every property from the shape and dimensions, then the valid
    // flag. A Custom section has no outline and keeps its stated properties.
    void compute();
    // Clamps every dimension to at least zero and the thicknesses and offsets
    // to what the depth and widths of the shape allow.
    void clampGeometry();

    // The overall width used to scale the extruded mesh: for a TriPlate the
    // extent of both flanges about the web, otherwise the top flange width.
    double overallWidth() const;
    // Category then size, for example "UB 127 x 76 x 13".
    QString genericSizeName() const;
    // The icon of the shape; null when the program carries none for it.
    QPixmap shapePixmap() const;

    // "Angle" … "TriPlate" by kind, "" for any other kind, with " Hollow"
    // appended when the hollow bit is set.
    static QString nameOfShape(Shape shape);
    // The inverse of nameOfShape, without regard to case; unknown names give Custom.
    static Shape shapeFromName(const QString& name);

    // The extruded mesh of the section for x from 0 to 1, unit depth (y) and
    // unit overall width (z), centred on the x axis; the view scales it to
    // (length, depth, overall width). Cap A lies at x = 1 facing +x and cap B
    // at x = 0 facing -x. Rebuilt on demand when the dimensions have changed.
    VertexArrays extrusionVertices() const;
    QVector<quint32> extrusionEdgeIndices() const;
    QVector<quint32> extrusionFaceAIndices() const;
    QVector<quint32> extrusionFaceBIndices() const;

    // The <CrossSection> element: entered on its start element, left on its
    // end element. Missing children keep their present values.
    void writeXML(QXmlStreamWriter& writer) const;
    // What writeXML writes.
    static const XmlForm::Element xmlForm;
    void readXML(QXmlStreamReader& reader);

private:
    enum DimensionIndex {
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
    enum PropertyIndex {
        Area,
        TorsionConstant,
        SecondMomentY,
        ElasticModulusY,
        PlasticModulusY,
        SecondMomentZ,
        ElasticModulusZ,
        PlasticModulusZ,
        PropertyCount
    };

    struct ExtrusionMesh
    {
        VertexArrays arrays;
        QVector<quint32> edgeIndices;
        QVector<quint32> faceAIndices;
        QVector<quint32> faceBIndices;
    };

    // The dimensions a shape's outline is drawn from, one bit per DimensionIndex.
    static unsigned dimensionsInUse(Shape shape);
    void setDimension(DimensionIndex index, double value);
    void setProperty(PropertyIndex index, double value);
    void invalidateExtrusion();
    // Brings the mesh up to date and returns a copy, under the mesh's own lock.
    ExtrusionMesh extrusionMesh() const;
    ExtrusionMesh subOpBuildExtrusion() const;
    bool subOpDimensionsAreValid() const;

    Shape shapeCode = 0;
    QStringList nameList;
    double dimension[DimensionCount] = {};
    bool rotated = false;
    double property[PropertyCount] = {};
    // isValid may settle the flag from the analysis thread while the GUI
    // thread reads it.
    mutable std::atomic<bool> valid{false};

    mutable QReadWriteLock extrusionLock;
    mutable bool extrusionValid = false;
    mutable ExtrusionMesh extrusion;
};

Q_DECLARE_METATYPE(CrossSectionRef)
