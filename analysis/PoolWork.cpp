#include "PoolWork.h"

#include <QRunnable>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#if defined(__SANITIZE_THREAD__)
#define VARO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VARO_THREAD_SANITIZER 1
#endif
#endif

#ifdef VARO_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace {

#ifdef VARO_THREAD_SANITIZER
// Stands for the pool's queue lock: every start releases it, every task
// acquires it before it reads anything of its starter's.
char poolHandOver;
#endif

class PoolTask : public QRunnable
{
public:
    explicit PoolTask(std::function<void()> task) : task(std::move(task)) {}
    void run() override
    {
#ifdef VARO_THREAD_SANITIZER
        __tsan_acquire(&poolHandOver);
#endif
        task();
    }

private:
    std::function<void()> task;
};

struct Share
{
    Share(int count, const std::function<void(int)>& job) : count(count), job(&job) {}

    const int count;
    // Called only for an item taken, which the caller waits for.
    const std::function<void(int)>* const job;
    std::atomic<int> next{0};
    std::atomic<int> ended{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::condition_variable allEnded;
    std::exception_ptr failure; // the first; under the mutex

    void work()
    {
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            if (!failed.load()) {
                try {
                    (*job)(i);
                } catch (...) {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (!failure)
                        failure = std::current_exception();
                    failed.store(true);
                }
            }
            if (ended.fetch_add(1) + 1 == count) {
                // Under the lock, so that the caller cannot miss it between its test and its wait.
                std::lock_guard<std::mutex> lock(mutex);
                allEnded.notify_all();
            }
        }
    }
};

} // namespace

void startOnPool(std::function<void()> task)
{
    auto* runnable = new PoolTask(std::move(task));
#ifdef VARO_THREAD_SANITIZER
    __tsan_release(&poolHandOver);
#endif
    QThreadPool::globalInstance()->start(runnable);
}

void shareWithPool(int count, const std::function<void(int)>& job)
{
    shareWithPool(count, job, startOnPool);
}

void shareWithPool(int count, const std::function<void(int)>& job,
                   const std::function<void(std::function<void()>)>& start)
{
    if (count <= 0)
        return;
    const auto share = std::make_shared<Share>(count, job);
    const int helpers = std::min(count - 1, QThreadPool::globalInstance()->maxThreadCount());
    // Helpers already running read the job and the caller's data, so a failed
    // start must not leave this function before they are done.
    std::exception_ptr startFailure;
    for (int h = 0; h < helpers && !startFailure; ++h) {
        try {
            start([share] { share->work(); });
        } catch (...) {
            startFailure = std::current_exception();
        }
    }
    share->work();
    std::exception_ptr failure;
    {
        std::unique_lock<std::mutex> lock(share->mutex);
        share->allEnded.wait(lock, [&share, count] { return share->ended.load() == count; });
        // Taken out, so that a helper starting late never holds the last reference to it.
        failure = std::move(share->failure);
    }
    if (failure)
        std::rethrow_exception(failure);
    if (startFailure)
        std::rethrow_exception(startFailure);
}
