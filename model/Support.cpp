#include "Support.h"

#include "ModelXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

Support::Support() = default;

Support::Support(const QString& name, const Dof& dof) : nameText(name), dofValue(dof) {}

bool Support::isDofEqualTo(const SupportRef& support, const Dof& dof)
{
    return (support ? support->dofValue.mask : 0) == dof.mask;
}

void Support::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>*)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("name"))
            nameText = ModelXml::elementText(reader);
        else if (name == QLatin1String("dof"))
            dofValue = ModelXml::integerFrom(reader, ModelXml::elementText(reader), dofValue) & Dof::All;
        else
            return false;
        return true;
    });
}

void Support::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(QStringLiteral("Support"));
    writer.writeAttribute(QStringLiteral("ref"), id);
    ModelXml::writeText(writer, QStringLiteral("Name"), nameText);
    writer.writeTextElement(QStringLiteral("Dof"), QString::number(dofValue.mask));
    writer.writeEndElement();
}

const XmlForm::Element Support::xmlForm =
    XmlForm::element("Support",
                     {ModelXml::text("Name", XmlForm::Always),
                      XmlForm::child("Dof", XmlForm::Value::Whole, XmlForm::Always)},
                     &VaroObject::xmlForm)
        .costing(10, "support", "supports"); // 460 bytes with name and freedoms; time
