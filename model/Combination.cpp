#include "Combination.h"

#include "ModelXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

Combination::Combination(const QString& name) : SuperLoadCase(name) {}

Combination::Combination(const SuperLoadCase& other) : SuperLoadCase(other) {}

Combination::Combination(const Combination& other) : SuperLoadCase(other) {}

void Combination::setSecondOrder(bool value)
{
    changeValue([&] { secondOrder = value; });
}

QString Combination::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element Combination::xmlForm =
    XmlForm::element("Combination", {XmlForm::attribute("secondOrder", XmlForm::Value::Flag, XmlForm::Always)},
                     &SuperLoadCase::xmlForm)
        .costing(17, "load case", "load cases");

void Combination::readAttributes(QXmlStreamReader& reader)
{
    // Absent, the flag keeps its default; present, it must be one.
    const QStringRef text = reader.attributes().value(QStringLiteral("secondOrder"));
    if (!text.isNull())
        secondOrder = ModelXml::boolFrom(reader, text.toString(), secondOrder);
}

void Combination::writeAttributes(QXmlStreamWriter& writer) const
{
    writer.writeAttribute(QStringLiteral("secondOrder"), ModelXml::boolText(secondOrder));
}
