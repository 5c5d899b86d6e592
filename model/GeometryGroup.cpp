#include "GeometryGroup.h"

#include "ModelXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

GeometryGroup::GeometryGroup(const QString& name) : Group(name), colourValue(QStringLiteral("steelblue")) {}

GeometryGroup::GeometryGroup(const GeometryGroup& other)
    : Group(other.nameText), colourValue(other.colourValue), purposeFlags(other.purposeFlags)
{
    setTimeStamp(other.timeStamp());
}

void GeometryGroup::setAnalysisPurpose(bool analysis)
{
    changeValue([&] {
        if (analysis)
            purposeFlags |= AnalysisPurpose;
        else
            purposeFlags &= ~int(AnalysisPurpose);
    });
}

void GeometryGroup::setColour(const QColor& colour)
{
    emit ValueWillChange();
    colourValue = colour;
    emit ValueHasChanged();
}

bool GeometryGroup::isAnalysed(const GeometryGroupRef& group)
{
    return !group || group->hasAnalysisPurpose();
}

bool GeometryGroup::lessThan(const GeometryGroupRef& a, const GeometryGroupRef& b)
{
    if (!b || a == b)
        return false;
    if (!a)
        return true;
    const QRgb ca = a->colourValue.rgba();
    const QRgb cb = b->colourValue.rgba();
    if (ca != cb)
        return ca > cb;
    return a < b;
}

void GeometryGroup::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>*)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("name"))
            nameText = ModelXml::elementText(reader);
        else if (name == QLatin1String("colour"))
            colourValue = ModelXml::colourFrom(reader, ModelXml::elementText(reader), colourValue);
        else if (name == QLatin1String("purpose"))
            purposeFlags = ModelXml::integerFrom(reader, ModelXml::elementText(reader), purposeFlags);
        else
            return false;
        return true;
    });
}

void GeometryGroup::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(QStringLiteral("GeometryGroup"));
    writer.writeAttribute(QStringLiteral("ref"), id);
    ModelXml::writeText(writer, QStringLiteral("Name"), nameText);
    writer.writeTextElement(QStringLiteral("Colour"), ModelXml::colourText(colourValue));
    writer.writeTextElement(QStringLiteral("Purpose"), QString::number(purposeFlags));
    writer.writeEndElement();
}

// 850 bytes, which its name and colour bring to 23 units; read, 1.75 million
// take about as long as a budget of nodes.
const XmlForm::Element GeometryGroup::xmlForm =
    XmlForm::element("GeometryGroup",
                     {ModelXml::text("Name", XmlForm::Always),
                      XmlForm::child("Colour", XmlForm::Value::Colour, XmlForm::Always),
                      XmlForm::child("Purpose", XmlForm::Value::Whole, XmlForm::Always)},
                     &VaroObject::xmlForm)
        .costing(17, "geometry group", "geometry groups");
