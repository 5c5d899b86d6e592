#include "AnalysisDisposal.h"

#include "VaroObject.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <algorithm>
#include <atomic>
#include <deque>
#include <thread>
#include <vector>

#include <ctime>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Freeing that took this much work, in processor seconds, has freed some
// tens of megabytes of small blocks, whose pages the allocator keeps until
// it is asked to hand them back. Asking walks every free block under the
// locks that other threads' allocations wait for, so it is not done for
// less. The allocator's own count of what it holds walks them as well: the
// work of freeing stands in for it.
const double trimAfterFreeingFor = 0.02;

// A piece of a large block's pages given back at once: a millisecond or two.
const uintptr_t pagesPerPiece = 4096;

// Small blocks, once freed, join the allocator's free lists at once rather
// than its fast bins. The fast bins keep every block freed until the next
// large request, which then sorts them all under the lock that every thread
// allocates under: after a closed model of millions has gone a slice at a
// time, that one request would still the GUI thread for a second.
const bool withoutFastBins = mallopt(M_MXFAST, 0) == 1;

// Set once, as the program ends, and read at every piece freed. Of static
// storage and trivially destroyed, it is there for every thread to the last.
std::atomic<bool> ending{false};

struct Ending
{
    QSharedPointer<QObject> analysis;
    AnalysisDisposal::Release afterwards;
};

struct Disposal
{
    QMutex mutex;
    QWaitCondition wake;
    // Asked to end, their threads not yet heard to have finished: a thread
    // must not be destroyed while it runs.
    QList<Ending> kept;
    // For the disposal thread.
    std::deque<AnalysisDisposal::Release> queue;
    // For the GUI thread, a slice between two events.
    std::deque<AnalysisDisposal::Release> betweenEvents;
    bool slicing = false; // a slice is posted or running
    // Model objects handed back, waiting for a slice in the GUI thread.
    std::vector<VaroObject*> handedBack;
    // What the program's end left unfreed.
    std::vector<AnalysisDisposal::Release> leftOver;
    std::thread worker;
    bool working = false; // the disposal thread runs a release
    // The work of freeing since the allocator last handed its free pages back.
    double freeingSeconds = 0.0;
    int trims = 0;
};

// Never destroyed: what is left at the program's end stays reachable and
// unfreed, and no static destructor frees it after Qt's have run.
Disposal& disposal()
{
    static Disposal* const instance = new Disposal;
    return *instance;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Nothing to free: the disposal thread looks whether much was freed elsewhere.
bool nothingLeft()
{
    return true;
}

QThread* threadOf(const QSharedPointer<QObject>& analysis)
{
    return static_cast<QThread*>(analysis.data());
}

// The analysis's thread has finished, or is taking its very last steps.
AnalysisDisposal::Release letGo(Ending ending)
{
    // Moved in: a copy left in the caller could be the last one.
    return [ending = std::move(ending)]() mutable {
        threadOf(ending.analysis)->wait();
        ending.analysis.reset();
        AnalysisDisposal::Release afterwards;
        afterwards.swap(ending.afterwards);
        if (afterwards)
            AnalysisDisposal::releaseBetweenEvents(std::move(afterwards));
        return true;
    };
}

void work(Disposal& d)
{
    QMutexLocker locker(&d.mutex);
    for (;;) {
        while (d.queue.empty() && !ending)
            d.wake.wait(&d.mutex);
        if (ending)
            return;
        AnalysisDisposal::Release release;
        release.swap(d.queue.front());
        d.queue.pop_front();
        d.working = true;
        locker.unlock();
        bool done = false;
        {
            const AnalysisDisposal::Freeing freeing;
            while (!done && !ending)
                done = release();
            // What it still holds goes here as well, unless the program is ending.
            if (done)
                release = nullptr;
        }
        locker.relock();
        d.working = false;
        if (!done) {
            d.leftOver.push_back(std::move(release));
        } else if (d.queue.empty() && d.freeingSeconds >= trimAfterFreeingFor) {
            d.freeingSeconds = 0.0;
            locker.unlock();
            malloc_trim(0);
            locker.relock();
            ++d.trims;
        }
    }
}

// Appends the release to the queue and calls then(d, locker) under the
// mutex. Without an application no window waits, and nothing would tell of
// the end: the release runs through at once. Once the program is ending, it
// is left unrun.
template <class Then>
void enqueue(AnalysisDisposal::Release release, std::deque<AnalysisDisposal::Release> Disposal::*queue, Then then)
{
    if (!QCoreApplication::instance()) {
        while (!release()) {
        }
        return;
    }
    Disposal& d = disposal();
    QMutexLocker locker(&d.mutex);
    if (ending) {
        d.leftOver.push_back(std::move(release));
        return;
    }
    (d.*queue).push_back(std::move(release));
    then(d, locker);
}

void postSlice();

// In the GUI thread: one slice of the first release waiting there.
void releaseSlice()
{
    Disposal& d = disposal();
    QMutexLocker locker(&d.mutex);
    if (ending || d.betweenEvents.empty()) {
        d.slicing = false;
        return;
    }
    AnalysisDisposal::Release release;
    release.swap(d.betweenEvents.front());
    d.betweenEvents.pop_front();
    locker.unlock();
    bool done;
    {
        const AnalysisDisposal::Freeing freeing;
        done = release();
        if (done)
            release = nullptr;
    }
    locker.relock();
    if (!done)
        d.betweenEvents.push_front(std::move(release));
    const bool more = d.slicing = !d.betweenEvents.empty();
    locker.unlock();
    if (more)
        postSlice();
    // The disposal thread hands the freed pages back, if they are many.
    if (done)
        AnalysisDisposal::release(nothingLeft);
}

// Posted, the slice comes after every event already waiting, and each pass
// of the event loop takes one.
void postSlice()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &releaseSlice, Qt::QueuedConnection);
}

} // namespace

void AnalysisDisposal::handBack(VaroObject* object)
{
    Disposal& d = disposal();
    {
        QMutexLocker locker(&d.mutex);
        if (ending)
            return;
        d.handedBack.push_back(object);
        // A slice is already on its way for the others.
        if (d.handedBack.size() > 1)
            return;
    }
    releaseBetweenEvents([] {
        Disposal& d = disposal();
        std::vector<VaroObject*> slice;
        {
            QMutexLocker locker(&d.mutex);
            const size_t n = std::min(d.handedBack.size(), size_t(objectsPerSlice));
            slice.assign(d.handedBack.end() - n, d.handedBack.end());
            d.handedBack.resize(d.handedBack.size() - n);
        }
        int budget = objectsPerSlice;
        VaroObject::destroySome(&slice, &budget);
        QMutexLocker locker(&d.mutex);
        return d.handedBack.empty();
    });
}

void AnalysisDisposal::watch(QThread* thread)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    // Registered in the GUI thread before any analysis can hand anything over.
    static const bool waitedForAtTheEnd = (qAddPostRoutine(&AnalysisDisposal::waitForThreads), true);
    Q_UNUSED(waitedForAtTheEnd)
    QObject::connect(
        thread, &QThread::finished, application,
        [thread] {
            Disposal& d = disposal();
            Ending finished;
            {
                QMutexLocker locker(&d.mutex);
                for (int i = 0; i < d.kept.size() && !finished.analysis; ++i)
                    if (d.kept[i].analysis.data() == thread)
                        finished = d.kept.takeAt(i);
            }
            if (finished.analysis)
                release(letGo(std::move(finished)));
        },
        Qt::QueuedConnection);
}

void AnalysisDisposal::keep(QSharedPointer<QObject> analysis, Release afterwards)
{
    // Without an application no window waits, and nothing would tell of the end.
    if (!analysis || !QCoreApplication::instance()) {
        if (analysis)
            threadOf(analysis)->wait();
        analysis.reset();
        if (afterwards)
            releaseBetweenEvents(std::move(afterwards));
        return;
    }
    Ending ending{std::move(analysis), std::move(afterwards)};
    if (!threadOf(ending.analysis)->isRunning()) {
        release(letGo(std::move(ending)));
        return;
    }
    QList<Ending> missed;
    {
        Disposal& d = disposal();
        QMutexLocker locker(&d.mutex);
        for (int i = d.kept.size() - 1; i >= 0; --i)
            if (threadOf(d.kept[i].analysis)->isFinished())
                missed.append(d.kept.takeAt(i));
        d.kept.append(std::move(ending));
    }
    for (Ending& finished : missed)
        release(letGo(std::move(finished)));
}

void AnalysisDisposal::release(Release release)
{
    enqueue(std::move(release), &Disposal::queue, [](Disposal& d, QMutexLocker&) {
        if (!d.worker.joinable())
            d.worker = std::thread([&d] { work(d); });
        d.wake.wakeOne();
    });
}

void AnalysisDisposal::releaseBetweenEvents(Release release)
{
    enqueue(std::move(release), &Disposal::betweenEvents, [](Disposal& d, QMutexLocker& locker) {
        if (d.slicing)
            return;
        d.slicing = true;
        locker.unlock();
        postSlice();
    });
}

bool AnalysisDisposal::releasePages(void* data, size_t bytes)
{
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
    for (uintptr_t piece = begin; piece < end; piece += pagesPerPiece * page) {
        if (ending)
            return false;
        madvise(reinterpret_cast<void*>(piece), std::min(end - piece, pagesPerPiece * page), MADV_DONTNEED);
    }
    return true;
}

bool AnalysisDisposal::isEnding()
{
    return ending;
}

bool AnalysisDisposal::isPending()
{
    Disposal& d = disposal();
    QMutexLocker locker(&d.mutex);
    return !d.kept.isEmpty() || !d.queue.empty() || d.working || !d.betweenEvents.empty() || d.slicing;
}

AnalysisDisposal::Freeing::Freeing() : start(threadCpuSeconds())
{
}

AnalysisDisposal::Freeing::~Freeing()
{
    const double spent = threadCpuSeconds() - start;
    Disposal& d = disposal();
    QMutexLocker locker(&d.mutex);
    d.freeingSeconds += spent;
}

int AnalysisDisposal::trims()
{
    Disposal& d = disposal();
    QMutexLocker locker(&d.mutex);
    return d.trims;
}

void AnalysisDisposal::waitForThreads()
{
    Disposal& d = disposal();
    QList<QThread*> threads;
    {
        QMutexLocker locker(&d.mutex);
        ending = true;
        d.wake.wakeAll();
        // The kept list still holds them, so none is freed here.
        for (const Ending& kept : qAsConst(d.kept))
            threads.append(threadOf(kept.analysis));
    }
    // Each ends within a step of its work, and leaves the rest of its freeing.
    for (QThread* thread : qAsConst(threads))
        thread->wait();
    if (d.worker.joinable())
        d.worker.join();
    QMutexLocker locker(&d.mutex);
    for (std::deque<Release>* waiting : {&d.queue, &d.betweenEvents}) {
        for (Release& release : *waiting)
            d.leftOver.push_back(std::move(release));
        waiting->clear();
    }
}
