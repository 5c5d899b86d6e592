#include "NodeNumbering.h"
#include "TestMain.h"

#include <QtTest>

// Reverse Cuthill–McKee numbering and the half band it gives.

Q_DECLARE_METATYPE(QVector<MemberEnds>)

class TestNumbering : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void gridBandFollowsItsShortSide();
};

void TestNumbering::numbers_data()
{
    QTest::addColumn<int>("nodeCount");
    QTest::addColumn<QVector<MemberEnds>>("members");
    QTest::addColumn<QVector<int>>("expected");
    QTest::addColumn<int>("halfBand");

    QTest::newRow("one member: the first node starts and is numbered last")
        << 2 << QVector<MemberEnds>{{0, 1}} << QVector<int>{1, 0} << 12;
    QTest::newRow("no members: list order, first node highest")
        << 3 << QVector<MemberEnds>{} << QVector<int>{2, 1, 0} << 6;
    // Chain 0–2–3–1 listed out of order: numbered along the chain.
    QTest::newRow("chain listed out of order")
        << 4 << QVector<MemberEnds>{{2, 3}, {0, 2}, {3, 1}} << QVector<int>{3, 0, 2, 1} << 12;
    // Star: the leaves have degree 1; leaf 1 starts, the hub follows, then
    // the other leaves in member order.
    QTest::newRow("star from its first leaf")
        << 4 << QVector<MemberEnds>{{0, 1}, {0, 2}, {0, 3}} << QVector<int>{2, 3, 1, 0} << 18;
    // Two parts: each numbered from its own start node, one after the other.
    QTest::newRow("disconnected parts")
        << 4 << QVector<MemberEnds>{{2, 3}, {0, 1}} << QVector<int>{3, 2, 1, 0} << 12;
    // A ring, every degree 2: 0 starts, its neighbours queue in member order, 3 before 1.
    QTest::newRow("ties broken by list and member order")
        << 4 << QVector<MemberEnds>{{0, 3}, {0, 1}, {1, 2}, {2, 3}} << QVector<int>{3, 1, 0, 2} << 18;
    // Degree counts member ends: two members between the same nodes make 2.
    QTest::newRow("parallel members add to the degree")
        << 3 << QVector<MemberEnds>{{0, 1}, {0, 1}, {1, 2}} << QVector<int>{0, 1, 2} << 12;
}

void TestNumbering::numbers()
{
    QFETCH(int, nodeCount);
    QFETCH(QVector<MemberEnds>, members);
    QFETCH(QVector<int>, expected);
    QFETCH(int, halfBand);

    const QVector<int> numbers = reverseCuthillMcKeeNumbers(nodeCount, members);
    QCOMPARE(numbers, expected);
    QCOMPARE(halfBandWidthOf(numbers, members), halfBand);
}

// A long grid listed across its long side: the numbering runs along it, so
// the band spans about two rows of the short side, whatever the list order.
void TestNumbering::gridBandFollowsItsShortSide()
{
    const int nx = 40, ny = 4;
    const auto id = [](int i, int j) { return i * ny + j; };
    QVector<MemberEnds> members;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            if (i + 1 < nx)
                members.append({id(i, j), id(i + 1, j)});
            if (j + 1 < ny)
                members.append({id(i, j), id(i, j + 1)});
        }
    const QVector<int> numbers = reverseCuthillMcKeeNumbers(nx * ny, members);
    QVector<int> sorted = numbers;
    std::sort(sorted.begin(), sorted.end());
    for (int k = 0; k < nx * ny; ++k)
        QCOMPARE(sorted[k], k);
    QVERIFY(halfBandWidthOf(numbers, members) <= 6 * (2 * ny) + 6);
}

VARO_APPLESS_TEST_MAIN(TestNumbering)
#include "tst_numbering.moc"
