#pragma once

#include <functional>

// job(i) for i = 0..count−1, shared between the calling thread and whatever
// threads of the global pool are free. The caller takes items like any
// helper and then waits only for items a helper has already begun, never for
// a task still queued, so the call returns however small or busy the pool
// is, also when the caller is itself one of the pool's tasks. A helper that
// starts after the items are gone leaves at once. The first exception a job
// throws is thrown here again once every item begun has ended; the items not
// begun by then are skipped. When starting a helper fails (memory running
// out), no more are started; the caller and the helpers already started take
// the items that are left, and the failure is thrown once every item has ended.
void shareWithPool(int count, const std::function<void(int)>& job);
// The same with the helpers started by `start` in place of startOnPool.
void shareWithPool(int count, const std::function<void(int)>& job,
                   const std::function<void(std::function<void()>)>& start);

// Starts a task on the global pool. What the caller wrote before is visible
// to the task through the pool's own lock, which ThreadSanitizer cannot see
// in an uninstrumented Qt: it is told so here.
void startOnPool(std::function<void()> task);
