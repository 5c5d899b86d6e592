#include "FileLimits.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

// A reader on another thread takes the limits while a test may set them:
// whole, never some old and some new.
QBasicMutex mutex;
FileLimits inForce;

FileLimits exchange(const FileLimits& limits)
{
    QMutexLocker locker(&mutex);
    const FileLimits previous = inForce;
    inForce = limits;
    return previous;
}

} // namespace

FileLimits FileLimits::current()
{
    QMutexLocker locker(&mutex);
    return inForce;
}

bool FileLimits::operator==(const FileLimits& other) const
{
    return modelTextSize == other.modelTextSize && cost == other.cost && textRun == other.textRun
           && transferTextSize == other.transferTextSize && transferRecords == other.transferRecords;
}

FileLimits::Scope::Scope(const FileLimits& limits) : previous(exchange(limits))
{
}

FileLimits::Scope::~Scope()
{
    exchange(previous);
}
