#pragma once

#include <QAtomicPointer>
#include <QReadWriteLock>

// A read-write lock that knows the thread writing under it. Qt's lock is not
// re-entrant: a thread that asks for it again while it writes under it waits
// on itself for ever. Here such a thread goes on under the write lock it
// already holds, once the re-entry handler has been given the name of the
// function that asked. The program installs no handler and never freezes;
// the tests install one that fails them at once, so that every such path is
// found rather than papered over.
//
// The names are taken where the lock is asked for, through the compiler's
// __builtin_FUNCTION(), so that a query needs no name of its own.
class TrackedReadWriteLock
{
public:
    typedef void (*ReentryHandler)(const char* asker);
    // Returns the handler it replaces.
    static ReentryHandler setReentryHandler(ReentryHandler handler);

    TrackedReadWriteLock() = default;
    Q_DISABLE_COPY(TrackedReadWriteLock)

    // Each true when it locked; false when the thread already writes under
    // the lock, which then holds nothing more and must not be unlocked.
    bool lockForRead(const char* asker = __builtin_FUNCTION());
    bool lockForWrite(const char* asker = __builtin_FUNCTION());
    // A try never waits on the thread itself: it fails, and tells no one.
    bool tryLockForRead(int timeout = 0);
    bool tryLockForWrite(int timeout = 0);
    void unlock();

    bool isWrittenByThisThread() const;

private:
    // True, after telling the handler, when the thread already writes.
    bool reenters(const char* asker) const;
    void noteWriter();

    QReadWriteLock lock{QReadWriteLock::NonRecursive};
    QAtomicPointer<void> writer{nullptr};
};

// Holds the lock, for reading or for writing, for as long as it lives; where
// the thread already wrote under it, holds nothing and releases nothing.
template <bool (TrackedReadWriteLock::*take)(const char*)>
class TrackedLocker
{
public:
    explicit TrackedLocker(TrackedReadWriteLock* lock, const char* asker = __builtin_FUNCTION())
        : lock(lock), held((lock->*take)(asker))
    {
    }
    ~TrackedLocker()
    {
        if (held)
            lock->unlock();
    }
    Q_DISABLE_COPY(TrackedLocker)

private:
    TrackedReadWriteLock* const lock;
    const bool held;
};

typedef TrackedLocker<&TrackedReadWriteLock::lockForRead> TrackedReadLocker;
typedef TrackedLocker<&TrackedReadWriteLock::lockForWrite> TrackedWriteLocker;
