#include "VaroObject.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

QAtomicInteger<quint32> VaroObject::_globalTimeStamp(1);

VaroObject::VaroObject(QObject* parent) : QObject(parent), stampValue(currentTimeStamp()) {}

VaroObject::~VaroObject() = default;

quint32 VaroObject::newTimeStamp()
{
    return _globalTimeStamp.fetchAndAddOrdered(1);
}

quint32 VaroObject::currentTimeStamp()
{
    return _globalTimeStamp.loadAcquire();
}

void VaroObject::updateCache()
{
    cacheValid = true;
}

void VaroObject::invalidateCache()
{
    cacheValid = false;
}

void VaroObject::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>*)
{
    reader.skipCurrentElement();
}

void VaroObject::writeXML(QXmlStreamWriter&, const QString&) const {}

QList<VaroObjectRef> VaroObject::references() const
{
    return QList<VaroObjectRef>();
}

QString VaroObject::xmlIdOf(const VaroObject* object)
{
    return QString::number(quintptr(object));
}

QString VaroObject::xmlId() const
{
    return xmlIdOf(this);
}

const XmlForm::Element VaroObject::xmlForm =
    XmlForm::element(nullptr, {XmlForm::attribute("ref", XmlForm::Value::Reference, XmlForm::Always)});

void VaroObject::writeRecursiveXML(QXmlStreamWriter& writer, QSet<QString>* written) const
{
    const QString id = xmlId();
    if (written->contains(id))
        return;
    for (const VaroObjectRef& object : references())
        if (object)
            object->writeRecursiveXML(writer, written);
    writeXML(writer, id);
    written->insert(id);
}

void VaroObject::raiseUnknownReference(QXmlStreamReader& reader, const QString& id)
{
    if (!reader.hasError())
        reader.raiseError(QStringLiteral("Reference to an unknown object \"%1\"").arg(id));
}
