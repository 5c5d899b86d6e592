#include "Member.h"
#include "Node.h"
#include "PointLoad.h"
#include "SelectionModel.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "TestMain.h"

#include <QtTest>

namespace {

typedef QList<VaroObjectRef> Objects;

// Nodes that the rows of the data-driven tests name by letter.
struct Letters
{
    QMap<QChar, VaroObjectRef> byLetter;

    Letters()
    {
        for (QChar c : QStringLiteral("ABCDEX"))
            byLetter.insert(c, VaroObjectRef(VaroObject::make<Node>()));
    }
    Objects operator()(const QString& letters) const
    {
        Objects list;
        for (QChar c : letters)
            list.append(byLetter.value(c));
        return list;
    }
};

struct Signals
{
    QSignalSpy will;
    QSignalSpy has;
    explicit Signals(SelectionModel* model)
        : will(model, &SelectionModel::SelectionWillChange), has(model, &SelectionModel::SelectionHasChanged)
    {
    }
    bool countsAre(int n) const { return will.count() == n && has.count() == n; }
};

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private slots:
    void mastersFollowSelectionOrder();
    void toggleTwiceRestoresTheList_data();
    void toggleTwiceRestoresTheList();
    void deselectionUndoRestoresExactOrder_data();
    void deselectionUndoRestoresExactOrder();
    void historySignalsAndMarkedNew();
};

void TestSelection::mastersFollowSelectionOrder()
{
    const NodeRef a(VaroObject::make<Node>()), b(VaroObject::make<Node>());
    const MemberRef m(VaroObject::make<Member>(a, b)), n(VaroObject::make<Member>(b, a));
    const QSharedPointer<PointLoad> p1(VaroObject::make<PointLoad>(m)), p2(VaroObject::make<PointLoad>(n));
    const QSharedPointer<TrapezoidLoad> t(VaroObject::make<TrapezoidLoad>(m));
    const QSharedPointer<TorqueLoad> q(VaroObject::make<TorqueLoad>(n));

    SelectionModel selection;
    QVERIFY(!selection.master());
    QVERIFY(!selection.lastSelectedNode());
    selection.selectObjects({a, p1, m, t}, {});
    selection.selectObject(b, 1, -1);
    selection.selectObjects({n, p2, q}, {});

    QCOMPARE(selection.selection(), Objects({a, p1, m, t, b, n, p2, q}));
    QCOMPARE(selection.master(), VaroObjectRef(q));
    QCOMPARE(selection.lastSelectedNode(), b);
    QCOMPARE(selection.lastSelectedMember(), n);
    QCOMPARE(selection.lastSelectedLoad(), LoadRef(q));
    QCOMPARE(selection.lastSelectedPointLoad(), p2);
    QCOMPARE(selection.lastSelectedTrapezoidLoad(), t);
    QCOMPARE(selection.selectedLoads(), QList<LoadRef>({p1, t, p2, q}));
    QCOMPARE(selection.selectedGeometry(), Objects({a, m, b, n}));
    QCOMPARE(selection.selectedLoadsOfSameKind(p2), QList<LoadRef>({p1, p2}));
    QCOMPARE(selection.selectedLoadsOfSameKind(t), QList<LoadRef>({t}));
    QCOMPARE(selection.selectedLoadsOfSameKind(LoadRef()), QList<LoadRef>());

    const Objects within = selection.selectedWithin({a, b, VaroObjectRef(VaroObject::make<Node>()), a});
    QCOMPARE(QSet<VaroObjectRef>(within.begin(), within.end()), QSet<VaroObjectRef>({a, b}));
    QCOMPARE(within.size(), 2);

    // Moving to the end makes the master; moving back restores the order.
    const int old = selection.moveObjectToIndex(a, -1);
    QCOMPARE(selection.master(), VaroObjectRef(a));
    selection.moveObjectToIndex(a, old);
    QCOMPARE(selection.selection(), Objects({a, p1, m, t, b, n, p2, q}));
}

void TestSelection::toggleTwiceRestoresTheList_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("toggled");
    QTest::addColumn<int>("result");

    QTest::newRow("middle selected") << "B" << -1 << "AC" << 1;
    QTest::newRow("master selected") << "C" << 0 << "AB" << 2;
    QTest::newRow("unselected inside") << "X" << 2 << "ABXC" << 2;
}

void TestSelection::toggleTwiceRestoresTheList()
{
    QFETCH(QString, object);
    QFETCH(int, index);
    QFETCH(QString, toggled);

    const Letters l;
    SelectionModel selection;
    selection.selectObjects(l("ABC"), {});
    Signals spy(&selection);

    const int returned = selection.toggleObject(l(object).first(), index);
    QTEST(returned, "result");
    QCOMPARE(selection.selection(), l(toggled));
    QCOMPARE(selection.isObjectSelected(l(object).first()), l(toggled).contains(l(object).first()));
    selection.toggleObject(l(object).first(), returned);
    QCOMPARE(selection.selection(), l("ABC"));
    QVERIFY(spy.countsAre(2));
}

void TestSelection::deselectionUndoRestoresExactOrder_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("deselected");
    QTest::addColumn<QString>("remaining");

    QTest::newRow("two reversed") << "ABCD" << "DB" << "AC";
    QTest::newRow("master and first") << "ABCD" << "DA" << "BC";
    QTest::newRow("one unselected among them") << "ABCD" << "XC" << "ABD";
    QTest::newRow("standing twice, listed once") << "ABACD" << "A" << "ABCD";
    QTest::newRow("standing twice, listed twice") << "ABACD" << "AA" << "BCD";
}

void TestSelection::deselectionUndoRestoresExactOrder()
{
    QFETCH(QString, selected);
    QFETCH(QString, deselected);
    QFETCH(QString, remaining);

    const Letters l;
    SelectionModel selection;
    selection.selectObjects(l(selected), {{l("B").first(), 3}, {l("D").first(), 2}});
    const Objects before = selection.selection();
    const QMap<VaroObjectRef, int> countsBefore = selection.copyCounts();

    // What a deselection records before it runs, and how its undo replays it.
    const QMap<int, VaroObjectRef> positions = selection.selectionIndicesOfObjects(l(deselected));
    const QMap<VaroObjectRef, int> counts = selection.copyCountsOfObjects(l(deselected));
    selection.deselectObjects(l(deselected));
    QCOMPARE(selection.selection(), l(remaining));
    // An object standing twice stays selected until both places are gone.
    for (const VaroObjectRef& object : l("ABCDX"))
        QCOMPARE(selection.isObjectSelected(object), l(remaining).contains(object));
    for (auto it = positions.cbegin(); it != positions.cend(); ++it)
        selection.selectObject(it.value(), counts.value(it.value()), it.key());

    QCOMPARE(selection.selection(), before);
    QCOMPARE(selection.master(), before.last());
    QCOMPARE(selection.copyCounts(), countsBefore);
}

void TestSelection::historySignalsAndMarkedNew()
{
    const Letters l;
    SelectionModel selection;
    Signals spy(&selection);

    selection.deselectAll();
    QVERIFY(spy.countsAre(0));
    selection.selectObjects({}, {});
    selection.deselectObjects({});
    QVERIFY(spy.countsAre(2));
    QVERIFY(selection.getAndClearDeselectionHistory().isEmpty());

    selection.selectObjects(l("ABC"), {});
    selection.markAsNew(l("BC"));
    selection.toggleObject(l("B").first(), -1);
    selection.deselectObject(l("X").first());
    QVERIFY(spy.countsAre(5));
    QCOMPARE(selection.markedNew().size(), 2);
    // The trim signals only when it drops something.
    selection.checkMarkedNew();
    selection.checkMarkedNew();
    QVERIFY(spy.countsAre(6));
    QCOMPARE(selection.markedNew(), QSet<VaroObjectRef>({l("C").first()}));

    selection.deselectAll();
    QVERIFY(spy.countsAre(7));
    QVERIFY(selection.selection().isEmpty());
    QCOMPARE(selection.getAndClearDeselectionHistory(), QSet<VaroObjectRef>({l("A")[0], l("B")[0], l("C")[0]}));
    QVERIFY(selection.getAndClearDeselectionHistory().isEmpty());
}

VARO_TEST_MAIN(TestSelection)
#include "tst_selection.moc"
