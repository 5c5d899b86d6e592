#include "GravityCase.h"

#include "ModelXml.h"
#include "Node.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

GravityCase::GravityCase(const QString& name)
    : LoadCase(name), axisValue(Vector3::vectorY, NodeRef(), true, false)
{
}

void GravityCase::setAcceleration(double acceleration)
{
    changeValue([&] { accelerationValue = acceleration; });
}

void GravityCase::setAxis(const Axis& axis)
{
    changeValue([&] { axisValue = axis; });
}

QList<VaroObjectRef> GravityCase::references() const
{
    return axisValue.references();
}

QString GravityCase::elementName() const
{
    return QString::fromLatin1(xmlForm.name);
}

const XmlForm::Element GravityCase::xmlForm =
    XmlForm::element("GravityCase",
                     {XmlForm::child("Acceleration", XmlForm::Value::Number, XmlForm::Always),
                      XmlForm::child(Axis::xmlForm, XmlForm::Always)},
                     &LoadCase::xmlForm)
        .costing(17, "load case", "load cases");

bool GravityCase::readChild(const QString& name, QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    if (name == QLatin1String("acceleration"))
        accelerationValue = ModelXml::numberFrom(reader, ModelXml::elementText(reader));
    else if (name == QLatin1String("axis"))
        axisValue.readXML(reader, [&](const QString& id) { return resolveReference<Node>(reader, idMap, id); });
    else
        return LoadCase::readChild(name, reader, idMap);
    return true;
}

void GravityCase::writeChildren(QXmlStreamWriter& writer) const
{
    LoadCase::writeChildren(writer);
    ModelXml::writeNumber(writer, QStringLiteral("Acceleration"), accelerationValue);
    axisValue.writeXML(writer);
}
