#include "Member.h"

#include "CrossSection.h"
#include "GeometryGroup.h"
#include "Material.h"
#include "MemberAxis.h"
#include "ModelXml.h"
#include "Node.h"
#include "SectionType.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace {
const double tinySquared = std::ldexp(1.0, -128);
const double alongLimit = 1.0 - std::ldexp(1.0, -16);

void setRow(Matrix3x3* m, int r, const Vector3& v)
{
    for (int c = 0; c < 3; ++c)
        (*m)[r][c] = v[c];
}
}

Member::Member() = default;

Member::Member(const NodeRef& a, const NodeRef& b) : nodeARef(a), nodeBRef(b)
{
    watchGeometry();
}

Member::Member(const Member& other)
    : VaroObject(),
      nodeARef(other.nodeARef),
      nodeBRef(other.nodeBRef),
      axisRef(other.axisRef),
      sectionTypeRef(other.sectionTypeRef),
      groupRef(other.groupRef),
      pinA(other.pinA),
      pinB(other.pinB)
{
    watchGeometry();
    stamp();
}

Member::~Member() = default;

void Member::setNodeA(const NodeRef& node)
{
    nodeARef = node;
    changeOrientation();
}

void Member::setNodeB(const NodeRef& node)
{
    nodeBRef = node;
    changeOrientation();
}

void Member::clearNodes()
{
    nodeARef.clear();
    nodeBRef.clear();
    changeOrientation();
}

void Member::swapEnds()
{
    std::swap(nodeARef, nodeBRef);
    changeOrientation();
}

void Member::setAxis(const MemberAxisRef& axis)
{
    axisRef = axis;
    changeOrientation();
}

void Member::changeOrientation()
{
    watchGeometry();
    invalidateCache();
    stamp();
    emit OrientationHasChanged();
}

void Member::setSectionType(const SectionTypeRef& sectionType)
{
    sectionTypeRef = sectionType;
    invalidateCache();
    stamp();
}

void Member::setGeometryGroup(const GeometryGroupRef& group)
{
    groupRef = group;
    stamp();
}

void Member::setPinAtA(bool pinned)
{
    pinA = pinned;
    stamp();
}

void Member::setPinAtB(bool pinned)
{
    pinB = pinned;
    stamp();
}

QPair<Dof, Dof> Member::endConditions() const
{
    return qMakePair(Dof(pinA ? Dof::Pinned : Dof::All), Dof(pinB ? Dof::Pinned : Dof::All));
}

void Member::setEndConditions(const QPair<Dof, Dof>& conditions)
{
    pinA = conditions.first.mask == Dof::Pinned;
    pinB = conditions.second.mask == Dof::Pinned;
    stamp();
}

void Member::watchGeometry()
{
    for (const QMetaObject::Connection& connection : qAsConst(watches))
        disconnect(connection);
    watches.clear();

    QSet<Node*> nodes;
    nodes << nodeARef.data() << nodeBRef.data();
    if (axisRef) {
        nodes << axisRef->axis().node().data();
        watches << connect(axisRef.data(), &MemberAxis::AxisHasChanged, this, [this] {
            watchGeometry();
            geometryChanged();
        });
    }
    nodes.remove(nullptr);
    for (Node* node : qAsConst(nodes))
        watches << connect(node, &Node::PositionHasChanged, this, &Member::geometryChanged);
}

void Member::geometryChanged()
{
    invalidateCache();
    emit OrientationHasChanged();
}

void Member::updateCache()
{
    QMutexLocker lock(&cacheMutex);
    subOpUpdateCache();
}

void Member::invalidateCache()
{
    QMutexLocker lock(&cacheMutex);
    publishCache(false);
}

void Member::subOpUpdateCache()
{
    // Worked out aside and published in one step: a valid cache worked out
    // again stays valid throughout for the readers without the lock.
    double L = 0.0;
    Matrix3x3 local = Matrix3x3::zeroed();
    bool valid = false;
    if (nodeARef && nodeBRef) {
        const Vector3 d = nodeBRef->position() - nodeARef->position();
        L = d.length();
        if (L > shortestLength)
            valid = computeTransformGivenLongitudinalVector(d / L, &local);
    }
    lengthValue = L;
    axes = local;
    publishCache(valid);
}

template <class F>
auto Member::readCache(F read) const
{
    QMutexLocker lock(&cacheMutex);
    if (!isCacheValid())
        const_cast<Member*>(this)->subOpUpdateCache();
    return read();
}

double Member::length() const
{
    return readCache([this] { return lengthValue; });
}

Vector3 Member::vectorX() const
{
    return readCache([this] { return rowOf(axes, 0); });
}

Vector3 Member::vectorY() const
{
    return readCache([this] { return rowOf(axes, 1); });
}

Matrix3x3 Member::transformationMatrix() const
{
    return readCache([this] { return axes; });
}

double Member::mass() const
{
    if (!sectionTypeRef)
        return 0.0;
    const CrossSectionRef section = sectionTypeRef->crossSection();
    const MaterialRef material = sectionTypeRef->material();
    if (!section || !material || !section->isValid() || !material->isValid())
        return 0.0;
    return material->density() * section->area() * length();
}

bool Member::computeTransformGivenLongitudinalVector(const Vector3& longitudinal, Matrix3x3* out) const
{
    if (!(longitudinal.lengthSquared() >= tinySquared))
        return false;
    const Vector3 x = longitudinal.normalised();

    // The reference vector v: without a member axis, global Y (global X for
    // a member along Y); towards a node, from end A to the node; otherwise
    // the axis vector. An orthogonal axis gives the normal of the plane
    // that holds y, so it orients z instead of y.
    Vector3 v = Vector3::vectorY;
    bool orthogonal = false;
    if (axisRef) {
        const Axis& axis = axisRef->axis();
        v = axis.node() ? axis.node()->position() - positionOf(nodeARef) : axis.vector();
        orthogonal = axis.isOrthogonal();
    } else if (x.cross(v).lengthSquared() < tinySquared) {
        v = Vector3::vectorX;
    }
    if (!(v.lengthSquared() >= tinySquared))
        return false;
    v = v.normalised();
    if (!(x.cross(v).lengthSquared() >= tinySquared))
        return false;

    // v made perpendicular to x (Gram-Schmidt).
    const Vector3 across = (v - x * v.dot(x)).normalised();
    const Vector3 y = orthogonal ? across.cross(x) : across;
    const Vector3 z = x.cross(y);
    setRow(out, 0, x);
    setRow(out, 1, y);
    setRow(out, 2, z);
    return true;
}

Matrix3x3 Member::rotatedTransformationMatrix(const Vector3& d) const
{
    const Matrix3x3 local = readCache([this] { return isCacheValid() ? axes : Matrix3x3::identity(); });
    const Vector3 x = rowOf(local, 0);
    const Vector3 reference = std::fabs(x.dot(d)) >= alongLimit ? rowOf(local, 1) : x;
    Matrix3x3 rotated = local;
    const Vector3 r1 = d.cross(reference);
    if (r1.lengthSquared() >= tinySquared) {
        setRow(&rotated, 1, r1.normalised());
        setRow(&rotated, 0, rowOf(rotated, 1).cross(d));
    }
    setRow(&rotated, 2, d);
    return rotated;
}

double Member::distanceToPosition(const Vector3& point) const
{
    const Vector3 a = positionOf(nodeARef);
    const Vector3 ab = positionOf(nodeBRef) - a;
    const double span = ab.lengthSquared();
    double t = 0.0;
    if (span > 0.0)
        t = std::min(1.0, std::max(0.0, (point - a).dot(ab) / span));
    return (point - (a + ab * t)).length();
}

void Member::importFrom(const Member& other)
{
    nodeARef = other.nodeARef;
    nodeBRef = other.nodeBRef;
    axisRef = other.axisRef;
    groupRef = other.groupRef;
    sectionTypeRef = other.sectionTypeRef;
    pinA = other.pinA;
    pinB = other.pinB;
    // The loads on this member must follow whatever geometry came back.
    changeOrientation();
}

QSet<NodeRef> Member::referencedNodes() const
{
    QSet<NodeRef> nodes;
    if (nodeARef)
        nodes.insert(nodeARef);
    if (nodeBRef)
        nodes.insert(nodeBRef);
    return nodes;
}

bool Member::canBeConsolidatedWith(const Member& other) const
{
    const bool sameWay = nodeARef == other.nodeARef && nodeBRef == other.nodeBRef && groupRef == other.groupRef;
    const bool reversed = nodeARef == other.nodeBRef && nodeBRef == other.nodeARef;
    if (!sameWay && !reversed)
        return false;
    if (axisRef && other.axisRef && axisRef->axis() != other.axisRef->axis())
        return false;
    if (sectionTypeRef && other.sectionTypeRef
        && (sectionTypeRef->crossSection() != other.sectionTypeRef->crossSection()
            || sectionTypeRef->material() != other.sectionTypeRef->material()))
        return false;
    return true;
}

bool Member::lessThanByGroup(const MemberRef& a, const MemberRef& b)
{
    return GeometryGroup::lessThan(a->groupRef, b->groupRef);
}

void Member::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("nodea"))
            nodeARef = resolveReference<Node>(reader, idMap, ModelXml::elementText(reader).trimmed());
        else if (name == QLatin1String("nodeb"))
            nodeBRef = resolveReference<Node>(reader, idMap, ModelXml::elementText(reader).trimmed());
        else if (name == QLatin1String("axis"))
            axisRef = resolveReference<MemberAxis>(reader, idMap, ModelXml::elementText(reader).trimmed());
        else if (name == QLatin1String("sectiontype"))
            sectionTypeRef = resolveReference<SectionType>(reader, idMap, ModelXml::elementText(reader).trimmed());
        else if (name == QLatin1String("group"))
            groupRef = resolveReference<GeometryGroup>(reader, idMap, ModelXml::elementText(reader).trimmed());
        else if (name == QLatin1String("pina"))
            pinA = ModelXml::boolFrom(reader, ModelXml::elementText(reader), pinA);
        else if (name == QLatin1String("pinb"))
            pinB = ModelXml::boolFrom(reader, ModelXml::elementText(reader), pinB);
        else
            return false;
        return true;
    });
    watchGeometry();
    invalidateCache();
}

void Member::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(QStringLiteral("Member"));
    writer.writeAttribute(QStringLiteral("ref"), id);
    ModelXml::writeReference(writer, QStringLiteral("NodeA"), nodeARef.data());
    ModelXml::writeReference(writer, QStringLiteral("NodeB"), nodeBRef.data());
    ModelXml::writeReference(writer, QStringLiteral("Axis"), axisRef.data());
    ModelXml::writeReference(writer, QStringLiteral("SectionType"), sectionTypeRef.data());
    ModelXml::writeReference(writer, QStringLiteral("Group"), groupRef.data());
    writer.writeTextElement(QStringLiteral("PinA"), ModelXml::boolText(pinA));
    writer.writeTextElement(QStringLiteral("PinB"), ModelXml::boolText(pinB));
    writer.writeEndElement();
}

const XmlForm::Element Member::xmlForm =
    XmlForm::element("Member",
                     {XmlForm::reference("NodeA", &Node::xmlForm, XmlForm::Always),
                      XmlForm::reference("NodeB", &Node::xmlForm, XmlForm::Always),
                      XmlForm::reference("Axis", &MemberAxis::xmlForm),
                      XmlForm::reference("SectionType", &SectionType::xmlForm),
                      XmlForm::reference("Group", &GeometryGroup::xmlForm),
                      XmlForm::child("PinA", XmlForm::Value::Flag, XmlForm::Always),
                      XmlForm::child("PinB", XmlForm::Value::Flag, XmlForm::Always)},
                     &VaroObject::xmlForm)
        .costing(18, "member", "members"); // 1110 bytes with its five children

QList<VaroObjectRef> Member::references() const
{
    QList<VaroObjectRef> list;
    for (const VaroObjectRef& object : {VaroObjectRef(nodeARef), VaroObjectRef(nodeBRef), VaroObjectRef(axisRef),
                                        VaroObjectRef(sectionTypeRef), VaroObjectRef(groupRef)})
        if (object && !list.contains(object))
            list.append(object);
    return list;
}
