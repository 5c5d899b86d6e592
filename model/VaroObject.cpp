#include "VaroObject.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThread>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#ifdef VARO_CHECK_OBJECT_THREADS
#include <QtCore/private/qobject_p.h>
#endif

#include <algorithm>
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

// The threads that keep what they make, each with what others handed back.
struct Keepers
{
    QMutex mutex;
    std::vector<VaroObject::Keeping*> open;
};

Keepers& keepers()
{
    // Never destroyed: a thread may let go of an object after static destruction began.
    static Keepers* const instance = new Keepers;
    return *instance;
}

#ifdef VARO_CHECK_OBJECT_THREADS
// Calls f with every object at the other end of one of the object's
// connections, either way. Read without Qt's locks: the caller's thread is
// the only one that can change them then.
template <class F>
void forEachConnected(QObject* object, F f)
{
    typedef QObjectPrivate::Connection Connection;
    const QObjectPrivate::ConnectionData* data = QObjectPrivate::get(object)->connections.loadAcquire();
    if (!data)
        return;
    for (const Connection* c = data->senders; c; c = c->next)
        if (c->receiver.loadRelaxed())
            f(c->sender);
    if (const QObjectPrivate::SignalVector* vector = data->signalVector.loadAcquire())
        for (int i = -1; i < vector->count(); ++i)
            for (const Connection* c = vector->at(i).first.loadRelaxed(); c; c = c->nextConnectionList.loadRelaxed())
                if (QObject* receiver = c->receiver.loadRelaxed())
                    f(receiver);
}
#endif

} // namespace

VaroObject::~VaroObject()
{
#ifdef VARO_CHECK_OBJECT_THREADS
    // Its own thread may be using it meanwhile, or post events to it through
    // a connection; once that thread has ended, only a connection could.
    if (QThread::currentThread() != thread()) {
        if (livesInGuiThread(this) || Keeping::isKeeping(thread()))
            qFatal("A model object was destroyed in another thread while its own thread runs");
        bool connected = false;
        forEachConnected(this, [&connected](QObject*) { connected = true; });
        if (connected)
            qFatal("A model object was destroyed in another thread with something still connected to it");
    }
#endif
}

void VaroObject::checkMadeConnectedWithinItsThread(VaroObject* object)
{
#ifdef VARO_CHECK_OBJECT_THREADS
    forEachConnected(object, [object](QObject* other) {
        if (other->thread() != object->thread())
            qFatal("A model object was made connected to an object of another thread");
    });
#else
    Q_UNUSED(object)
#endif
}

void VaroObject::setHandBack(HandBack taker)
{
    handBack = taker;
}

void VaroObject::letGo(VaroObject* object)
{
    QThread* const current = QThread::currentThread();
    if (object->thread() != current && !livesInGuiThread(object)) {
        Keepers& k = keepers();
        QMutexLocker locker(&k.mutex);
        for (Keeping* keeping : k.open)
            if (keeping->thread == object->thread()) {
                keeping->handedBack.push_back(object);
                return;
            }
    }
    if (collecting) {
        collecting->into->push_back(object);
        return;
    }
    if (!livesInGuiThread(object) || current == object->thread()) {
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

VaroObject::Keeping::Keeping() : thread(QThread::currentThread())
{
    Keepers& k = keepers();
    QMutexLocker locker(&k.mutex);
    k.open.push_back(this);
}

VaroObject::Keeping::~Keeping()
{
    close([] { return false; });
}

bool VaroObject::Keeping::destroySome(int* budget)
{
    std::vector<VaroObject*> slice;
    {
        Keepers& k = keepers();
        QMutexLocker locker(&k.mutex);
        const size_t n = std::min(handedBack.size(), size_t(std::max(*budget, 0)));
        slice.assign(handedBack.end() - n, handedBack.end());
        handedBack.resize(handedBack.size() - n);
    }
    VaroObject::destroySome(&slice, budget);
    Keepers& k = keepers();
    QMutexLocker locker(&k.mutex);
    return handedBack.empty();
}

void VaroObject::Keeping::close(const std::function<bool()>& stopped)
{
    if (closed)
        return;
    closed = true;
    std::vector<VaroObject*> left;
    {
        Keepers& k = keepers();
        QMutexLocker locker(&k.mutex);
        k.open.erase(std::find(k.open.begin(), k.open.end(), this));
        left.swap(handedBack);
    }
    while (!left.empty() && !stopped()) {
        delete left.back();
        left.pop_back();
    }
}

bool VaroObject::Keeping::isKeeping(const QThread* thread)
{
    Keepers& k = keepers();
    QMutexLocker locker(&k.mutex);
    return std::any_of(k.open.begin(), k.open.end(), [thread](const Keeping* keeping) { return keeping->thread == thread; });
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
