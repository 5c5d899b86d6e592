#include "SwayCase.h"

#include "ModelXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

SwayCase::SwayCase(const QString& name) : SuperLoadCase(name) {}

SwayCase::SwayCase(const SwayCase& other) : SuperLoadCase(other), take(other.take), apply(other.apply) {}

void SwayCase::setTakeComponent(LoadComponent component)
{
    changeValue([&] { take = component; });
}

void SwayCase::setApplyComponent(LoadComponent component)
{
    changeValue([&] { apply = component; });
}

Vector3 SwayCase::vectorOf(LoadComponent component)
{
    switch (component) {
    case X:
        return Vector3::vectorX;
    case Y:
        return Vector3::vectorY;
    default:
        return Vector3::vectorZ;
    }
}

QString SwayCase::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element SwayCase::xmlForm =
    XmlForm::element("SwayCase",
                     {XmlForm::child("Take", XmlForm::Value::Whole, XmlForm::Always),
                      XmlForm::child("Apply", XmlForm::Value::Whole, XmlForm::Always)},
                     &SuperLoadCase::xmlForm)
        .costing(17, "load case", "load cases");

bool SwayCase::readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    if (name == QLatin1String("take"))
        take = LoadComponent(ModelXml::integerFrom(reader, ModelXml::elementText(reader), take));
    else if (name == QLatin1String("apply"))
        apply = LoadComponent(ModelXml::integerFrom(reader, ModelXml::elementText(reader), apply));
    else
        return SuperLoadCase::readChild(name, reader, idMap);
    return true;
}

void SwayCase::writeChildren(QXmlStreamWriter& writer) const
{
    SuperLoadCase::writeChildren(writer);
    writer.writeTextElement(QStringLiteral("Take"), QString::number(int(take)));
    writer.writeTextElement(QStringLiteral("Apply"), QString::number(int(apply)));
}
