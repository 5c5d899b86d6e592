#include "WorkTeam.h"

#include "PoolWork.h"

#include <QThreadPool>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// Waits a little: spinning first, as the next step is usually ready within
// microseconds, then giving way to whatever else the processor has to do.
inline void relax(int* spins)
{
    if (++*spins < 2000) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    } else {
        std::this_thread::yield();
    }
}

// Below this much work (multiply-adds) a step is done alone.
constexpr double workForHelpers = 2e6;

} // namespace

struct WorkTeam::Shared
{
    // Two of them, so that a helper still leaving one step never meets the
    // next one's job. One later still may read the ranges of the step the
    // leader posts into the same slot two steps on: the count is atomic,
    // and seeing it (acquire) means seeing the cursor moved on as well, so
    // take() refuses it for the step it no longer belongs to.
    struct Step
    {
        std::function<void(int)> job;
        std::atomic<int> ranges{0};
        std::atomic<int> done{0};
        std::atomic<quint64> firstDone{0}; // a bit for each of the first 64 ranges done
    };
    Step steps[2];
    std::atomic<unsigned> published{0}; // steps are numbered from 1
    std::atomic<bool> finished{false};
    std::atomic<int> inside{0};
    // The step's number in the high half, the next range in the low half: a
    // range is taken only for the step it belongs to.
    std::atomic<quint64> cursor{0};

    int take(unsigned number, int ranges)
    {
        quint64 t = cursor.load(std::memory_order_acquire);
        for (;;) {
            if (unsigned(t >> 32) != number || int(quint32(t)) >= ranges)
                return -1;
            if (cursor.compare_exchange_weak(t, t + 1, std::memory_order_acq_rel))
                return int(quint32(t));
        }
    }

    bool workOnce(unsigned number)
    {
        Step& step = steps[number & 1];
        const int i = take(number, step.ranges.load(std::memory_order_acquire));
        if (i < 0)
            return false;
        step.job(i);
        if (i < 64)
            step.firstDone.fetch_or(quint64(1) << i, std::memory_order_release);
        step.done.fetch_add(1, std::memory_order_release);
        return true;
    }

    void work(unsigned number)
    {
        while (workOnce(number)) {
        }
    }

    void help()
    {
        inside.fetch_add(1);
        unsigned seen = 0;
        int spins = 0;
        while (!finished.load()) {
            const unsigned number = published.load(std::memory_order_acquire);
            if (number == seen) {
                relax(&spins);
                continue;
            }
            seen = number;
            spins = 0;
            work(number);
        }
        inside.fetch_sub(1);
    }
};

WorkTeam::WorkTeam(int helpers) : shared(std::make_shared<Shared>())
{
    const std::shared_ptr<Shared> s = shared;
    for (int i = 0; i < helpers; ++i)
        startOnPool([s] { s->help(); });
}

WorkTeam::~WorkTeam()
{
    // Helpers read the steps' jobs, which refer to the caller's data, only
    // while the team is not finished.
    shared->finished.store(true);
    int spins = 0;
    while (shared->inside.load() > 0)
        relax(&spins);
}

void WorkTeam::post(int ranges, const std::function<void(int)>& job)
{
    const unsigned number = ++steps;
    Shared::Step& step = shared->steps[number & 1];
    step.job = job;
    step.ranges.store(std::max(0, ranges), std::memory_order_release);
    step.done.store(0);
    step.firstDone.store(0);
    shared->cursor.store(quint64(number) << 32);
    shared->published.store(number, std::memory_order_release);
}

void WorkTeam::waitForFirst(int count)
{
    const unsigned number = steps;
    Shared::Step& step = shared->steps[number & 1];
    // Only ranges that exist are waited for.
    const int n = std::max(0, std::min(count, step.ranges.load(std::memory_order_relaxed)));
    const quint64 wanted = n >= 64 ? ~quint64(0) : (quint64(1) << n) - 1;
    // Ranges are taken in order: while the wanted ones are not all taken,
    // the next one free is one of them.
    int spins = 0;
    while ((step.firstDone.load(std::memory_order_acquire) & wanted) != wanted)
        if (!shared->workOnce(number))
            relax(&spins);
}

void WorkTeam::wait()
{
    const unsigned number = steps;
    Shared::Step& step = shared->steps[number & 1];
    shared->work(number);
    int spins = 0;
    const int ranges = step.ranges.load(std::memory_order_relaxed);
    while (step.done.load(std::memory_order_acquire) < ranges)
        relax(&spins);
}

void WorkTeam::run(int ranges, const std::function<void(int)>& job)
{
    post(ranges, job);
    wait();
}

int WorkTeam::helpersFor(double work)
{
    return work < workForHelpers ? 0 : std::max(0, QThreadPool::globalInstance()->maxThreadCount() - 1);
}
