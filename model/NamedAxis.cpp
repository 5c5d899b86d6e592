#include "NamedAxis.h"

#include "ModelXml.h"
#include "Node.h"
#include "Axis.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

NamedAxis::NamedAxis(const Axis& axis, const QString& name) : axisValue(axis), nameText(name) {}

void NamedAxis::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("name"))
            nameText = ModelXml::elementText(reader);
        else if (name == QLatin1String("axis"))
            axisValue.readXML(reader, [&](const QString& id) { return resolveReference<Node>(reader, idMap, id); });
        else
            return false;
        return true;
    });
}

void NamedAxis::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(elementName());
    writer.writeAttribute(QStringLiteral("ref"), id);
    ModelXml::writeText(writer, QStringLiteral("Name"), nameText);
    axisValue.writeXML(writer);
    writer.writeEndElement();
}

const XmlForm::Element NamedAxis::xmlForm =
    XmlForm::element(nullptr, {ModelXml::text("Name", XmlForm::Always), XmlForm::child(Axis::xmlForm, XmlForm::Always)},
                     &VaroObject::xmlForm);

QList<VaroObjectRef> NamedAxis::references() const
{
    return axisValue.references();
}
