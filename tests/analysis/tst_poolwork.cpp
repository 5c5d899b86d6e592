#include "PoolWork.h"
#include "PoolTesting.h"
#include "TestMain.h"

#include <QSemaphore>
#include <QSharedPointer>
#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <vector>

// Work shared between a thread and the global pool.
class TestPoolWork : public QObject
{
    Q_OBJECT

private slots:
    void everyItemOnceWhateverThePool_data();
    void everyItemOnceWhateverThePool();
    void aThrownFaultReachesTheCallerAfterTheItemsBegun();
};

void TestPoolWork::everyItemOnceWhateverThePool_data()
{
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("held"); // threads other work keeps busy meanwhile
    QTest::addColumn<bool>("fromPool"); // the caller is itself a task of the pool
    QTest::addColumn<int>("outer");
    QTest::addColumn<int>("inner"); // items each outer item shares in turn, 0 none

    QTest::newRow("one thread, from the pool, nested") << 1 << 0 << true << 5 << 7;
    QTest::newRow("one thread, held") << 1 << 1 << false << 5 << 7;
    QTest::newRow("two threads, from the pool, one held") << 2 << 1 << true << 9 << 3;
    QTest::newRow("four threads, more items than threads") << 4 << 0 << false << 40 << 0;
    QTest::newRow("four threads, from the pool, nested") << 4 << 0 << true << 16 << 16;
    QTest::newRow("no items") << 2 << 0 << true << 0 << 0;
}

// Every item runs exactly once and the call returns within seconds, whether
// the pool has threads to spare or none.
void TestPoolWork::everyItemOnceWhateverThePool()
{
    QFETCH(int, threads);
    QFETCH(int, held);
    QFETCH(bool, fromPool);
    QFETCH(int, outer);
    QFETCH(int, inner);

    const PoolSetting pool(threads, held);

    const int perItem = std::max(1, inner);
    const auto runs = QSharedPointer<std::vector<std::atomic<int>>>::create(size_t(outer * perItem));
    const auto call = [runs, outer, inner, perItem] {
        shareWithPool(outer, [&](int i) {
            if (inner == 0)
                (*runs)[size_t(i)].fetch_add(1);
            else
                shareWithPool(inner, [&](int j) { (*runs)[size_t(i * perItem + j)].fetch_add(1); });
        });
    };
    if (fromPool) {
        const QSharedPointer<QSemaphore> done(new QSemaphore);
        startOnPool([call, done] {
            call();
            done->release();
        });
        QVERIFY(done->tryAcquire(1, 10000));
    } else {
        call();
    }
    for (size_t k = 0; k < runs->size(); ++k)
        QCOMPARE((*runs)[k].load(), 1);
}

// The first exception is thrown again in the caller, and only once every
// item that had begun has ended, so that none still reads the caller's data.
// With helpers, how many items begin before the fault depends on how the
// threads are scheduled; with the caller alone they run in order, and the
// items after the fault are skipped.
void TestPoolWork::aThrownFaultReachesTheCallerAfterTheItemsBegun()
{
    for (const bool callerAlone : {false, true}) {
        const PoolSetting pool(callerAlone ? 1 : std::max(4, QThread::idealThreadCount()), callerAlone ? 1 : 0);
        std::atomic<int> begun{0}, ended{0};
        int endedAtTheCatch = -1;
        bool thrown = false;
        try {
            shareWithPool(64, [&](int i) {
                begun.fetch_add(1);
                QThread::usleep(200);
                ended.fetch_add(1);
                if (i == 5)
                    throw std::runtime_error("fault");
            });
        } catch (const std::runtime_error& fault) {
            thrown = QByteArray(fault.what()) == "fault";
            endedAtTheCatch = ended.load();
        }
        QVERIFY(thrown);
        QCOMPARE(endedAtTheCatch, begun.load());
        if (callerAlone)
            QCOMPARE(begun.load(), 6);
    }
}

VARO_APPLESS_TEST_MAIN(TestPoolWork)
#include "tst_poolwork.moc"
