#pragma once

// Helpers shared by the document tests: a small frame to work on, a
// snapshot of everything an undo must restore, loads made in one line, and
// watches of the structure's signals and lock.

#include "DocumentModel.h"

#include "Combination.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "GroupLibrary.h"
#include "Libraries.h"
#include "LoadAxis.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "MaterialLibrary.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "PointLoad.h"
#include "Report.h"
#include "ReportModel.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "Support.h"
#include "SwayCase.h"
#include "Titles.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "UnitSystem.h"
#include "ViewPointMemory.h"

#include <QStringList>
#include <QThread>
#include <QUndoStack>
#include <QVariant>

#include <algorithm>
#include <cmath>

inline QSharedPointer<DocumentModel> newDocument()
{
    return QSharedPointer<DocumentModel>(new DocumentModel(QSharedPointer<UnitSystem>(new UnitSystem)));
}

inline NodeRef nodeAt(double x, double y = 0.0, double z = 0.0)
{
    const NodeRef node(VaroObject::make<Node>());
    node->setPosition(Vector3(x, y, z));
    return node;
}

inline LoadRef pairsLoad(const LoadRef& load, const QList<Load::PositionedForce>& pairs, const LoadCaseRef& loadCase)
{
    load->setPositionedForces(pairs);
    load->setLoadCase(loadCase);
    load->setAxis(VaroObject::make<LoadAxis>(Axis(Vector3(0, -1, 0), NodeRef(), true, false)));
    return load;
}

// A portal: four nodes, three members with section types, a loading with a
// point load, a torque load and a trapezoid load, and a geometry group.
struct Frame
{
    explicit Frame(DocumentModel* document)
    {
        nodes = {nodeAt(0, 0), nodeAt(0, 4), nodeAt(6, 4), nodeAt(6, 0)};
        material = MaterialRef(new Material({"Steel"}, 210e9, 81e9, 7850, 12e-6));
        for (int i = 0; i < 3; ++i) {
            const MemberRef member(VaroObject::make<Member>(nodes[i], nodes[i + 1]));
            member->setSectionType(VaroObject::make<SectionType>(CrossSectionRef(), material));
            members.append(member);
        }
        group = VaroObject::make<GeometryGroup>("Frame");
        loading = VaroObject::make<Loading>("Dead");
        loads = {pairsLoad(LoadRef(VaroObject::make<PointLoad>(members[1])), {{0.25, -1000}}, loading),
                 pairsLoad(LoadRef(VaroObject::make<TorqueLoad>(members[0])), {{0.5, 200}}, loading),
                 pairsLoad(LoadRef(VaroObject::make<TrapezoidLoad>(members[1])), {{0.2, -500}, {0.8, -700}}, loading)};

        const QSharedPointer<Libraries> libraries = document->libraries();
        libraries->groupLibrary()->append(group);
        libraries->loadCaseLibrary()->append(loading);
        libraries->materialLibrary()->appendCustom(material);
        QList<VaroObjectRef> objects;
        for (const NodeRef& node : nodes)
            objects << node;
        for (const MemberRef& member : members)
            objects << member;
        for (const LoadRef& load : loads)
            objects << load;
        document->structureModel()->appendObjects(objects);
    }

    QList<NodeRef> nodes;
    QList<MemberRef> members;
    QList<LoadRef> loads;
    MaterialRef material;
    GeometryGroupRef group;
    LoadingRef loading;
};

// Everything an undo must restore, keyed by object identity. The lists of
// the structure and the libraries are compared as sets, since an entry put
// back goes to the end of its list; the selection is compared in order.
class DocumentSnapshot
{
public:
    explicit DocumentSnapshot(const DocumentModel& document)
    {
        const QSharedPointer<StructureModel> structure = document.structureModel();
        for (const NodeRef& node : structure->nodes())
            add(node.data(), {"node", node->position().x(), node->position().y(), node->position().z(),
                              id(node->support().data()), id(node->group().data())});
        for (const MemberRef& member : structure->members())
            add(member.data(), QVariantList{"member", id(member->nodeA().data()), id(member->nodeB().data())} +
                                   axisFields(member->axis().data()) +
                                   QVariantList{id(member->sectionType().data()), id(member->group().data()),
                                                member->pinAtA(), member->pinAtB()});
        for (const LoadRef& load : structure->loads()) {
            QVariantList fields = QVariantList{"load", id(load->member().data()), id(load->loadCase().data())} +
                                  axisFields(load->axis().data());
            for (const Load::PositionedForce& pair : load->positionedForces())
                fields << pair.first << pair.second;
            add(load.data(), fields);
        }

        const QSharedPointer<SelectionModel> selection = document.selectionModel();
        QVariantList selected{"selection"};
        for (const VaroObjectRef& object : selection->selection())
            selected << id(object.data()) << selection->copyCountsOfObjects({object}).value(object);
        entries.insert("selection", selected);

        const QSharedPointer<Libraries> libraries = document.libraries();
        for (const GeometryGroupRef& group : libraries->groupLibrary()->geometryGroups())
            add(group.data(), {"group", group->name(), group->colour().rgba(), group->purpose()});
        for (const LoadCaseRef& loadCase : document.loadCases())
            add(loadCase.data(), loadCaseFields(loadCase));
        const QSharedPointer<MaterialLibrary> materials = libraries->materialLibrary();
        for (int branch = 0; branch < 2; ++branch)
            for (const MaterialRef& material : materials->valuesOf(materials->root()->subnode(branch)))
                add(material.data(), {"material", material->names(), material->cte(), material->density(),
                                      material->youngsModulus(), material->shearModulus()});

        QVariantList titles{"titles", document.titles()->note()};
        for (const Titles::Line& line : document.titles()->lines())
            titles << line.first << line.second;
        entries.insert("titles", titles);

        QVariantList viewPoints{"viewpoints"};
        const QMap<int, ViewPointRef> stored = document.viewPointMemory()->values();
        for (auto i = stored.cbegin(); i != stored.cend(); ++i)
            viewPoints << i.key() << id(i.value().data());
        entries.insert("viewpoints", viewPoints);

        QVariantList reports{"reports"};
        for (const ReportRef& report : document.reportModel()->reports()) {
            reports << id(report.data());
            for (const Report::ReportItemRef& item : report->rootBlock()->items())
                reports << id(item.data());
            for (const LoadCaseRef& loadCase : report->rootBlock()->loadCases())
                reports << id(loadCase.data());
        }
        entries.insert("reports", reports);
    }

    // Empty when equal; otherwise what differs first. Numbers are equal within
    // rounding, as moves undo by subtraction.
    QString differenceFrom(const DocumentSnapshot& other) const
    {
        for (const QString& key : entries.keys() + other.entries.keys())
            if (!equal(entries.value(key), other.entries.value(key)))
                return QString("%1: %2 / %3").arg(key, text(entries.value(key)), text(other.entries.value(key)));
        return QString();
    }

private:
    static QString id(const void* object) { return object ? QString::number(quintptr(object), 16) : "null"; }

    // Axes are compared by what they say: a merge of nodes gives a member a
    // new axis object each time it runs.
    static QVariantList axisFields(const NamedAxis* axis)
    {
        if (!axis)
            return {"no axis"};
        const Axis& a = axis->axis();
        return {axis->name(),        a.vector().x(), a.vector().y(),  a.vector().z(),
                id(a.node().data()), a.isGlobal(),   a.isOrthogonal()};
    }

    static QVariantList loadCaseFields(const LoadCaseRef& loadCase)
    {
        QVariantList fields{"loadcase", loadCase->name(), loadCase->colour().rgba()};
        if (const SuperLoadCaseRef superCase = loadCase.objectCast<SuperLoadCase>()) {
            const QMap<LoadCaseRef, double> factors = superCase->factors();
            for (auto i = factors.cbegin(); i != factors.cend(); ++i)
                fields << id(i.key().data()) << i.value();
        }
        if (const CombinationRef combination = loadCase.objectCast<Combination>())
            fields << combination->isSecondOrder();
        if (const SwayCaseRef sway = loadCase.objectCast<SwayCase>())
            fields << int(sway->takeComponent()) << int(sway->applyComponent());
        if (const GravityCaseRef gravity = loadCase.objectCast<GravityCase>())
            fields << gravity->acceleration();
        return fields;
    }

    void add(const void* object, const QVariantList& fields) { entries.insert(id(object), fields); }

    static bool equal(const QVariantList& a, const QVariantList& b)
    {
        if (a.size() != b.size())
            return false;
        for (int i = 0; i < a.size(); ++i) {
            if (a[i].type() == QVariant::Double && b[i].type() == QVariant::Double) {
                const double x = a[i].toDouble(), y = b[i].toDouble();
                if (std::fabs(x - y) > 1e-9 * std::max({1.0, std::fabs(x), std::fabs(y)}))
                    return false;
            } else if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }

    static QString text(const QVariantList& fields)
    {
        QStringList parts;
        for (const QVariant& field : fields)
            parts << field.toString();
        return "(" + parts.join(", ") + ")";
    }

    QMap<QString, QVariantList> entries;
};

// Pushes a command the way an action does: counted, under the write lock.
inline void pushCommand(DocumentModel* document, QUndoCommand* command)
{
    DocumentWriteGuard guard(document);
    document->structureUndoStack()->push(command);
}

inline QSharedPointer<PointLoad> pointLoad(const MemberRef& member, double position, double force)
{
    QSharedPointer<PointLoad> load(VaroObject::make<PointLoad>(member));
    load->setPositionedForces({Load::PositionedForce(position, force)});
    return load;
}

inline QSharedPointer<TorqueLoad> torqueLoad(const MemberRef& member, double position, double torque)
{
    QSharedPointer<TorqueLoad> load(VaroObject::make<TorqueLoad>(member));
    load->setPositionedForces({Load::PositionedForce(position, torque)});
    return load;
}

inline QSharedPointer<TrapezoidLoad> trapezoidLoad(const MemberRef& member, double a, double fA, double b, double fB)
{
    QSharedPointer<TrapezoidLoad> load(VaroObject::make<TrapezoidLoad>(member));
    load->setPositionedForces({Load::PositionedForce(a, fA), Load::PositionedForce(b, fB)});
    return load;
}

// Pairs equal in number, positions within 1e-12 and forces within 1e-12
// relative.
inline bool nearPairs(const QList<Load::PositionedForce>& a, const QList<Load::PositionedForce>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (!(std::fabs(a[i].first - b[i].first) <= 1e-12)
            || !(std::fabs(a[i].second - b[i].second) <= 1e-12 * std::max(1.0, std::fabs(b[i].second))))
            return false;
    return true;
}

// Tells from inside an operation whether the structure's write lock is held:
// a reader started on another thread must not get in within a short wait.
// The readers are joined when the probe goes.
class LockProbe
{
public:
    explicit LockProbe(StructureModel* model) : model(model) {}
    ~LockProbe()
    {
        for (QThread* thread : qAsConst(readers)) {
            thread->wait();
            delete thread;
        }
    }
    LockProbe(const LockProbe&) = delete;
    LockProbe& operator=(const LockProbe&) = delete;

    bool readerIsKeptOut()
    {
        QThread* reader = QThread::create([this] { model->nodes(); });
        readers.append(reader);
        reader->start();
        return !reader->wait(20);
    }

private:
    StructureModel* model;
    QList<QThread*> readers;
};

// Counts the structure signals, and how many of them came while a reader
// was kept out by the write lock.
class SignalWatch
{
public:
    explicit SignalWatch(StructureModel* model, bool probeLock = false) : probe(model)
    {
        QObject::connect(model, &StructureModel::StructureWillChange, [this, probeLock] {
            ++will;
            if (probeLock && probe.readerIsKeptOut())
                ++lockedWill;
        });
        QObject::connect(model, &StructureModel::StructureHasChanged, [this, probeLock] {
            ++has;
            if (probeLock && probe.readerIsKeptOut())
                ++lockedHas;
        });
    }

    LockProbe probe;
    int will = 0;
    int has = 0;
    int lockedWill = 0;
    int lockedHas = 0;
};

struct Counters
{
    explicit Counters(const StructureModel& m)
        : loading(m.loadingCounter()), stiffness(m.stiffnessCounter()), topology(m.topologyCounter())
    {
    }
    int loading;
    int stiffness;
    int topology;
};
