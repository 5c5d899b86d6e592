#include "VaroObject.h"

#include <QCoreApplication>
#include <QThread>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

QAtomicInteger<quint32> VaroObject::_globalTimeStamp(1);

VaroObject::VaroObject(QObject* parent) : QObject(parent), stampValue(currentTimeStamp()) {}

namespace {

std::atomic<VaroObject::HandBack> handBack{nullptr};
thread_local VaroObject::Collecting* collecting = nullptr;

// An object of the GUI thread: one of a document's.
bool livesInGuiThread(const QObject* object)
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && object->thread() == application->thread();
}

} // namespace

VaroObject::~VaroObject()
{
#ifdef VARO_CHECK_OBJECT_THREADS
    // Another thread may be using it through its connections meanwhile.
    if (livesInGuiThread(this) && QThread::currentThread() != thread())
        qFatal("A model object of the GUI thread was destroyed in another thread");
#endif
}

void VaroObject::setHandBack(HandBack taker)
{
    handBack = taker;
}

void VaroObject::letGo(VaroObject* object)
{
    if (collecting) {
        collecting->into->push_back(object);
        return;
    }
    if (!livesInGuiThread(object) || QThread::currentThread() == object->thread()) {
        delete object;
        return;
    }
    if (const HandBack taker = handBack)
        taker(object);
    else
        object->deleteLater();
}

VaroObject::Collecting::Collecting(std::vector<VaroObject*>* into) : into(into), outer(collecting)
{
    collecting = this;
}

VaroObject::Collecting::~Collecting()
{
    collecting = outer;
}

bool VaroObject::destroySome(std::vector<VaroObject*>* objects, int* budget)
{
    for (; !objects->empty() && *budget > 0; --*budget) {
        VaroObject* const object = objects->back();
        objects->pop_back();
        delete object;
    }
    return objects->empty();
}

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
