#include "VaroObject.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

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
    publishCache(true);
}

void VaroObject::invalidateCache()
{
    publishCache(false);
}

bool VaroObject::bringCacheUpToDate()
{
    if (!isCacheValid())
        updateCache();
    return isCacheValid();
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
    // Each object waits on a stack of its own until what it refers to is
    // written, so that a chain of references a million long costs memory,
    // not call depth. An id joins the set as its object is met, which for
    // objects that refer back to one another ends the walk as well.
    struct Waiting
    {
        const VaroObject* object;
        QString id;
        QList<VaroObjectRef> references;
        int next;
    };
    QString id = xmlId();
    if (written->contains(id))
        return;
    written->insert(id);
    std::vector<Waiting> stack;
    stack.push_back({this, std::move(id), references(), 0});
    while (!stack.empty()) {
        Waiting& top = stack.back();
        if (top.next == top.references.size()) {
            top.object->writeXML(writer, top.id);
            stack.pop_back();
            continue;
        }
        const VaroObjectRef object = top.references.at(top.next++);
        if (!object)
            continue;
        QString referenceId = object->xmlId();
        if (written->contains(referenceId))
            continue;
        written->insert(referenceId);
        stack.push_back({object.data(), std::move(referenceId), object->references(), 0});
    }
}

void VaroObject::raiseUnknownReference(QXmlStreamReader& reader, const QString& id)
{
    if (!reader.hasError())
        reader.raiseError(QStringLiteral("Reference to an unknown object \"%1\"").arg(id));
}
