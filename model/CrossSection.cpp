#include "CrossSection.h"

#include "ModelXml.h"
#include "Vectors.h"

#include <QReadLocker>
#include <QWriteLocker>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace
{

const double minimumDimension = 0.0001;
// Segments of an oval's outline in the extruded mesh.
const int ovalSegments = 48;

const char* const kindNames[] = {"",         "Angle", "Channel", "Custom", "IBeam",   "Oval",
                                 "Rectangle", "Tee",   "Zed",     "BiPlate", "TriPlate"};
const char* const hollowSuffix = " Hollow";

const char* const dimensionElements[] = {"BottomFlangeOffset", "BottomFlangeThickness", "BottomFlangeWidth",
                                         "OverallDepth",       "TopFlangeOffset",       "TopFlangeThickness",
                                         "TopFlangeWidth",     "WebThickness"};
const char* const propertyElements[] = {"Area", "J", "Iy", "Wely", "Wply", "Iz", "Welz", "Wplz"};

// A rectangular plate of a section: z across the width, y along the depth.
struct Plate
{
    double z0, z1, y0, y1;
};

struct Point2
{
    double z, y;
};
typedef QVector<Point2> Loop;

struct SectionProperties
{
    double A = 0, J = 0, Iy = 0, Wely = 0, Wply = 0, Iz = 0, Welz = 0, Wplz = 0;
};

// A band of material between lo and hi of breadth w, across one axis.
struct Strip
{
    double lo, hi, w;
};

// Plastic modulus of strips about their equal-area axis: Σ ∫|s - p| w ds.
double plasticModulus(const Strip* strips, int count)
{
    double lo = strips[0].lo, hi = strips[0].hi, half = 0;
    for (int i = 0; i < count; ++i) {
        lo = std::min(lo, strips[i].lo);
        hi = std::max(hi, strips[i].hi);
        half += 0.5 * strips[i].w * (strips[i].hi - strips[i].lo);
    }
    // The area below p grows monotonically, so bisection finds the axis to
    // the last bit.
    for (int iteration = 0; iteration < 200 && lo < hi; ++iteration) {
        const double p = 0.5 * (lo + hi);
        if (p <= lo || p >= hi)
            break;
        double below = 0;
        for (int i = 0; i < count; ++i)
            below += strips[i].w * std::clamp(p - strips[i].lo, 0.0, strips[i].hi - strips[i].lo);
        (below < half ? lo : hi) = p;
    }
    const double p = 0.5 * (lo + hi);
    double W = 0;
    for (int i = 0; i < count; ++i) {
        const double a = strips[i].lo - p, b = strips[i].hi - p;
        W += strips[i].w * 0.5 * (b * std::fabs(b) - a * std::fabs(a));
    }
    return W;
}

// Properties of a section made of non-overlapping rectangular plates: the
// parallel-axis theorem about the centroid, elastic moduli to the extreme
// fibres, plastic moduli about the equal-area axes, and the thin-plate
// torsion constant J = Σ b·t³/3.
SectionProperties plateProperties(const Plate* plates, int count)
{
    SectionProperties s;
    double Sz = 0, Sy = 0;
    for (int i = 0; i < count; ++i) {
        const Plate& p = plates[i];
        const double a = (p.z1 - p.z0) * (p.y1 - p.y0);
        s.A += a;
        Sz += a * 0.5 * (p.z0 + p.z1);
        Sy += a * 0.5 * (p.y0 + p.y1);
    }
    if (!(s.A > 0))
        return SectionProperties();
    const double zc = Sz / s.A, yc = Sy / s.A;
    double yExtreme = 0, zExtreme = 0;
    Strip acrossDepth[3], acrossWidth[3];
    for (int i = 0; i < count; ++i) {
        const Plate& p = plates[i];
        const double b = p.z1 - p.z0, h = p.y1 - p.y0, a = b * h;
        const double dy = 0.5 * (p.y0 + p.y1) - yc, dz = 0.5 * (p.z0 + p.z1) - zc;
        s.Iy += b * h * h * h / 12 + a * dy * dy;
        s.Iz += h * b * b * b / 12 + a * dz * dz;
        const double t = std::min(b, h);
        s.J += std::max(b, h) * t * t * t / 3;
        yExtreme = std::max({yExtreme, std::fabs(p.y0 - yc), std::fabs(p.y1 - yc)});
        zExtreme = std::max({zExtreme, std::fabs(p.z0 - zc), std::fabs(p.z1 - zc)});
        acrossDepth[i] = Strip{p.y0, p.y1, b};
        acrossWidth[i] = Strip{p.z0, p.z1, h};
    }
    s.Wely = s.Iy / yExtreme;
    s.Welz = s.Iz / zExtreme;
    s.Wply = plasticModulus(acrossDepth, count);
    s.Wplz = plasticModulus(acrossWidth, count);
    return s;
}

// Solid rectangle, b wide and d deep. Torsion by the series approximation
// J = a·c³·[1/3 − 0.21·(c/a)·(1 − c⁴/12a⁴)] with a ≥ c.
SectionProperties rectangleProperties(double b, double d)
{
    SectionProperties s;
    s.A = b * d;
    s.Iy = b * d * d * d / 12;
    s.Iz = d * b * b * b / 12;
    s.Wely = b * d * d / 6;
    s.Welz = d * b * b / 6;
    s.Wply = b * d * d / 4;
    s.Wplz = d * b * b / 4;
    const double a = std::max(b, d), c = std::min(b, d);
    s.J = a * c * c * c * (1.0 / 3 - 0.21 * (c / a) * (1 - std::pow(c / a, 4) / 12));
    return s;
}

// Hollow rectangle: the outer rectangle less the inner one, side walls tw
// and top and bottom walls tf thick. Torsion by Bredt's formula
// J = 4·Am² / ∮ds/t on the wall's mid-line.
SectionProperties hollowRectangleProperties(double b, double d, double tw, double tf)
{
    const double bi = b - 2 * tw, di = d - 2 * tf;
    SectionProperties s;
    s.A = b * d - bi * di;
    s.Iy = (b * d * d * d - bi * di * di * di) / 12;
    s.Iz = (d * b * b * b - di * bi * bi * bi) / 12;
    s.Wely = 2 * s.Iy / d;
    s.Welz = 2 * s.Iz / b;
    s.Wply = (b * d * d - bi * di * di) / 4;
    s.Wplz = (d * b * b - di * bi * bi) / 4;
    const double Am = (b - tw) * (d - tf);
    const double pathOverT = 2 * (b - tw) / tf + 2 * (d - tf) / tw;
    s.J = 4 * Am * Am / pathOverT;
    return s;
}

// Solid ellipse of width b and depth d, semi-axes a and c:
// J = π·a³·c³ / (a² + c²).
SectionProperties ovalProperties(double b, double d)
{
    const double a = b / 2, c = d / 2;
    SectionProperties s;
    s.A = M_PI * b * d / 4;
    s.Iy = M_PI * b * d * d * d / 64;
    s.Iz = M_PI * d * b * b * b / 64;
    s.Wely = 2 * s.Iy / d;
    s.Welz = 2 * s.Iz / b;
    s.Wply = b * d * d / 6;
    s.Wplz = d * b * b / 6;
    s.J = M_PI * a * a * a * c * c * c / (a * a + c * c);
    return s;
}

// Elliptical tube with wall t: the outer ellipse less the inner one. A round
// tube has the exact J = π(D⁴ − d⁴)/32; otherwise Bredt's formula
// J = 4·Am²·t / p on the mid-line, whose perimeter p is Ramanujan's.
SectionProperties hollowOvalProperties(double b, double d, double t)
{
    const SectionProperties outer = ovalProperties(b, d);
    const SectionProperties inner = ovalProperties(b - 2 * t, d - 2 * t);
    SectionProperties s;
    s.A = outer.A - inner.A;
    s.Iy = outer.Iy - inner.Iy;
    s.Iz = outer.Iz - inner.Iz;
    s.Wely = 2 * s.Iy / d;
    s.Welz = 2 * s.Iz / b;
    s.Wply = outer.Wply - inner.Wply;
    s.Wplz = outer.Wplz - inner.Wplz;
    if (fuzzyEqual(b, d)) {
        const double di = d - 2 * t;
        s.J = M_PI * (d * d * d * d - di * di * di * di) / 32;
    } else {
        const double a = (b - t) / 2, c = (d - t) / 2;
        const double Am = M_PI * a * c;
        const double p = M_PI * (3 * (a + c) - std::sqrt((3 * a + c) * (a + 3 * c)));
        s.J = 4 * Am * Am * t / p;
    }
    return s;
}

double signedArea(const Loop& loop)
{
    double twice = 0;
    for (int i = 0, n = loop.size(); i < n; ++i) {
        const Point2& p = loop[i];
        const Point2& q = loop[(i + 1) % n];
        twice += p.z * q.y - q.z * p.y;
    }
    return 0.5 * twice;
}

double cross(const Point2& a, const Point2& b, const Point2& c)
{
    return (b.z - a.z) * (c.y - a.y) - (b.y - a.y) * (c.z - a.z);
}

// Drops repeated points and points on a straight run, which would give the
// sides zero-length faces and the caps zero-area triangles.
Loop simplified(const Loop& loop)
{
    Loop out = loop;
    bool removed = true;
    while (removed && out.size() > 3) {
        removed = false;
        for (int i = 0, n = out.size(); i < n; ++i) {
            const Point2& a = out[(i + n - 1) % n];
            const Point2& b = out[i];
            const Point2& c = out[(i + 1) % n];
            const double scale =
                std::fabs(c.z - a.z) + std::fabs(c.y - a.y) + std::fabs(b.z - a.z) + std::fabs(b.y - a.y);
            if (std::fabs(cross(a, b, c)) <= 1e-12 * scale * scale) {
                out.remove(i);
                removed = true;
                break;
            }
        }
    }
    return out;
}

bool insideTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c)
{
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

bool samePoint(const Point2& p, const Point2& q)
{
    return p.z == q.z && p.y == q.y;
}

// Ear clipping of a simple counter-clockwise loop; gives triangles as
// indices into the loop, counter-clockwise.
QVector<int> earClip(const Loop& loop)
{
    QVector<int> remaining(loop.size());
    for (int i = 0; i < loop.size(); ++i)
        remaining[i] = i;
    QVector<int> triangles;
    while (remaining.size() > 3) {
        const int n = remaining.size();
        int ear = -1;
        for (int i = 0; i < n && ear < 0; ++i) {
            const Point2& a = loop[remaining[(i + n - 1) % n]];
            const Point2& b = loop[remaining[i]];
            const Point2& c = loop[remaining[(i + 1) % n]];
            if (cross(a, b, c) <= 0)
                continue;
            bool blocked = false;
            for (int j = 0; j < n && !blocked; ++j) {
                const Point2& p = loop[remaining[j]];
                if (!samePoint(p, a) && !samePoint(p, b) && !samePoint(p, c))
                    blocked = insideTriangle(p, a, b, c);
            }
            if (!blocked)
                ear = i;
        }
        // Only a degenerate loop has no ear; dropping a vertex still ends the
        // loop without emitting a bad triangle.
        if (ear >= 0)
            triangles << remaining[(ear + n - 1) % n] << remaining[ear] << remaining[(ear + 1) % n];
        remaining.remove(std::max(ear, 0));
    }
    if (remaining.size() == 3 && cross(loop[remaining[0]], loop[remaining[1]], loop[remaining[2]]) > 0)
        triangles << remaining[0] << remaining[1] << remaining[2];
    return triangles;
}

// Across the width of a BiPlate or TriPlate, centred on its overall width:
// the web's centre line and the ends of the flanges, each flange's left end
// standing its offset to the left of the web. A BiPlate has no bottom flange.
struct OffsetPlates
{
    bool tri;
    double Tb, web, topLeft, bottomLeft, bottomRight;
};

OffsetPlates offsetPlates(const CrossSection& s)
{
    const bool tri = (s.shape() & CrossSection::KindMask) == CrossSection::TriPlate;
    const double Ot = s.topFlangeOffset(), Ob = tri ? s.bottomFlangeOffset() : 0.0;
    const double web = std::max(Ot, Ob) - s.overallWidth() / 2;
    return OffsetPlates{tri, tri ? s.bottomFlangeThickness() : 0.0, web, web - Ot, web - Ob,
                        web - Ob + (tri ? s.bottomFlangeWidth() : 0.0)};
}

} // namespace

CrossSection::CrossSection() = default;

CrossSection::CrossSection(const CrossSection& other)
    : shapeCode(other.shapeCode), nameList(other.nameList), rotated(other.rotated), valid(other.valid.load())
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
    valid = other.valid.load();
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
    bool ok = subOpDimensionsAreValid();
    for (PropertyIndex index : {Area, SecondMomentY, SecondMomentZ, TorsionConstant})
        ok = ok && property[index] > 0 && std::isfinite(property[index]);
    valid = ok;
    return ok;
}

unsigned CrossSection::dimensionsInUse(Shape shape)
{
    const unsigned depthAndWidth = 1u << OverallDepth | 1u << TopFlangeWidth;
    const unsigned plates = depthAndWidth | 1u << TopFlangeThickness | 1u << WebThickness;
    const bool hollow = shape & Hollow;
    switch (shape & KindMask) {
    case Angle:
    case Channel:
    case IBeam:
    case Tee:
    case Zed:
        return plates;
    case Oval:
        return hollow ? depthAndWidth | 1u << WebThickness : depthAndWidth;
    case Rectangle:
        return hollow ? plates : depthAndWidth;
    case BiPlate:
        return plates | 1u << TopFlangeOffset;
    case TriPlate:
        return (1u << DimensionCount) - 1;
    default:
        return 0;
    }
}

bool CrossSection::subOpDimensionsAreValid() const
{
    const unsigned used = dimensionsInUse(shapeCode);
    for (int i = 0; i < DimensionCount; ++i)
        if ((used & 1u << i) && !(dimension[i] >= minimumDimension && std::isfinite(dimension[i])))
            return false;

    const double D = overallDepth(), W = topFlangeWidth(), tw = webThickness(), T = topFlangeThickness();
    const double hw = tw / 2;
    const bool hollow = shapeCode & Hollow;
    switch (shapeCode & KindMask) {
    case Angle:
    case Tee:
        return tw < W && T < D;
    case Channel:
    case IBeam:
    case Zed:
        return tw < W && T < D / 2;
    case Oval:
        return !hollow || tw < std::min(W, D) / 2;
    case Rectangle:
        return !hollow || (tw < W / 2 && T < D / 2);
    case BiPlate:
        // The web stands under the flange.
        return tw < W && T < D && topFlangeOffset() >= hw && topFlangeOffset() + hw <= W;
    case TriPlate: {
        const double Ot = topFlangeOffset(), Ob = bottomFlangeOffset(), Wb = bottomFlangeWidth();
        return T + bottomFlangeThickness() < D && Ot <= W && Ob <= Wb && std::max(Ot, Ob) >= hw
               && std::max(W - Ot, Wb - Ob) >= hw;
    }
    default:
        return true;
    }
}

void CrossSection::clampGeometry()
{
    for (int i = 0; i < DimensionCount; ++i)
        if (!(dimension[i] >= 0))
            dimension[i] = 0;
    double& D = dimension[OverallDepth];
    double& W = dimension[TopFlangeWidth];
    double& tw = dimension[WebThickness];
    double& T = dimension[TopFlangeThickness];
    const bool hollow = shapeCode & Hollow;
    switch (shapeCode & KindMask) {
    case Angle:
    case Tee:
        tw = std::min(tw, W);
        T = std::min(T, D);
        break;
    case Channel:
    case IBeam:
    case Zed:
        tw = std::min(tw, W);
        T = std::min(T, D / 2);
        break;
    case Oval:
        if (hollow)
            tw = std::min(tw, std::min(W, D) / 2);
        break;
    case Rectangle:
        if (hollow) {
            tw = std::min(tw, W / 2);
            T = std::min(T, D / 2);
        }
        break;
    case BiPlate:
        tw = std::min(tw, W);
        T = std::min(T, D);
        dimension[TopFlangeOffset] = std::min(dimension[TopFlangeOffset], W);
        break;
    case TriPlate:
        T = std::min(T, D);
        dimension[BottomFlangeThickness] = std::min(dimension[BottomFlangeThickness], D - T);
        dimension[TopFlangeOffset] = std::min(dimension[TopFlangeOffset], W);
        dimension[BottomFlangeOffset] = std::min(dimension[BottomFlangeOffset], dimension[BottomFlangeWidth]);
        tw = std::min(tw, overallWidth());
        break;
    default:
        break;
    }
    valid = false;
    invalidateExtrusion();
}

void CrossSection::compute()
{
    const double D = overallDepth(), W = topFlangeWidth(), tw = webThickness(), T = topFlangeThickness();
    const double hw = tw / 2;
    const bool hollow = shapeCode & Hollow;
    Plate plates[3];
    int count = 0;
    SectionProperties s;
    // The plates stand where the outline of the drawing puts them: y up
    // along the depth, z across the width, both centred on the overall box.
    switch (shapeCode & KindMask) {
    case Angle:
        plates[count++] = Plate{-W / 2, W / 2, -D / 2, -D / 2 + T};
        plates[count++] = Plate{-W / 2, -W / 2 + tw, -D / 2 + T, D / 2};
        break;
    case Channel:
        plates[count++] = Plate{-W / 2, W / 2, -D / 2, -D / 2 + T};
        plates[count++] = Plate{-W / 2, -W / 2 + tw, -D / 2 + T, D / 2 - T};
        plates[count++] = Plate{-W / 2, W / 2, D / 2 - T, D / 2};
        break;
    case IBeam:
        plates[count++] = Plate{-W / 2, W / 2, -D / 2, -D / 2 + T};
        plates[count++] = Plate{-hw, hw, -D / 2 + T, D / 2 - T};
        plates[count++] = Plate{-W / 2, W / 2, D / 2 - T, D / 2};
        break;
    case Tee:
        plates[count++] = Plate{-hw, hw, -D / 2, D / 2 - T};
        plates[count++] = Plate{-W / 2, W / 2, D / 2 - T, D / 2};
        break;
    case Zed:
        plates[count++] = Plate{-hw, W / 2, -D / 2, -D / 2 + T};
        plates[count++] = Plate{-hw, hw, -D / 2 + T, D / 2 - T};
        plates[count++] = Plate{-W / 2, hw, D / 2 - T, D / 2};
        break;
    case BiPlate:
    case TriPlate: {
        const OffsetPlates p = offsetPlates(*this);
        plates[count++] = Plate{p.topLeft, p.topLeft + W, D / 2 - T, D / 2};
        plates[count++] = Plate{p.web - hw, p.web + hw, -D / 2 + p.Tb, D / 2 - T};
        if (p.tri)
            plates[count++] = Plate{p.bottomLeft, p.bottomRight, -D / 2, -D / 2 + p.Tb};
        break;
    }
    case Oval:
        s = hollow ? hollowOvalProperties(W, D, tw) : ovalProperties(W, D);
        break;
    case Rectangle:
        s = hollow ? hollowRectangleProperties(W, D, tw, T) : rectangleProperties(W, D);
        break;
    default:
        // A custom section has no outline: its stated properties stand.
        return;
    }
    if (count > 0)
        s = plateProperties(plates, count);
    const double values[PropertyCount] = {s.A, s.J, s.Iy, s.Wely, s.Wply, s.Iz, s.Welz, s.Wplz};
    for (int i = 0; i < PropertyCount; ++i)
        property[i] = std::isfinite(values[i]) ? values[i] : 0.0;
    determineValidity();
}

double CrossSection::overallWidth() const
{
    if ((shapeCode & KindMask) == TriPlate)
        return std::max(bottomFlangeOffset(), topFlangeOffset())
               + std::max(bottomFlangeWidth() - bottomFlangeOffset(), topFlangeWidth() - topFlangeOffset());
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
    const int kind = shape & KindMask;
    if (kind < Angle || kind > TriPlate)
        return QString();
    QString name = QLatin1String(kindNames[kind]);
    if (shape & Hollow)
        name += QLatin1String(hollowSuffix);
    return name;
}

CrossSection::Shape CrossSection::shapeFromName(const QString& name)
{
    QString kindName = name;
    Shape hollow = 0;
    if (kindName.endsWith(QLatin1String(hollowSuffix), Qt::CaseInsensitive)) {
        kindName.chop(int(qstrlen(hollowSuffix)));
        hollow = Hollow;
    }
    for (int kind = Angle; kind <= TriPlate; ++kind)
        if (kindName.compare(QLatin1String(kindNames[kind]), Qt::CaseInsensitive) == 0)
            return kind | hollow;
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
    ExtrusionMesh mesh;
    if (!subOpDimensionsAreValid())
        return mesh;

    // The outlines follow the section drawing, whose y points down; the mesh
    // has y up, so y is negated on the way in.
    const double D = overallDepth(), W = topFlangeWidth(), tw = webThickness(), T = topFlangeThickness();
    const double Wo = overallWidth();
    const double hw = tw / 2;
    const bool hollow = shapeCode & Hollow;
    QVector<Loop> loops;
    auto polygon = [&](std::initializer_list<Point2> points) {
        Loop loop;
        for (const Point2& p : points)
            loop.append(Point2{p.z / Wo, -p.y / D});
        loops.append(loop);
    };
    auto ellipse = [&](double b, double d) {
        Loop loop;
        for (int i = 0; i < ovalSegments; ++i) {
            const double angle = 2 * M_PI * i / ovalSegments;
            loop.append(Point2{0.5 * b / Wo * std::cos(angle), 0.5 * d / D * std::sin(angle)});
        }
        loops.append(loop);
    };
    switch (shapeCode & KindMask) {
    case Angle:
        polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {-W / 2 + tw, D / 2 - T},
                 {-W / 2 + tw, -D / 2}, {-W / 2, -D / 2}});
        break;
    case Channel:
        polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {-W / 2 + tw, D / 2 - T},
                 {-W / 2 + tw, -D / 2 + T}, {W / 2, -D / 2 + T}, {W / 2, -D / 2}, {-W / 2, -D / 2}});
        break;
    case IBeam:
        polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {hw, D / 2 - T}, {hw, -D / 2 + T},
                 {W / 2, -D / 2 + T}, {W / 2, -D / 2}, {-W / 2, -D / 2}, {-W / 2, -D / 2 + T},
                 {-hw, -D / 2 + T}, {-hw, D / 2 - T}, {-W / 2, D / 2 - T}});
        break;
    case Oval:
        ellipse(W, D);
        if (hollow)
            ellipse(W - 2 * tw, D - 2 * tw);
        break;
    case Rectangle:
        polygon({{-W / 2, D / 2}, {W / 2, D / 2}, {W / 2, -D / 2}, {-W / 2, -D / 2}});
        if (hollow)
            polygon({{-W / 2 + tw, D / 2 - T}, {W / 2 - tw, D / 2 - T}, {W / 2 - tw, -D / 2 + T},
                     {-W / 2 + tw, -D / 2 + T}});
        break;
    case Tee:
        polygon({{-hw, D / 2}, {hw, D / 2}, {hw, -D / 2 + T}, {W / 2, -D / 2 + T}, {W / 2, -D / 2},
                 {-W / 2, -D / 2}, {-W / 2, -D / 2 + T}, {-hw, -D / 2 + T}});
        break;
    case Zed:
        polygon({{-hw, D / 2}, {W / 2, D / 2}, {W / 2, D / 2 - T}, {hw, D / 2 - T}, {hw, -D / 2},
                 {-W / 2, -D / 2}, {-W / 2, -D / 2 + T}, {-hw, -D / 2 + T}});
        break;
    case BiPlate:
    case TriPlate: {
        const OffsetPlates p = offsetPlates(*this);
        const double xw = p.web, xL = p.topLeft, xBL = p.bottomLeft, xBR = p.bottomRight, Tb = p.Tb;
        if (p.tri)
            polygon({{xL, -D / 2}, {xL, -D / 2 + T}, {xw - hw, -D / 2 + T}, {xw - hw, D / 2 - Tb},
                     {xBL, D / 2 - Tb}, {xBL, D / 2}, {xBR, D / 2}, {xBR, D / 2 - Tb}, {xw + hw, D / 2 - Tb},
                     {xw + hw, -D / 2 + T}, {xL + W, -D / 2 + T}, {xL + W, -D / 2}});
        else
            polygon({{xL, -D / 2}, {xL, -D / 2 + T}, {xw - hw, -D / 2 + T}, {xw - hw, D / 2}, {xw + hw, D / 2},
                     {xw + hw, -D / 2 + T}, {xL + W, -D / 2 + T}, {xL + W, -D / 2}});
        break;
    }
    default:
        return mesh;
    }

    // Outer loop counter-clockwise and hole clockwise in (z, y), so that the
    // side normal (dy, −dz) of every edge points out of the material.
    for (int i = 0; i < loops.size(); ++i) {
        loops[i] = simplified(loops[i]);
        if ((signedArea(loops[i]) > 0) != (i == 0))
            std::reverse(loops[i].begin(), loops[i].end());
    }

    QVector<float>& vertices = mesh.arrays.vertices;
    QVector<float>& normals = mesh.arrays.normals;
    auto addVertex = [&](double x, const Point2& p, double nx, double ny, double nz) {
        vertices << float(x) << float(p.y) << float(p.z);
        normals << float(nx) << float(ny) << float(nz);
        return quint32(vertices.size() / 3 - 1);
    };

    for (const Loop& loop : loops) {
        for (int i = 0, n = loop.size(); i < n; ++i) {
            const Point2& p = loop[i];
            const Point2& q = loop[(i + 1) % n];
            const double dz = q.z - p.z, dy = q.y - p.y, length = std::hypot(dz, dy);
            const double ny = -dz / length, nz = dy / length;
            const quint32 v0 = addVertex(0, p, 0, ny, nz);
            const quint32 v1 = addVertex(0, q, 0, ny, nz);
            const quint32 v2 = addVertex(1, q, 0, ny, nz);
            const quint32 v3 = addVertex(1, p, 0, ny, nz);
            mesh.edgeIndices << v0 << v2 << v1 << v0 << v3 << v2;
        }
    }

    // Each cap gets its own vertices with its own normal. Seen from +x, z
    // runs to the left, so a loop counter-clockwise in (z, y) faces -x:
    // cap B (x = 0) keeps that order and cap A (x = 1) reverses it.
    QVector<int> capTriangles;
    if (loops.size() == 1) {
        capTriangles = earClip(loops[0]);
    } else {
        // A tube: outer and inner loops have matching points, so the wall
        // between them is a strip of quadrilaterals. The inner loop was
        // reversed above, so point i of the outer loop matches point
        // n − 1 − i of the inner one.
        const int n = loops[0].size();
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            const int innerI = n + (n - 1 - i), innerJ = n + (n - 1 - j);
            capTriangles << i << j << innerJ << i << innerJ << innerI;
        }
    }
    Loop all;
    for (const Loop& loop : loops)
        all += loop;
    for (int cap = 0; cap < 2; ++cap) {
        const double x = cap == 0 ? 1.0 : 0.0, nx = cap == 0 ? 1.0 : -1.0;
        const quint32 first = quint32(vertices.size() / 3);
        for (const Point2& p : all)
            addVertex(x, p, nx, 0, 0);
        QVector<quint32>& indices = cap == 0 ? mesh.faceAIndices : mesh.faceBIndices;
        for (int t = 0; t + 2 < capTriangles.size(); t += 3) {
            if (cap == 0)
                indices << first + capTriangles[t] << first + capTriangles[t + 2] << first + capTriangles[t + 1];
            else
                indices << first + capTriangles[t] << first + capTriangles[t + 1] << first + capTriangles[t + 2];
        }
    }
    return mesh;
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

void CrossSection::writeXML(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("CrossSection"));
    writer.writeTextElement(QStringLiteral("Shape"), QString::number(shapeCode));
    ModelXml::writeNames(writer, nameList);
    for (int i = 0; i < DimensionCount; ++i)
        ModelXml::writeNumber(writer, QLatin1String(dimensionElements[i]), dimension[i]);
    writer.writeTextElement(QStringLiteral("Rotated"), ModelXml::boolText(rotated));
    for (int i = 0; i < PropertyCount; ++i)
        ModelXml::writeNumber(writer, QLatin1String(propertyElements[i]), property[i]);
    writer.writeEndElement();
}

namespace {

std::vector<XmlForm::Field> crossSectionFields()
{
    using namespace XmlForm;
    std::vector<Field> fields = {child("Shape", Value::Whole, Always), child(ModelXml::namesForm, Always)};
    for (const char* name : dimensionElements)
        fields.push_back(child(name, Value::Number, Always));
    fields.push_back(child("Rotated", Value::Flag, Always));
    for (const char* name : propertyElements)
        fields.push_back(child(name, Value::Number, Always));
    return fields;
}

} // namespace

const XmlForm::Element CrossSection::xmlForm = XmlForm::element("CrossSection", crossSectionFields());

void CrossSection::readXML(QXmlStreamReader& reader)
{
    while (reader.readNextStartElement()) {
        bool known = false;
        for (int i = 0; i < DimensionCount && !known; ++i)
            if ((known = ModelXml::isElement(reader, dimensionElements[i])))
                dimension[i] = ModelXml::numberFrom(reader, reader.readElementText());
        for (int i = 0; i < PropertyCount && !known; ++i)
            if ((known = ModelXml::isElement(reader, propertyElements[i])))
                property[i] = ModelXml::numberFrom(reader, reader.readElementText());
        if (known)
            continue;
        if (ModelXml::isElement(reader, "Shape"))
            shapeCode = ModelXml::integerFrom(reader, reader.readElementText(), shapeCode);
        else if (ModelXml::isElement(reader, "Names"))
            nameList = ModelXml::readNames(reader);
        else if (ModelXml::isElement(reader, "Rotated"))
            rotated = ModelXml::boolFrom(reader, reader.readElementText(), rotated);
        else
            reader.skipCurrentElement();
    }
    valid = false;
    invalidateExtrusion();
}
