#include "Node.h"

#include "GeometryGroup.h"
#include "ModelXml.h"
#include "Support.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace {
const double tiny = std::ldexp(1.0, -128);
}

Node::Node() = default;

Node::Node(const Node& other)
    : VaroObject(), positionValue(other.positionValue), supportRef(other.supportRef), groupRef(other.groupRef)
{
    stamp();
}

void Node::setPosition(const Vector3& position)
{
    emit PositionWillChange();
    positionValue = position;
    stamp();
    emit PositionHasChanged();
}

void Node::setSupport(const SupportRef& support)
{
    if (support == supportRef)
        return;
    emit SupportWillChange();
    supportRef = support;
    stamp();
    emit SupportHasChanged();
}

void Node::setGeometryGroup(const GeometryGroupRef& group)
{
    groupRef = group;
    stamp();
}

void Node::rotateBy(double angle, const Ray3& axis)
{
    const double s = std::sin(angle);
    const double c = std::cos(angle);
    if (std::fabs(c - 1.0) < tiny && std::fabs(s) < tiny)
        return;
    const double length = axis.direction.length();
    if (!(length >= tiny))
        return;
    // Rodrigues' rotation of the position's offset r from its foot f on the axis.
    const Vector3 u = axis.direction / length;
    const Vector3 f = axis.origin + u * (positionValue - axis.origin).dot(u);
    const Vector3 r = positionValue - f;
    if (r.length() < tiny)
        return;
    setPosition(f + r * c + u.cross(r) * s);
}

bool Node::canBeConsolidatedWith(const Node& other, double distance) const
{
    if (groupRef != other.groupRef)
        return false;
    if (!((positionValue - other.positionValue).lengthSquared() < distance * distance))
        return false;
    const int mine = supportRef ? supportRef->dof().mask : 0;
    const int theirs = other.supportRef ? other.supportRef->dof().mask : 0;
    return mine == 0 || theirs == 0 || mine == theirs;
}

bool Node::lessThanByGroup(const NodeRef& a, const NodeRef& b)
{
    return GeometryGroup::lessThan(a->groupRef, b->groupRef);
}

void Node::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("position"))
            positionValue = ModelXml::vectorFrom(reader, ModelXml::elementText(reader));
        else if (name == QLatin1String("support"))
            supportRef = resolveReference<Support>(reader, idMap, ModelXml::elementText(reader).trimmed());
        else if (name == QLatin1String("group"))
            groupRef = resolveReference<GeometryGroup>(reader, idMap, ModelXml::elementText(reader).trimmed());
        else
            return false;
        return true;
    });
}

void Node::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(QStringLiteral("Node"));
    writer.writeAttribute(QStringLiteral("ref"), id);
    writer.writeTextElement(QStringLiteral("Position"), ModelXml::vectorText(positionValue));
    ModelXml::writeReference(writer, QStringLiteral("Support"), supportRef.data());
    ModelXml::writeReference(writer, QStringLiteral("Group"), groupRef.data());
    writer.writeEndElement();
}

const XmlForm::Element Node::xmlForm =
    XmlForm::element("Node",
                     {XmlForm::child("Position", XmlForm::Value::Vector, XmlForm::Always),
                      XmlForm::reference("Support", &Support::xmlForm),
                      XmlForm::reference("Group", &GeometryGroup::xmlForm)},
                     &VaroObject::xmlForm)
        .costing(10, "node", "nodes"); // 490 bytes with its position and support; time

QList<VaroObjectRef> Node::references() const
{
    QList<VaroObjectRef> list;
    if (supportRef)
        list.append(supportRef);
    if (groupRef)
        list.append(groupRef);
    return list;
}
