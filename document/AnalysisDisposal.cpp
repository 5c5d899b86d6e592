#include "AnalysisDisposal.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <deque>
#include <thread>
#include <vector>

namespace {

struct Ending
{
    QSharedPointer<QObject> analysis;
    QSharedPointer<const AnalysisDocument> document;
};

struct Disposal
{
    QMutex mutex;
    QWaitCondition wake;
    // Asked to end, their threads not yet heard to have finished: a thread
    // must not be destroyed while it runs.
    QList<Ending> kept;
    // What the analyses read of their documents, once they have gone: the
    // model's objects live in the GUI thread, which lets them go.
    QList<QSharedPointer<const AnalysisDocument>> documents;
    std::deque<AnalysisDisposal::Release> queue;
    // What the program's end left unfreed.
    std::vector<AnalysisDisposal::Release> leftOver;
    std::thread worker;
    std::atomic<bool> ending{false};
};

// Never destroyed: what is left at the program's end stays reachable and
// unfreed, and no static destructor frees it after Qt's have run.
Disposal& disposal()
{
    static Disposal* const instance = new Disposal;
    return *instance;
}

QThread* threadOf(const QSharedPointer<QObject>& analysis)
{
    return static_cast<QThread*>(analysis.data());
}

// Hands the document back to the GUI thread, after its analysis has gone.
void handBack(QSharedPointer<const AnalysisDocument> document)
{
    Disposal& d = disposal();
    {
        QMutexLocker locker(&d.mutex);
        d.documents.append(std::move(document));
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            Disposal& d = disposal();
            QList<QSharedPointer<const AnalysisDocument>> documents;
            QMutexLocker locker(&d.mutex);
            documents.swap(d.documents);
            locker.unlock();
        },
        Qt::QueuedConnection);
}

// The analysis's thread has finished, or is taking its very last steps.
AnalysisDisposal::Release letGo(Ending ending)
{
    // Moved in: a copy left in the caller could be the last one.
    return [ending = std::move(ending)]() mutable {
        threadOf(ending.analysis)->wait();
        ending.analysis.reset();
        handBack(std::move(ending.document));
        return true;
    };
}

void work(Disposal& d)
{
    QMutexLocker locker(&d.mutex);
    for (;;) {
        while (d.queue.empty() && !d.ending)
            d.wake.wait(&d.mutex);
        if (d.ending)
            return;
        AnalysisDisposal::Release release = std::move(d.queue.front());
        d.queue.pop_front();
        locker.unlock();
        bool done = false;
        while (!done && !d.ending)
            done = release();
        // What it still holds goes here as well, unless the program is ending.
        if (done)
            release = nullptr;
        locker.relock();
        if (!done)
            d.leftOver.push_back(std::move(release));
    }
}

} // namespace

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

void AnalysisDisposal::keep(QSharedPointer<QObject> analysis, QSharedPointer<const AnalysisDocument> document)
{
    if (!analysis)
        return;
    // Without an application no window waits, and nothing would tell of the end.
    if (!QCoreApplication::instance()) {
        threadOf(analysis)->wait();
        return;
    }
    Ending ending{std::move(analysis), std::move(document)};
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
    if (!QCoreApplication::instance()) {
        while (!release()) {
        }
        return;
    }
    Disposal& d = disposal();
    QMutexLocker locker(&d.mutex);
    if (d.ending) {
        d.leftOver.push_back(std::move(release));
        return;
    }
    if (!d.worker.joinable())
        d.worker = std::thread([&d] { work(d); });
    d.queue.push_back(std::move(release));
    d.wake.wakeOne();
}

bool AnalysisDisposal::isEnding()
{
    return disposal().ending;
}

void AnalysisDisposal::waitForThreads()
{
    Disposal& d = disposal();
    QList<Ending> kept;
    {
        QMutexLocker locker(&d.mutex);
        d.ending = true;
        d.wake.wakeAll();
        kept = d.kept;
    }
    // Each ends within a step of its work, and leaves the rest of its
    // freeing; the kept list still holds them, so none is freed here.
    for (const Ending& ending : qAsConst(kept))
        threadOf(ending.analysis)->wait();
    if (d.worker.joinable())
        d.worker.join();
    QMutexLocker locker(&d.mutex);
    for (Release& release : d.queue)
        d.leftOver.push_back(std::move(release));
    d.queue.clear();
}
