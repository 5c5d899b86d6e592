#pragma once

#include "XmlForm.h"
#include "ModelRefs.h"

#include <QAtomicInteger>
#include <QMap>
#include <QObject>
#include <QList>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

class QThread;
class QXmlStreamReader;
class QXmlStreamWriter;

// The common base of every model object: identity, a change time stamp taken
// from one program-wide counter, and a cache that callers refresh on demand.
class VaroObject : public QObject
{
    Q_OBJECT

public:
    explicit VaroObject(QObject* parent = nullptr);
    ~VaroObject() override;

    // A new stamp is the counter's present value; the counter then moves on.
    // Both the GUI and the analysis thread take stamps, so it is atomic.
    static quint32 newTimeStamp();
    static quint32 currentTimeStamp();

    quint32 timeStamp() const { return stampValue; }
    void setTimeStamp(quint32 value) { stampValue = value; }
    void stamp() { stampValue = newTimeStamp(); }

    // Read without the object's lock, from any thread: a recompute publishes
    // the flag after the values, and never clears it while it works.
    bool isCacheValid() const { return cacheValid.load(std::memory_order_acquire); }
    // Recomputes the cached values; the flag is set only when that succeeds.
    virtual void updateCache();
    virtual void invalidateCache();
    // Recomputes an invalid cache only, so that a reader never works out
    // again what another thread may be reading; answers whether it is valid.
    bool bringCacheUpToDate();

    // Entered on the object's start element, left on its end element. An id
    // that is not in the map raises an error on the reader (see
    // resolveReference), and the caller refuses the document.
    virtual void readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap);
    // Writes the object's element with the attribute "ref" set to the id.
    virtual void writeXML(QXmlStreamWriter& writer, const QString& id) const;
    // What every object's writeXML writes: its id as the attribute "ref".
    static const XmlForm::Element xmlForm;
    // The objects this one refers to, which must be written before it, in the
    // order they are written, so that a model always saves the same text.
    virtual QList<VaroObjectRef> references() const;

    // Writes the referenced objects first, then this one, each once, in the
    // order of references(), depth first; the depth costs no call depth.
    void writeRecursiveXML(QXmlStreamWriter& writer, QSet<QString>* written) const;
    // The id under which this object is written: its address as unsigned decimal text.
    QString xmlId() const;
    static QString xmlIdOf(const VaroObject* object);

    static QAtomicInteger<quint32> _globalTimeStamp;

    // Shares a new model object. Whichever thread lets go of it last, an
    // object is destroyed in the thread it lives in while that thread runs:
    // an object of the GUI thread is handed back (setHandBack) and goes
    // between the GUI thread's events; one that a worker thread made for
    // itself (a load the analysis generates) goes back to that thread while
    // it keeps what it makes (Keeping), and where it is let go of once the
    // thread has stopped keeping. Every shared model object is made here or
    // by share().
    template <class T, class... Args>
    static QSharedPointer<T> make(Args&&... args)
    {
        return share(new T(std::forward<Args>(args)...));
    }
    template <class T>
    static QSharedPointer<T> share(T* object)
    {
        static_assert(std::is_base_of<VaroObject, T>::value, "shares model objects only");
        checkMadeConnectedWithinItsThread(object);
        return QSharedPointer<T>(object, &VaroObject::letGo);
    }
    // Takes the objects of the GUI thread that another thread let go of; set
    // by whoever frees that thread's work between its events. Unset, they
    // are deleted later by the GUI thread's event loop.
    typedef void (*HandBack)(VaroObject* object);
    static void setHandBack(HandBack handBack);

    // While one lives, the objects its thread lets go of are put in the
    // given list rather than destroyed, so that whoever owns the list
    // destroys them a slice at a time (destroySome); so are those that
    // destroying them lets go of, while it lives.
    class Collecting
    {
    public:
        explicit Collecting(std::vector<VaroObject*>* into);
        ~Collecting();
        Q_DISABLE_COPY(Collecting)

        std::vector<VaroObject*>* const into;

    private:
        Collecting* const outer;
    };
    // Destroys up to *budget of the listed objects, last first, counting
    // them off the budget; true once none is left.
    static bool destroySome(std::vector<VaroObject*>* objects, int* budget);

    // While one lives in a thread other than the GUI thread, the objects
    // made in that thread that other threads let go of are handed back to
    // it, and it destroys them (destroySome) where they live. A thread that
    // runs no event loop keeps what it makes this way; once it stops
    // keeping (close), they go wherever they are let go of, nothing being
    // connected to them.
    class Keeping
    {
    public:
        Keeping();
        // Closes, destroying what is still handed back.
        ~Keeping();
        Q_DISABLE_COPY(Keeping)

        // Destroys up to *budget of the objects handed back, counting them
        // off the budget; true once none is left.
        bool destroySome(int* budget);
        // Stops keeping, then destroys what was handed back one at a time
        // until stopped() answers true; what is left then stays unfreed.
        void close(const std::function<bool()>& stopped);
        // Whether a Keeping is open in the given thread.
        static bool isKeeping(const QThread* thread);

    private:
        friend class VaroObject;

        QThread* const thread;
        std::vector<VaroObject*> handedBack;
        bool closed = false;
    };

protected:
    // Looks the id up in the map and casts it to T. An empty id gives null; an
    // unknown id, or one naming an object of another class, gives null and
    // raises an error on the reader.
    template <class T>
    static QSharedPointer<T> resolveReference(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap,
                                              const QString& id);
    static void raiseUnknownReference(QXmlStreamReader& reader, const QString& id);

    // Called last by a recompute, with the values already stored.
    void publishCache(bool valid) { cacheValid.store(valid, std::memory_order_release); }

    quint32 stampValue;

private:
    static void letGo(VaroObject* object);
    // In a build that checks threads: stops the program when the new object
    // is connected to an object of another thread, whose signals would post
    // events to a thread that may run no event loop.
    static void checkMadeConnectedWithinItsThread(VaroObject* object);

    std::atomic<bool> cacheValid{false};
};

template <class T>
QSharedPointer<T> VaroObject::resolveReference(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap,
                                               const QString& id)
{
    if (id.isEmpty())
        return QSharedPointer<T>();
    const VaroObjectRef object = idMap ? idMap->value(id) : VaroObjectRef();
    const QSharedPointer<T> cast = qSharedPointerObjectCast<T>(object);
    if (!cast)
        raiseUnknownReference(reader, id);
    return cast;
}
