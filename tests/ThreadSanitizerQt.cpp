// Linked into every test of a ThreadSanitizer build (scripts/tsan) and
// nowhere else. Qt's own libraries are not instrumented, so the sanitizer
// cannot see what Qt's mutexes, read-write locks, semaphores, thread joins
// and slot objects' reference counts order, and would take every access
// they guard for a race. These definitions stand in front of Qt's for the
// calls the project makes, tell the sanitizer what each one does, and pass
// on to Qt's own.

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QReadWriteLock>
#include <QSemaphore>
#include <QThread>
#include <QWaitCondition>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

template <class Function>
Function qtOwn(const char* name)
{
    void* found = dlsym(RTLD_NEXT, name);
    if (!found) {
        std::fprintf(stderr, "ThreadSanitizerQt: Qt has no %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(found);
}

#define QT_OWN(type, name) static const auto own = qtOwn<type>(name)

// The read-write locks this thread holds, and how: Qt's unlock does not say.
std::vector<std::pair<const void*, bool>>& heldLocks()
{
    thread_local std::vector<std::pair<const void*, bool>> held;
    return held;
}

unsigned takenFlags(const QReadWriteLock* lock)
{
    auto& held = heldLocks();
    const auto found = std::find_if(held.rbegin(), held.rend(), [lock](const auto& h) { return h.first == lock; });
    return found != held.rend() && !found->second ? __tsan_mutex_read_lock : 0;
}

void taken(const QReadWriteLock* lock, bool writing)
{
    heldLocks().emplace_back(lock, writing);
}

void given(const QReadWriteLock* lock)
{
    auto& held = heldLocks();
    const auto found = std::find_if(held.rbegin(), held.rend(), [lock](const auto& h) { return h.first == lock; });
    if (found != held.rend())
        held.erase(std::next(found).base());
}

template <class Lock>
bool lockAnnotated(void* address, unsigned flags, Lock lock)
{
    __tsan_mutex_pre_lock(address, flags);
    const bool locked = lock();
    __tsan_mutex_post_lock(address, flags | (locked ? 0 : __tsan_mutex_try_lock_failed), 0);
    return locked;
}

template <class Unlock>
void unlockAnnotated(void* address, unsigned flags, Unlock unlock)
{
    __tsan_mutex_pre_unlock(address, flags);
    unlock();
    __tsan_mutex_post_unlock(address, flags);
}

template <class Lock>
bool lockTaken(QReadWriteLock* lock, bool writing, unsigned flags, Lock take)
{
    const bool locked = lockAnnotated(lock, flags | (writing ? 0 : __tsan_mutex_read_lock), take);
    if (locked)
        taken(lock, writing);
    return locked;
}

// A wait gives its lock up and takes it again inside Qt.
template <class Wait>
bool waitAnnotated(void* lock, unsigned flags, Wait wait)
{
    unlockAnnotated(lock, flags, [] {});
    const bool woken = wait();
    lockAnnotated(lock, flags, [] { return true; });
    return woken;
}

// A slot object that Qt calls in one thread may be deleted in another: the
// last queued call's event, or the sender's connection list, lets it go
// after the call, counted by a reference inside Qt. Each one the project
// hands to Qt goes in this wrapper, which tells the sanitizer that its
// making comes before every call, and every call before its deletion. Calls
// are not ordered among themselves: two threads may call one slot at once.
class OrderedSlot : public QtPrivate::QSlotObjectBase
{
public:
    static QtPrivate::QSlotObjectBase* around(QtPrivate::QSlotObjectBase* slot)
    {
        if (!slot)
            return nullptr;
        auto* ordered = new OrderedSlot(slot);
        __tsan_release(ordered->made());
        return ordered;
    }

private:
    explicit OrderedSlot(QtPrivate::QSlotObjectBase* slot) : QSlotObjectBase(&impl), slot(slot) {}

    // The two marks, at two addresses of the wrapper: one for its making,
    // one for the calls that are over.
    void* made() { return &slot; }
    void* called() { return this; }

    static void impl(int which, QSlotObjectBase* self, QObject* receiver, void** arguments, bool* same)
    {
        auto* ordered = static_cast<OrderedSlot*>(self);
        __tsan_acquire(ordered->made());
        switch (which) {
        case Destroy:
            __tsan_acquire(ordered->called());
            ordered->slot->destroyIfLastRef();
            delete ordered;
            break;
        case Call:
            ordered->slot->call(receiver, arguments);
            __tsan_release(ordered->called());
            break;
        case Compare:
            *same = ordered->slot->compare(arguments);
            __tsan_release(ordered->called());
            break;
        }
    }

    QtPrivate::QSlotObjectBase* slot;
};

} // namespace

QMetaObject::Connection QObject::connectImpl(const QObject* sender, void** signal, const QObject* receiver,
                                             void** slotPointer, QtPrivate::QSlotObjectBase* slot,
                                             Qt::ConnectionType type, const int* types,
                                             const QMetaObject* senderMetaObject)
{
    QT_OWN(QMetaObject::Connection(*)(const QObject*, void**, const QObject*, void**, QtPrivate::QSlotObjectBase*,
                                      Qt::ConnectionType, const int*, const QMetaObject*),
           "_ZN7QObject11connectImplEPKS_PPvS1_S3_PN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPKiPK11QMetaObject");
    return own(sender, signal, receiver, slotPointer, OrderedSlot::around(slot), type, types, senderMetaObject);
}

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot, Qt::ConnectionType type,
                                   void* result)
{
    QT_OWN(bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*),
           "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    return own(object, OrderedSlot::around(slot), type, result);
}

void QMutex::lock()
{
    QT_OWN(void (*)(QMutex*), "_ZN6QMutex4lockEv");
    lockAnnotated(this, 0, [this] {
        own(this);
        return true;
    });
}

bool QMutex::tryLock(int timeout)
{
    QT_OWN(bool (*)(QMutex*, int), "_ZN6QMutex7tryLockEi");
    return lockAnnotated(this, __tsan_mutex_try_lock, [this, timeout] { return own(this, timeout); });
}

void QMutex::unlock()
{
    QT_OWN(void (*)(QMutex*), "_ZN6QMutex6unlockEv");
    unlockAnnotated(this, 0, [this] { own(this); });
}

QMutex::~QMutex()
{
    QT_OWN(void (*)(QMutex*), "_ZN6QMutexD2Ev");
    __tsan_mutex_destroy(this, 0);
    own(this);
}

void QReadWriteLock::lockForRead()
{
    QT_OWN(void (*)(QReadWriteLock*), "_ZN14QReadWriteLock11lockForReadEv");
    lockTaken(this, false, 0, [this] {
        own(this);
        return true;
    });
}

bool QReadWriteLock::tryLockForRead()
{
    return tryLockForRead(0);
}

bool QReadWriteLock::tryLockForRead(int timeout)
{
    QT_OWN(bool (*)(QReadWriteLock*, int), "_ZN14QReadWriteLock14tryLockForReadEi");
    return lockTaken(this, false, __tsan_mutex_try_lock, [this, timeout] { return own(this, timeout); });
}

void QReadWriteLock::lockForWrite()
{
    QT_OWN(void (*)(QReadWriteLock*), "_ZN14QReadWriteLock12lockForWriteEv");
    lockTaken(this, true, 0, [this] {
        own(this);
        return true;
    });
}

bool QReadWriteLock::tryLockForWrite()
{
    return tryLockForWrite(0);
}

bool QReadWriteLock::tryLockForWrite(int timeout)
{
    QT_OWN(bool (*)(QReadWriteLock*, int), "_ZN14QReadWriteLock15tryLockForWriteEi");
    return lockTaken(this, true, __tsan_mutex_try_lock, [this, timeout] { return own(this, timeout); });
}

void QReadWriteLock::unlock()
{
    QT_OWN(void (*)(QReadWriteLock*), "_ZN14QReadWriteLock6unlockEv");
    const unsigned flags = takenFlags(this);
    given(this);
    unlockAnnotated(this, flags, [this] { own(this); });
}

QReadWriteLock::~QReadWriteLock()
{
    QT_OWN(void (*)(QReadWriteLock*), "_ZN14QReadWriteLockD2Ev");
    __tsan_mutex_destroy(this, 0);
    own(this);
}

bool QWaitCondition::wait(QMutex* mutex, QDeadlineTimer deadline)
{
    QT_OWN(bool (*)(QWaitCondition*, QMutex*, QDeadlineTimer), "_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    return waitAnnotated(mutex, 0, [=] { return own(this, mutex, deadline); });
}

bool QWaitCondition::wait(QMutex* mutex, unsigned long time)
{
    QT_OWN(bool (*)(QWaitCondition*, QMutex*, unsigned long), "_ZN14QWaitCondition4waitEP6QMutexm");
    return waitAnnotated(mutex, 0, [=] { return own(this, mutex, time); });
}

bool QWaitCondition::wait(QReadWriteLock* lock, QDeadlineTimer deadline)
{
    QT_OWN(bool (*)(QWaitCondition*, QReadWriteLock*, QDeadlineTimer),
           "_ZN14QWaitCondition4waitEP14QReadWriteLock14QDeadlineTimer");
    return waitAnnotated(lock, takenFlags(lock), [=] { return own(this, lock, deadline); });
}

bool QWaitCondition::wait(QReadWriteLock* lock, unsigned long time)
{
    QT_OWN(bool (*)(QWaitCondition*, QReadWriteLock*, unsigned long), "_ZN14QWaitCondition4waitEP14QReadWriteLockm");
    return waitAnnotated(lock, takenFlags(lock), [=] { return own(this, lock, time); });
}

void QSemaphore::acquire(int n)
{
    QT_OWN(void (*)(QSemaphore*, int), "_ZN10QSemaphore7acquireEi");
    own(this, n);
    __tsan_acquire(this);
}

bool QSemaphore::tryAcquire(int n)
{
    QT_OWN(bool (*)(QSemaphore*, int), "_ZN10QSemaphore10tryAcquireEi");
    const bool acquired = own(this, n);
    if (acquired)
        __tsan_acquire(this);
    return acquired;
}

bool QSemaphore::tryAcquire(int n, int timeout)
{
    QT_OWN(bool (*)(QSemaphore*, int, int), "_ZN10QSemaphore10tryAcquireEii");
    const bool acquired = own(this, n, timeout);
    if (acquired)
        __tsan_acquire(this);
    return acquired;
}

void QSemaphore::release(int n)
{
    QT_OWN(void (*)(QSemaphore*, int), "_ZN10QSemaphore7releaseEi");
    __tsan_release(this);
    own(this, n);
}

// A thread's end is seen by whoever waits for it or finds it finished.
void QThread::start(Priority priority)
{
    QT_OWN(void (*)(QThread*, Priority), "_ZN7QThread5startENS_8PriorityE");
    // Captures nothing: the ending thread reads no memory of the slot before it releases.
    connect(this, &QThread::finished, this, [] { __tsan_release(QThread::currentThread()); }, Qt::DirectConnection);
    own(this, priority);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    QT_OWN(bool (*)(QThread*, QDeadlineTimer), "_ZN7QThread4waitE14QDeadlineTimer");
    const bool ended = own(this, deadline);
    if (ended)
        __tsan_acquire(this);
    return ended;
}

bool QThread::wait(unsigned long time)
{
    QT_OWN(bool (*)(QThread*, unsigned long), "_ZN7QThread4waitEm");
    const bool ended = own(this, time);
    if (ended)
        __tsan_acquire(this);
    return ended;
}

bool QThread::isFinished() const
{
    QT_OWN(bool (*)(const QThread*), "_ZNK7QThread10isFinishedEv");
    const bool ended = own(this);
    if (ended)
        __tsan_acquire(const_cast<QThread*>(this));
    return ended;
}
