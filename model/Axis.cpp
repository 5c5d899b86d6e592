#include "Axis.h"

#include "ModelXml.h"
#include "Node.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace {
const double tinySquared = std::ldexp(1.0, -128);
const double unitTolerance = std::ldexp(1.0, -20);
}

Axis::Axis() = default;

Axis::Axis(const Vector3& vector, const NodeRef& node, bool global, bool orthogonal)
    : vectorValue(vector), nodeRef(node), global(global), orthogonal(orthogonal)
{
}

bool Axis::operator==(const Axis& other) const
{
    if (global != other.global || orthogonal != other.orthogonal)
        return false;
    if (!nodeRef && !other.nodeRef)
        return vectorValue == other.vectorValue;
    return nodeRef == other.nodeRef;
}

bool Axis::hasUnitVector() const
{
    const double s = vectorValue.lengthSquared();
    return std::fabs(s - 1.0) <= unitTolerance * std::max(1.0, s);
}

bool Axis::globalDirectionForMember(const Vector3& midpoint, const Matrix3x3& axes, Vector3* direction) const
{
    if (nodeRef) {
        const Vector3 towards = nodeRef->position() - midpoint;
        if (!(towards.lengthSquared() >= tinySquared))
            return false;
        *direction = towards.normalised();
        return true;
    }
    *direction = global ? vectorValue : localToGlobal(axes, vectorValue);
    return true;
}

QList<VaroObjectRef> Axis::references() const
{
    QList<VaroObjectRef> list;
    if (nodeRef)
        list.append(nodeRef);
    return list;
}

void Axis::writeXML(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("Axis"));
    writer.writeTextElement(QStringLiteral("Vector"), ModelXml::vectorText(vectorValue));
    ModelXml::writeReference(writer, QStringLiteral("Node"), nodeRef.data());
    writer.writeTextElement(QStringLiteral("Global"), ModelXml::boolText(global));
    writer.writeTextElement(QStringLiteral("Orthogonal"), ModelXml::boolText(orthogonal));
    writer.writeEndElement();
}

const XmlForm::Element Axis::xmlForm =
    XmlForm::element("Axis", {XmlForm::child("Vector", XmlForm::Value::Vector, XmlForm::Always),
                              XmlForm::reference("Node", &Node::xmlForm),
                              XmlForm::child("Global", XmlForm::Value::Flag, XmlForm::Always),
                              XmlForm::child("Orthogonal", XmlForm::Value::Flag, XmlForm::Always)});

void Axis::readXML(QXmlStreamReader& reader, const std::function<NodeRef(const QString& id)>& resolveNode)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("vector"))
            vectorValue = ModelXml::vectorFrom(reader, ModelXml::elementText(reader));
        else if (name == QLatin1String("node"))
            nodeRef = resolveNode(ModelXml::elementText(reader).trimmed());
        else if (name == QLatin1String("global"))
            global = ModelXml::boolFrom(reader, ModelXml::elementText(reader), global);
        else if (name == QLatin1String("orthogonal"))
            orthogonal = ModelXml::boolFrom(reader, ModelXml::elementText(reader), orthogonal);
        else
            return false;
        return true;
    });
}
