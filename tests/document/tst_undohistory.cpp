#include "DocumentTesting.h"

#include "DocumentCommands.h"
#include "LibraryCommands.h"
#include "SelectionCommands.h"
#include "StructureCommands.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>
#include <vector>

namespace {

// Makes random commands of every kind that an action could push, each
// valid for the document as it stands.
class RandomEditor
{
public:
    RandomEditor(DocumentModel* document, quint32 seed) : document(document), random(seed), frame(document)
    {
        groups = {frame.group, GeometryGroupRef(new GeometryGroup("Second"))};
        document->libraries()->groupLibrary()->append(groups[1]);
        sway = SwayCaseRef(new SwayCase("Sway"));
        combination = CombinationRef(new Combination("Combination"));
        loadings = {frame.loading, LoadingRef(new Loading("Live"))};
        for (const LoadCaseRef& loadCase : QList<LoadCaseRef>{loadings[1], sway, combination})
            document->libraries()->loadCaseLibrary()->append(loadCase);
        sectionTypes = {frame.members[0]->sectionType(), SectionTypeRef(new SectionType(CrossSectionRef(), frame.material)),
                        SectionTypeRef()};
        supports = {SupportRef(), SupportRef(new Support("Pinned", 7)), SupportRef(new Support("Fixed", 63))};
    }

    // One step: a single command or a macro of up to three.
    void step()
    {
        const int count = 1 + int(random.bounded(3));
        DocumentWriteGuard guard(document);
        QUndoStack* stack = document->structureUndoStack().data();
        if (count == 1) {
            pushOne(stack);
            return;
        }
        UndoMacroGuard macro(stack, "Random edit");
        for (int i = 0; i < count; ++i)
            pushOne(stack);
    }

private:
    typedef std::function<bool(QUndoStack*)> Maker;

    void pushOne(QUndoStack* stack)
    {
        const std::vector<Maker> makers = allMakers();
        // Some makers find nothing to work on; try others until one pushes.
        while (!makers[random.bounded(quint32(makers.size()))](stack)) {
        }
    }

    int pick(int n) { return int(random.bounded(quint32(n))); }
    bool coin() { return random.bounded(2) == 1; }
    double between(double low, double high) { return low + random.generateDouble() * (high - low); }
    Vector3 anyVector(double size) { return Vector3(between(-size, size), between(-size, size), between(-size, size)); }

    template <class T>
    T any(const QList<T>& list)
    {
        return list.isEmpty() ? T() : list[pick(list.size())];
    }

    template <class T>
    QList<T> someOf(const QList<T>& list)
    {
        QList<T> some;
        for (const T& item : list)
            if (random.bounded(3) == 0)
                some << item;
        if (some.isEmpty() && !list.isEmpty())
            some << any(list);
        return some;
    }

    template <class K, class V>
    QMap<K, V> mapOf(const QList<K>& keys, const std::function<V()>& value)
    {
        QMap<K, V> map;
        for (const K& key : someOf(keys))
            map.insert(key, value());
        return map;
    }

    QSharedPointer<StructureModel> structure() const { return document->structureModel(); }
    QSharedPointer<SelectionModel> selection() const { return document->selectionModel(); }
    QList<NodeRef> nodes() const { return structure()->nodes(); }
    QList<LoadRef> loads() const { return structure()->loads(); }
    QList<MemberRef> members() const
    {
        QList<MemberRef> usable;
        for (const MemberRef& member : structure()->members())
            if (member->length() > 0.01)
                usable << member;
        return usable;
    }

    QList<Load::PositionedForce> randomPairs(const LoadRef& load)
    {
        QList<Load::PositionedForce> pairs;
        double position = 0.0;
        for (int i = 0; i < load->positionedForces().size(); ++i) {
            position = between(position, 1.0);
            pairs << Load::PositionedForce(position, between(-5000, 5000));
        }
        return pairs;
    }

    // A member removed takes its loads along, a node its members, as the
    // delete actions gather them.
    QList<VaroObjectRef> withDependants(const VaroObjectRef& object)
    {
        QList<VaroObjectRef> objects{object};
        QSet<const void*> gone{object.data()};
        for (const MemberRef& member : structure()->members())
            if (gone.contains(member->nodeA().data()) || gone.contains(member->nodeB().data())) {
                objects << member;
                gone << member.data();
            }
        for (const LoadRef& load : loads())
            if (gone.contains(load->member().data()))
                objects << load;
        return objects;
    }

    template <class C>
    bool push(QUndoStack* stack, C* command)
    {
        stack->push(command);
        return true;
    }

    std::vector<Maker> allMakers()
    {
        const QSharedPointer<StructureModel> s = structure();
        const QSharedPointer<Libraries> libraries = document->libraries();
        return {
            [=](QUndoStack* st) {
                return push(st, new CommandMoveNodesBy(s, mapOf<NodeRef, double>(nodes(), [=] { return coin() ? 1.0 : 0.5; }),
                                                       anyVector(2), coin()));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandRotateNodesAroundRay(
                                    s, mapOf<NodeRef, double>(nodes(), [=] { return between(0, 1); }),
                                    Ray3(anyVector(3), anyVector(1)), between(-3, 3)));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandFlipNodesAlongRay(s, someOf(nodes()),
                                                             Ray3(anyVector(3), Vector3(0, 0, 1))));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetNodePositions(
                                    s, mapOf<NodeRef, Vector3>(nodes(), [=] { return anyVector(8); })));
            },
            [=](QUndoStack* st) {
                const MemberRef member = any(members());
                if (!member)
                    return false;
                return push(st, new CommandSetMemberLength(s, member,
                                                           QList<NodeRef>{member->nodeA(), member->nodeB()} +
                                                               someOf(nodes()),
                                                           between(0.5, 8)));
            },
            [=](QUndoStack* st) { return push(st, new CommandSwapMemberEnds(s, someOf(members()))); },
            [=](QUndoStack* st) {
                return push(st, new CommandMoveNodesToGroups(
                                    s, mapOf<NodeRef, GeometryGroupRef>(nodes(), [=] { return any(groups); })));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandMoveMembersToGroups(s, mapOf<MemberRef, GeometryGroupRef>(
                                                                      members(), [=] { return any(groups); })));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandMoveLoadsToLoadCases(
                                    s, mapOf<LoadRef, LoadCaseRef>(loads(), [=] { return LoadCaseRef(any(loadings)); })));
            },
            [=](QUndoStack* st) {
                const LoadAxisRef axis(new LoadAxis(Axis(Vector3(0, 0, 1), NodeRef(), coin(), false)));
                return push(st, new CommandSetLoadAxis(s, mapOf<LoadRef, LoadAxisRef>(loads(), [=] { return axis; })));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetLoadMember(
                                    s, mapOf<LoadRef, MemberRef>(loads(), [=] { return any(members()); })));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetMemberAxis(s, mapOf<MemberRef, MemberAxisRef>(members(), [=] {
                    return MemberAxisRef(new MemberAxis(Axis(Vector3(), any(nodes()), true, false)));
                })));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetMemberPins(s, mapOf<MemberRef, QPair<Dof, Dof> >(members(), [=] {
                    return qMakePair(Dof(coin() ? 15 : 63), Dof(coin() ? 15 : 63));
                })));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetMemberSectionType(s, mapOf<MemberRef, SectionTypeRef>(
                                                                       members(), [=] { return any(sectionTypes); })));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetNodeSupport(
                                    s, mapOf<NodeRef, SupportRef>(nodes(), [=] { return any(supports); })));
            },
            [=](QUndoStack* st) {
                const LoadRef load = any(loads());
                if (!load)
                    return false;
                return push(st, new CommandSetLoadPositionedForceAtAllIndices(s, {{load, randomPairs(load)}}));
            },
            [=](QUndoStack* st) {
                const double start = between(0, 0.9);
                const TrapezoidLoad::Span span(start, between(start + 0.05, 1.0));
                return push(st, new CommandSetTrapezoidLoadsSpan(
                                    s, mapOf<LoadRef, TrapezoidLoad::Span>(loads(), [=] { return span; }), coin()));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetLoadForceAtIndex(
                                    s, mapOf<LoadRef, double>(loads(), [=] { return between(-9000, 9000); }), coin(),
                                    pick(2)));
            },
            [=](QUndoStack* st) {
                // Merged drags keep their handle between its neighbours.
                const bool merge = coin();
                QList<LoadRef> candidates;
                for (const LoadRef& load : loads())
                    if (!merge || load->positionedForces().size() == 1)
                        candidates << load;
                return push(st, new CommandSetLoadPositionAtIndex(
                                    s, mapOf<LoadRef, double>(candidates, [=] { return between(0, 1); }), merge, 0));
            },
            [=](QUndoStack* st) {
                const NodeRef node = nodeAt(between(-5, 5), between(-5, 5));
                const MemberRef member(new Member(any(nodes()), node));
                member->setSectionType(any(sectionTypes));
                return push(st, new CommandAppendObjects(
                                    s, {node, member,
                                        pairsLoad(LoadRef(new TrapezoidLoad(member)), {{0.1, -10}, {0.9, -20}},
                                                  any(loadings))}));
            },
            [=](QUndoStack* st) {
                const QList<VaroObjectRef> everything = s->everything();
                if (everything.isEmpty())
                    return false;
                return push(st, new CommandRemoveObjects(s, withDependants(any(everything))));
            },
            [=](QUndoStack* st) {
                const NodeRef kept = any(nodes()), dropped = any(nodes());
                if (kept == dropped)
                    return false;
                st->push(new CommandConsolidateNodes(s, kept, dropped));
                return push(st, new CommandRemoveObjects(s, {dropped}));
            },
            [=](QUndoStack* st) {
                const MemberRef kept = any(members()), dropped = any(members());
                if (kept == dropped)
                    return false;
                st->push(new CommandConsolidateMembers(s, kept, dropped));
                return push(st, new CommandRemoveObjects(s, {dropped}));
            },
            [=](QUndoStack* st) {
                const LoadRef kept = any(loads()), dropped = any(loads());
                if (kept == dropped)
                    return false;
                st->push(new CommandConsolidateLoads(s, kept, dropped));
                return push(st, new CommandRemoveObjects(s, {dropped}));
            },
            [=](QUndoStack* st) {
                const MemberRef member = any(members());
                if (!member)
                    return false;
                const Vector3 a = member->nodeA()->position(), b = member->nodeB()->position();
                const NodeRef split = nodeAt(0);
                split->setPosition(a + (b - a) * between(0.2, 0.8));
                const MemberRef part(new Member(split, member->nodeB()));
                part->setSectionType(member->sectionType());
                st->push(new CommandAppendObjects(s, {split, part}));
                return push(st, new CommandExplodeMembers(s, {{member, part}}));
            },
            [=](QUndoStack* st) {
                const QList<VaroObjectRef> unselected = selection()->unselectedWithin(s->everything());
                if (unselected.isEmpty())
                    return false;
                const QList<VaroObjectRef> chosen = someOf(unselected);
                return push(st, new CommandSelect(selection(), chosen, {{chosen.first(), 2 + pick(3)}}));
            },
            [=](QUndoStack* st) { return push(st, new CommandDeselect(selection(), someOf(selection()->selection()))); },
            [=](QUndoStack* st) { return push(st, new CommandClearAllSelection(selection())); },
            [=](QUndoStack* st) {
                const VaroObjectRef object = any(s->everything());
                if (!object)
                    return false;
                return push(st, new CommandToggleSelectObject(selection(), object, -1));
            },
            [=](QUndoStack* st) {
                const QList<VaroObjectRef> selected = selection()->selection();
                if (selected.isEmpty())
                    return false;
                return push(st, new CommandMoveSelectedIndex(selection(), any(selected), pick(selected.size()) - 1));
            },
            [=](QUndoStack* st) {
                const QList<VaroObjectRef> selected = selection()->selection();
                return push(st, new CommandSwapSelectedIndices(selection(), any(selected), any(selected)));
            },
            [=](QUndoStack* st) {
                const GeometryGroupRef group(new GeometryGroup("Extra"));
                st->push(new CommandAppendGroup(libraries->groupLibrary(), group));
                // Only what the library holds is removed, as the actions check.
                const GeometryGroupRef removed = any(groups);
                if (libraries->groupLibrary()->geometryGroups().contains(removed))
                    st->push(new CommandRemoveGroup(libraries->groupLibrary(), removed));
                return true;
            },
            [=](QUndoStack* st) {
                st->push(new CommandAppendLoadCase(libraries->loadCaseLibrary(), LoadingRef(new Loading("Extra"))));
                const LoadCaseRef removed = any(loadings);
                if (libraries->loadCaseLibrary()->loadings().contains(removed))
                    st->push(new CommandRemoveLoadCase(libraries->loadCaseLibrary(), removed));
                return true;
            },
            [=](QUndoStack* st) {
                const MaterialRef material(new Material({"Extra"}, 1e9, 0.4e9, 500, 0));
                st->push(new CommandAppendMaterial(libraries->materialLibrary(), material));
                const QSharedPointer<MaterialLibrary> materials = libraries->materialLibrary();
                if (materials->findItemByValue(materials->root(), frame.material))
                    st->push(new CommandRemoveMaterial(materials, frame.material));
                return true;
            },
            [=](QUndoStack* st) {
                const QString name = QString("Name %1").arg(pick(1000));
                st->push(new CommandRenameGroup(libraries->groupLibrary(), any(groups), name));
                st->push(new CommandRenameLoadCase(libraries->loadCaseLibrary(), any(loadings), name));
                return push(st, new CommandRenameMaterial(libraries->materialLibrary(), frame.material, {name}));
            },
            [=](QUndoStack* st) {
                const QColor colour = QColor::fromRgb(random.generate());
                st->push(new CommandSetGeometryGroupColour(libraries->groupLibrary(), any(groups), colour));
                st->push(new CommandSetGeometryGroupAnalysisPurpose(libraries->groupLibrary(), any(groups), coin()));
                return push(st, new CommandSetLoadCaseColour(libraries->loadCaseLibrary(), any(loadings), colour));
            },
            [=](QUndoStack* st) {
                const SuperLoadCaseRef superCase = coin() ? SuperLoadCaseRef(sway) : SuperLoadCaseRef(combination);
                st->push(new CommandSetSuperLoadCaseFactors(
                    libraries->loadCaseLibrary(), superCase,
                    mapOf<LoadCaseRef, double>({loadings[0], loadings[1]}, [=] { return between(-2, 2); })));
                st->push(new CommandSetSwayCaseComponents(libraries->loadCaseLibrary(), sway,
                                                          SwayCase::LoadComponent(pick(3)),
                                                          SwayCase::LoadComponent(pick(3))));
                return push(st,
                            new CommandSetCombinationSecondOrder(libraries->loadCaseLibrary(), combination, coin()));
            },
            [=](QUndoStack* st) {
                return push(st, new CommandSetMaterialProperties(
                                    libraries->materialLibrary(), frame.material,
                                    Material({}, between(1e9, 3e11), between(1e9, 1e11), between(100, 9000), 1e-5)));
            },
            [=](QUndoStack* st) {
                const TitlesRef edited(new Titles);
                edited->setTitle(pick(3), pick(2), QString::number(pick(1000)));
                st->push(new CommandSetTitles(document->titles(), edited));
                return push(st, new CommandSetViewPointMemory(document->viewPointMemory(), pick(8),
                                                              coin() ? ViewPointRef(new ViewPoint) : ViewPointRef()));
            },
        };
    }

    DocumentModel* const document;
    QRandomGenerator random;
    Frame frame;
    QList<GeometryGroupRef> groups;
    QList<LoadingRef> loadings;
    SwayCaseRef sway;
    CombinationRef combination;
    QList<SectionTypeRef> sectionTypes;
    QList<SupportRef> supports;
};

QString differenceAfter(const QSharedPointer<DocumentModel>& document, const DocumentSnapshot& expected)
{
    return DocumentSnapshot(*document).differenceFrom(expected);
}

} // namespace

class TestUndoHistory : public QObject
{
    Q_OBJECT

private slots:
    void undoingEverythingRestoresTheStart_data();
    void undoingEverythingRestoresTheStart();
};

void TestUndoHistory::undoingEverythingRestoresTheStart_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u})
        QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
}

void TestUndoHistory::undoingEverythingRestoresTheStart()
{
    QFETCH(quint32, seed);
    const QSharedPointer<DocumentModel> document = newDocument();
    RandomEditor editor(document.data(), seed);
    QUndoStack* stack = document->structureUndoStack().data();
    const DocumentSnapshot start(*document);

    for (int i = 0; i < 200; ++i)
        editor.step();
    QVERIFY(stack->count() <= stack->undoLimit());
    const DocumentSnapshot end(*document);

    for (int round = 0; round < 2; ++round) {
        while (stack->canUndo())
            stack->undo();
        const QString undone = differenceAfter(document, start);
        QVERIFY2(undone.isEmpty(), qPrintable(undone));
        while (stack->canRedo())
            stack->redo();
        const QString redone = differenceAfter(document, end);
        QVERIFY2(redone.isEmpty(), qPrintable(redone));
    }
}

QTEST_MAIN(TestUndoHistory)
#include "tst_undohistory.moc"
