#include "TrackedReadWriteLock.h"

#include <QThread>

#include <atomic>

namespace {

std::atomic<TrackedReadWriteLock::ReentryHandler> _reentryHandler{nullptr};

} // namespace

TrackedReadWriteLock::ReentryHandler TrackedReadWriteLock::setReentryHandler(ReentryHandler handler)
{
    return _reentryHandler.exchange(handler);
}

bool TrackedReadWriteLock::isWrittenByThisThread() const
{
    // Only a thread itself stores its own id here, so a stale value never
    // names the reader.
    return writer.loadRelaxed() == QThread::currentThreadId();
}

bool TrackedReadWriteLock::reenters(const char* asker) const
{
    if (!isWrittenByThisThread())
        return false;
    if (const ReentryHandler handler = _reentryHandler.load())
        handler(asker);
    return true;
}

void TrackedReadWriteLock::noteWriter()
{
    writer.storeRelaxed(QThread::currentThreadId());
}

bool TrackedReadWriteLock::lockForRead(const char* asker)
{
    if (reenters(asker))
        return false;
    lock.lockForRead();
    return true;
}

bool TrackedReadWriteLock::lockForWrite(const char* asker)
{
    if (reenters(asker))
        return false;
    lock.lockForWrite();
    noteWriter();
    return true;
}

bool TrackedReadWriteLock::tryLockForRead(int timeout)
{
    return !isWrittenByThisThread() && lock.tryLockForRead(timeout);
}

bool TrackedReadWriteLock::tryLockForWrite(int timeout)
{
    if (isWrittenByThisThread() || !lock.tryLockForWrite(timeout))
        return false;
    noteWriter();
    return true;
}

void TrackedReadWriteLock::unlock()
{
    // Cleared first: once unlocked, another writer may note itself.
    if (isWrittenByThisThread())
        writer.storeRelaxed(nullptr);
    lock.unlock();
}
