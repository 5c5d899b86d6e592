#include "DocumentTesting.h"
#include "XmlTesting.h"

#include "DocumentCommands.h"
#include "DocumentXml.h"
#include "LibraryCommands.h"
#include "SelectionCommands.h"
#include "StructureCommands.h"
#include "TestMain.h"

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
        groups = {frame.group, VaroObject::make<GeometryGroup>("Second")};
        document->libraries()->groupLibrary()->append(groups[1]);
        sway = VaroObject::make<SwayCase>("Sway");
        combination = VaroObject::make<Combination>("Combination");
        loadings = {frame.loading, VaroObject::make<Loading>("Live")};
        for (const LoadCaseRef& loadCase : QList<LoadCaseRef>{loadings[1], sway, combination})
            document->libraries()->loadCaseLibrary()->append(loadCase);
        sectionTypes = {frame.members[0]->sectionType(),
                        VaroObject::make<SectionType>(CrossSectionRef(), frame.material), SectionTypeRef()};
        supports = {SupportRef(), VaroObject::make<Support>("Pinned", 7), VaroObject::make<Support>("Fixed", 63)};
    }

    // One undo step: a macro of up to three random edits.
    void step()
    {
        DocumentWriteGuard guard(document);
        UndoHistory* stack = document->structureUndoStack().data();
        UndoMacroGuard macro(stack, "Random edit");
        for (int count = 1 + pick(3); count > 0; --count)
            pushOne(stack);
    }

private:
    typedef std::function<bool(UndoHistory*)> Maker;

    void pushOne(UndoHistory* stack)
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

    bool isNamed(const LoadCaseRef& loadCase) const
    {
        for (const LoadRef& load : loads())
            if (load->loadCase() == loadCase)
                return true;
        return sway->factors().contains(loadCase) || combination->factors().contains(loadCase);
    }

    template <class C>
    bool push(UndoHistory* stack, C* command)
    {
        stack->push(command);
        return true;
    }

    // A command taking a map of some of the keys to new values.
    template <class C, class K, class V>
    bool changeSome(UndoHistory* stack, const QList<K>& keys, const std::function<V()>& value)
    {
        stack->push(new C(structure(), mapOf<K, V>(keys, value)));
        return true;
    }

    // A merge as the consolidation makes it: the dropped object then goes.
    template <class C, class T>
    bool consolidate(UndoHistory* stack, const QList<T>& candidates)
    {
        const T kept = any(candidates), dropped = any(candidates);
        if (kept == dropped)
            return false;
        stack->push(new C(structure(), kept, dropped));
        stack->push(new CommandRemoveObjects(structure(), {dropped}));
        return true;
    }

    std::vector<Maker> allMakers()
    {
        const QSharedPointer<StructureModel> s = structure();
        const QSharedPointer<SelectionModel> sel = selection();
        const QSharedPointer<Libraries> libraries = document->libraries();
        return {
            [=](UndoHistory* st) {
                // A drag: repeated moves of the same nodes, merged when flagged.
                const QMap<NodeRef, double> factors =
                    mapOf<NodeRef, double>(nodes(), [=] { return coin() ? 1.0 : 0.5; });
                const bool merge = coin();
                for (int i = pick(3); i >= 0; --i)
                    st->push(new CommandMoveNodesBy(s, factors, anyVector(2), merge));
                st->push(new CommandRotateNodesAroundRay(s,
                                                         mapOf<NodeRef, double>(nodes(), [=] { return between(0, 1); }),
                                                         Ray3(anyVector(3), anyVector(1)), between(-3, 3)));
                st->push(new CommandFlipNodesAlongRay(s, someOf(nodes()), Ray3(anyVector(3), Vector3(0, 0, 1))));
                return changeSome<CommandSetNodePositions, NodeRef, Vector3>(st, nodes(), [=] { return anyVector(8); });
            },
            [=](UndoHistory* st) {
                const MemberRef member = any(members());
                if (!member)
                    return false;
                const QList<NodeRef> moved = QList<NodeRef>{member->nodeA(), member->nodeB()} + someOf(nodes());
                st->push(new CommandSetMemberLength(s, member, moved, between(0.5, 8)));
                st->push(new CommandSwapMemberEnds(s, someOf(members())));
                return true;
            },
            [=](UndoHistory* st) {
                // Geometry and loads move only into entries the library holds.
                const QList<GeometryGroupRef> heldGroups = libraries->groupLibrary()->geometryGroups();
                const QList<LoadCaseRef> heldLoadings = libraries->loadCaseLibrary()->loadings();
                if (heldGroups.isEmpty() || heldLoadings.isEmpty())
                    return false;
                changeSome<CommandMoveNodesToGroups, NodeRef, GeometryGroupRef>(st, nodes(),
                                                                                [=] { return any(heldGroups); });
                changeSome<CommandMoveMembersToGroups, MemberRef, GeometryGroupRef>(st, members(),
                                                                                    [=] { return any(heldGroups); });
                return changeSome<CommandMoveLoadsToLoadCases, LoadRef, LoadCaseRef>(
                    st, loads(), [=] { return any(heldLoadings); });
            },
            [=](UndoHistory* st) {
                const LoadAxisRef axis(VaroObject::make<LoadAxis>(Axis(Vector3(0, 0, 1), NodeRef(), coin(), false)));
                changeSome<CommandSetLoadAxis, LoadRef, LoadAxisRef>(st, loads(), [=] { return axis; });
                if (members().isEmpty())
                    return true;
                return changeSome<CommandSetLoadMember, LoadRef, MemberRef>(st, loads(),
                                                                            [=] { return any(members()); });
            },
            [=](UndoHistory* st) {
                // Vector axes: an axis towards a node that comes to lie on the
                // member's line leaves its local axes undefined.
                changeSome<CommandSetMemberAxis, MemberRef, MemberAxisRef>(st, members(), [=] {
                    return VaroObject::make<MemberAxis>(Axis(Vector3(0, 0, 1), NodeRef(), true, coin()));
                });
                changeSome<CommandSetMemberPins, MemberRef, QPair<Dof, Dof>>(
                    st, members(), [=] { return qMakePair(Dof(coin() ? 15 : 63), Dof(coin() ? 15 : 63)); });
                changeSome<CommandSetMemberSectionType, MemberRef, SectionTypeRef>(st, members(),
                                                                                   [=] { return any(sectionTypes); });
                return changeSome<CommandSetNodeSupport, NodeRef, SupportRef>(st, nodes(),
                                                                              [=] { return any(supports); });
            },
            [=](UndoHistory* st) {
                const LoadRef load = any(loads());
                if (!load)
                    return false;
                st->push(new CommandSetLoadPositionedForceAtAllIndices(s, {{load, randomPairs(load)}}));
                const double start = between(0, 0.9);
                const TrapezoidLoad::Span span(start, between(start + 0.05, 1.0));
                st->push(new CommandSetTrapezoidLoadsSpan(
                    s, mapOf<LoadRef, TrapezoidLoad::Span>(loads(), [=] { return span; }), coin()));
                return true;
            },
            [=](UndoHistory* st) {
                // Drags of load handles; a merged position drag keeps its
                // handle between its neighbours.
                const QList<LoadRef> dragged = someOf(loads());
                const int index = pick(2);
                const bool merge = coin();
                QList<LoadRef> single;
                for (const LoadRef& load : dragged)
                    if (load->positionedForces().size() == 1)
                        single << load;
                for (int i = pick(3); i >= 0; --i) {
                    st->push(new CommandSetLoadForceAtIndex(
                        s, mapOf<LoadRef, double>(dragged, [=] { return between(-9000, 9000); }), merge, index));
                }
                for (int i = pick(3); i >= 0; --i) {
                    st->push(new CommandSetLoadPositionAtIndex(
                        s, mapOf<LoadRef, double>(merge ? single : dragged, [=] { return between(0, 1); }), merge, 0));
                }
                return true;
            },
            [=](UndoHistory* st) {
                const NodeRef node = nodeAt(between(-5, 5), between(-5, 5));
                const MemberRef member(VaroObject::make<Member>(any(nodes()), node));
                member->setSectionType(any(sectionTypes));
                const LoadRef load =
                    pairsLoad(LoadRef(VaroObject::make<TrapezoidLoad>(member)), {{0.1, -10}, {0.9, -20}}, any(libraries->loadCaseLibrary()->loadings()).objectCast<Loading>());
                st->push(new CommandAppendObjects(s, {node, member, load}));
                const QList<VaroObjectRef> everything = s->everything();
                st->push(new CommandRemoveObjects(s, withDependants(any(everything))));
                return true;
            },
            [=](UndoHistory* st) { return consolidate<CommandConsolidateNodes>(st, nodes()); },
            [=](UndoHistory* st) { return consolidate<CommandConsolidateMembers>(st, members()); },
            [=](UndoHistory* st) { return consolidate<CommandConsolidateLoads>(st, loads()); },
            [=](UndoHistory* st) {
                const MemberRef member = any(members());
                if (!member)
                    return false;
                const Vector3 a = member->nodeA()->position(), b = member->nodeB()->position();
                const Vector3 at = a + (b - a) * between(0.2, 0.8);
                const NodeRef split = nodeAt(at.x(), at.y(), at.z());
                const MemberRef part(VaroObject::make<Member>(split, member->nodeB()));
                // The part continues the member, its far end pin included.
                part->setSectionType(member->sectionType());
                part->setPinAtB(member->pinAtB());
                st->push(new CommandAppendObjects(s, {split, part}));
                return push(st, new CommandExplodeMembers(s, {{member, part}}));
            },
            [=](UndoHistory* st) {
                const QList<VaroObjectRef> unselected = sel->unselectedWithin(s->everything());
                if (unselected.isEmpty())
                    return false;
                const QList<VaroObjectRef> chosen = someOf(unselected);
                st->push(new CommandSelect(sel, chosen, {{chosen.first(), 2 + pick(3)}}));
                st->push(new CommandToggleSelectObject(sel, any(s->everything()), -1));
                return push(st, new CommandDeselect(sel, someOf(sel->selection())));
            },
            [=](UndoHistory* st) {
                const QList<VaroObjectRef> selected = sel->selection();
                if (selected.isEmpty())
                    return push(st, new CommandClearAllSelection(sel));
                st->push(new CommandMoveSelectedIndex(sel, any(selected), pick(selected.size()) - 1));
                return push(st, new CommandSwapSelectedIndices(sel, any(selected), any(selected)));
            },
            // Entries are added, and removed only while the library holds them
            // and nothing uses them, as the actions check.
            [=](UndoHistory* st) {
                st->push(new CommandAppendGroup(libraries->groupLibrary(), GroupRef(VaroObject::make<GeometryGroup>("Extra"))));
                st->push(new CommandAppendLoadCase(libraries->loadCaseLibrary(),
                                                   VaroObject::make<Loading>(QString("Extra %1").arg(++extras))));
                const GeometryGroupRef group = any(groups);
                if (libraries->groupLibrary()->geometryGroups().contains(group) && !document->subOpIsGroupUsed(group))
                    st->push(new CommandRemoveGroup(libraries->groupLibrary(), group));
                const LoadCaseRef loading = any(loadings);
                if (libraries->loadCaseLibrary()->loadings().contains(loading) && !isNamed(loading))
                    st->push(new CommandRemoveLoadCase(libraries->loadCaseLibrary(), loading));
                const QSharedPointer<MaterialLibrary> materials = libraries->materialLibrary();
                if (materials->findItemByValue(materials->root(), frame.material))
                    return push(st, new CommandRemoveMaterial(materials, frame.material));
                return push(st, new CommandAppendMaterial(materials, frame.material));
            },
            [=](UndoHistory* st) {
                const QString name = QString("Name %1").arg(pick(1000));
                const QColor colour = QColor::fromRgb(random.generate());
                st->push(new CommandRenameGroup(libraries->groupLibrary(), any(groups), name));
                st->push(new CommandRenameLoadCase(libraries->loadCaseLibrary(), any(loadings), name));
                st->push(new CommandRenameMaterial(libraries->materialLibrary(), frame.material, {name}));
                st->push(new CommandSetGeometryGroupColour(libraries->groupLibrary(), any(groups), colour));
                st->push(new CommandSetGeometryGroupAnalysisPurpose(libraries->groupLibrary(), any(groups), coin()));
                return push(st, new CommandSetLoadCaseColour(libraries->loadCaseLibrary(), any(loadings), colour));
            },
            [=](UndoHistory* st) {
                const SuperLoadCaseRef superCase = coin() ? SuperLoadCaseRef(sway) : SuperLoadCaseRef(combination);
                // An editor page offers only the cases the library holds.
                const QList<LoadCaseRef> held = libraries->loadCaseLibrary()->loadings();
                st->push(new CommandSetSuperLoadCaseFactors(
                    libraries->loadCaseLibrary(), superCase,
                    mapOf<LoadCaseRef, double>(held, [=] { return between(-2, 2); })));
                st->push(new CommandSetSwayCaseComponents(libraries->loadCaseLibrary(), sway,
                                                          SwayCase::LoadComponent(pick(3)),
                                                          SwayCase::LoadComponent(pick(3))));
                st->push(new CommandSetCombinationSecondOrder(libraries->loadCaseLibrary(), combination, coin()));
                return push(st, new CommandSetMaterialProperties(
                                    libraries->materialLibrary(), frame.material,
                                    Material({}, between(1e9, 3e11), between(1e9, 1e11), between(100, 9000), 1e-5)));
            },
            [=](UndoHistory* st) {
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
    int extras = 0;
};

QString differenceAfter(const QSharedPointer<DocumentModel>& document, const DocumentSnapshot& expected)
{
    return DocumentSnapshot(*document).differenceFrom(expected);
}

QByteArray textOf(const DocumentModel& document)
{
    return DocumentXml::writeContent(&document, nullptr, nullptr);
}

// The text the document saves reads into a new document that saves the
// same text again, ids aside; empty when it does.
QString reopeningDifference(const QByteArray& text)
{
    DocumentModel reopened(QSharedPointer<UnitSystem>::create());
    QString error;
    if (!DocumentXml::readContent(text, &reopened, nullptr, nullptr, &error))
        return "refused: " + error;
    const QString again = withNumberedIds(QString::fromUtf8(textOf(reopened)));
    return again == withNumberedIds(QString::fromUtf8(text)) ? QString() : again;
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
    for (quint32 seed : {1u, 2u, 3u})
        QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
}

void TestUndoHistory::undoingEverythingRestoresTheStart()
{
    QFETCH(quint32, seed);
    const QSharedPointer<DocumentModel> document = newDocument();
    RandomEditor editor(document.data(), seed);
    UndoHistory* stack = document->structureUndoStack().data();

    // The state after every step, and the text it saves: each undo and redo
    // must land on one, and every model saved must open as it was.
    QList<DocumentSnapshot> states{DocumentSnapshot(*document)};
    QList<QByteArray> texts{textOf(*document)};
    for (int i = 0; i < 200; ++i) {
        editor.step();
        states << DocumentSnapshot(*document);
        texts << textOf(*document);
        const QString reopened = reopeningDifference(texts.last());
        QVERIFY2(reopened.isEmpty(), qPrintable(QString("reopening after step %1: %2").arg(i + 1).arg(reopened)));
    }
    QCOMPARE(stack->count(), 200);

    for (int round = 0; round < 2; ++round) {
        for (int i = 200; i > 0; --i) {
            stack->undo();
            const QString undone = differenceAfter(document, states[i - 1]);
            QVERIFY2(undone.isEmpty(), qPrintable(QString("undo of step %1: %2").arg(i).arg(undone)));
            QVERIFY2(textOf(*document) == texts[i - 1], qPrintable(QString("text after undo of step %1").arg(i)));
        }
        for (int i = 1; i <= 200; ++i) {
            stack->redo();
            const QString redone = differenceAfter(document, states[i]);
            QVERIFY2(redone.isEmpty(), qPrintable(QString("redo of step %1: %2").arg(i).arg(redone)));
        }
    }
}

VARO_TEST_MAIN(TestUndoHistory)
#include "tst_undohistory.moc"
