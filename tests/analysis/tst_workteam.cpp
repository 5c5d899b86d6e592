#include "TestMain.h"
#include "WorkTeam.h"

#include <QtTest>

#include <atomic>
#include <vector>

// The threads that share the elimination's steps.
class TestWorkTeam : public QObject
{
    Q_OBJECT

private slots:
    void waitsForTheRangesThatExist_data();
    void waitsForTheRangesThatExist();
    void manyShortStepsWithLateHelpers();
};

void TestWorkTeam::waitsForTheRangesThatExist_data()
{
    QTest::addColumn<int>("helpers");
    QTest::addColumn<int>("ranges");
    QTest::addColumn<int>("count");
    QTest::newRow("alone, two of forty") << 0 << 40 << 2;
    QTest::newRow("alone, five of three") << 0 << 3 << 5;
    QTest::newRow("alone, sixty-four of three") << 0 << 3 << 64;
    QTest::newRow("helpers, two of forty") << 3 << 40 << 2;
    QTest::newRow("helpers, sixty-four of a hundred") << 3 << 100 << 64;
    QTest::newRow("helpers, sixty-four of none") << 3 << 0 << 64;
}

// waitForFirst returns once the first ranges are done, however many more are
// asked for than there are; wait, once every range is, each done once.
void TestWorkTeam::waitsForTheRangesThatExist()
{
    QFETCH(int, helpers);
    QFETCH(int, ranges);
    QFETCH(int, count);
    const size_t n = size_t(ranges);
    std::vector<std::atomic<int>> done(n);
    WorkTeam team(helpers);
    team.post(ranges, [&done](int i) { done[size_t(i)].fetch_add(1); });
    team.waitForFirst(count);
    for (int i = 0; i < std::min(count, ranges); ++i)
        QCOMPARE(done[size_t(i)].load(), 1);
    team.wait();
    for (int i = 0; i < ranges; ++i)
        QCOMPARE(done[size_t(i)].load(), 1);
}

// Steps shorter than a helper's start: helpers arrive late, still on a step
// the leader has long left while it posts into that step's slot again. Each
// range is done once, in its own step (ThreadSanitizer watches the rest).
void TestWorkTeam::manyShortStepsWithLateHelpers()
{
    WorkTeam team(3);
    std::atomic<int> done[5];
    for (int step = 0; step < 3000; ++step) {
        const int ranges = 1 + step % 5;
        for (std::atomic<int>& d : done)
            d.store(0);
        team.run(ranges, [&done](int i) { done[i].fetch_add(1); });
        for (int i = 0; i < 5; ++i)
            QCOMPARE(done[i].load(), i < ranges ? 1 : 0);
    }
}

VARO_APPLESS_TEST_MAIN(TestWorkTeam)
#include "tst_workteam.moc"
