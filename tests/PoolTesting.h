#pragma once

// A global thread pool of a chosen size with some of its threads held by
// other work, for as long as the object lives; the pool is given back as it
// was however the test ends.

#include "PoolWork.h"

#include <QSemaphore>
#include <QSharedPointer>
#include <QThreadPool>

class PoolSetting
{
public:
    PoolSetting(int threads, int held) : held(held)
    {
        pool->setMaxThreadCount(threads);
        for (int i = 0; i < held; ++i)
            startOnPool([release = release] { release->acquire(); });
    }
    ~PoolSetting()
    {
        release->release(held);
        pool->setMaxThreadCount(threads);
    }
    Q_DISABLE_COPY(PoolSetting)

private:
    QThreadPool* const pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    const int held;
    const QSharedPointer<QSemaphore> release{new QSemaphore};
};
