#include "LoadCase.h"

#include "ModelXml.h"
#include "VisualConstants.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

LoadCase::LoadCase(const QString& name) : NamedObject(name), colourValue(Colours::loadLinear) {}

LoadCase::LoadCase(const LoadCase& other) : NamedObject(other.nameText), colourValue(other.colourValue)
{
    setTimeStamp(other.timeStamp());
}

void LoadCase::setColour(const QColor& colour)
{
    colourValue = colour;
}

void LoadCase::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    readAttributes(reader);
    ModelXml::readChildren(reader, [&](const QString& name) { return readChild(name, reader, idMap); });
}

void LoadCase::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(elementName());
    writer.writeAttribute(QStringLiteral("ref"), id);
    writeAttributes(writer);
    writeChildren(writer);
    writer.writeEndElement();
}

void LoadCase::readAttributes(QXmlStreamReader&) {}

bool LoadCase::readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>*)
{
    if (name == QLatin1String("name"))
        nameText = ModelXml::elementText(reader);
    else if (name == QLatin1String("colour"))
        colourValue = ModelXml::colourFrom(reader, ModelXml::elementText(reader), colourValue);
    else
        return false;
    return true;
}

void LoadCase::writeAttributes(QXmlStreamWriter&) const {}

void LoadCase::writeChildren(QXmlStreamWriter& writer) const
{
    ModelXml::writeText(writer, QStringLiteral("Name"), nameText);
    writer.writeTextElement(QStringLiteral("Colour"), ModelXml::colourText(colourValue));
}

const XmlForm::Element LoadCase::xmlForm =
    XmlForm::element(nullptr,
                     {ModelXml::text("Name", XmlForm::Always),
                      XmlForm::child("Colour", XmlForm::Value::Colour, XmlForm::Always)},
                     &VaroObject::xmlForm);
