#include "DocumentModel.h"

#include "AnalysisDisposal.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "GroupLibrary.h"
#include "Libraries.h"
#include "Load.h"
#include "LoadCaseExpansion.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "Material.h"
#include "MaterialLibrary.h"
#include "Member.h"
#include "Node.h"
#include "Report.h"
#include "ReportModel.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "SingleEmitter.h"
#include "StructureModel.h"
#include "SuperLoadCase.h"
#include "Titles.h"
#include "TreeNode.h"
#include "UndoHistory.h"
#include "UnitSystem.h"
#include "Vectors.h"
#include "ViewPointMemory.h"
#include "VisualConstants.h"

#include <QHash>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const int undoLimit = 256;

// The larger of the two; when the first is not a number, the second.
double larger(double a, double b)
{
    return a > b ? a : b;
}

// The SI value of ten preferred units: a result at its largest value is
// drawn ten units long.
double tenUnits(const QSharedPointer<UnitSystem>& units, UnitSystem::Conversion conversion)
{
    return units ? units->convertPreferredToSI(10.0, conversion) : 0.0;
}

// A node or member without a group is in the null group.
template <class T>
bool isInGroup(const QSharedPointer<T>& object, const GroupRef& group)
{
    return object && object->group().data() == group.data();
}

// Everything for the null group; nothing for a group that holds no geometry.
template <class T>
QList<QSharedPointer<T>> inGroup(const QList<QSharedPointer<T>>& objects, const GroupRef& group)
{
    if (!group)
        return objects;
    QList<QSharedPointer<T>> found;
    if (group.objectCast<GeometryGroup>())
        for (const QSharedPointer<T>& object : objects)
            if (isInGroup(object, group))
                found.append(object);
    return found;
}

bool isDefaultGravity(const LoadCaseRef& loadCase)
{
    const QSharedPointer<GravityCase> gravity = loadCase.objectCast<GravityCase>();
    if (!gravity)
        return false;
    const Axis& axis = gravity->axis();
    return axis.isGlobal() && !axis.isOrthogonal() && !axis.node() && axis.vector() == Vector3(0, 1, 0) &&
           fuzzyEqual(gravity->acceleration(), 9.81);
}

} // namespace

DocumentModel::AnalysisFactory DocumentModel::_analysisFactory;

void DocumentModel::setAnalysisFactory(const AnalysisFactory& factory)
{
    _analysisFactory = factory;
}

DocumentModel::DocumentModel(const QSharedPointer<UnitSystem>& unitSystem,
                             const QSharedPointer<SectionLibrary>& sharedSections)
    : QObject(nullptr)
{
    reportsRelay = new SingleEmitter(this);
    selectionRelay = new SingleEmitter(this);
    structureRelay = new SingleEmitter(this);
    titlesRelay = new SingleEmitter(this);

    libraryParts.reset(new Libraries(sharedSections));
    reports.reset(new ReportModel);
    selection.reset(new SelectionModel);
    structure.reset(new StructureModel);
    core.reset(new DocumentCore(libraryParts, structure));
    titleBlock.reset(new Titles);
    structureUndo.reset(new UndoHistory);
    reportUndo.reset(new UndoHistory);
    units = unitSystem;
    viewPoints.reset(new ViewPointMemory);

    // Whatever thread lets go of a model object last, it goes in this one.
    VaroObject::setHandBack(&AnalysisDisposal::handBack);
    if (_analysisFactory) {
        analysis = _analysisFactory(this);
        analysisLink = dynamic_cast<AnalysisLink*>(analysis.data());
    }

    structureUndo->setUndoLimit(undoLimit);
    reportUndo->setUndoLimit(undoLimit);

    connectParts();
    startAnalysis();
}

// The model's objects live in the GUI thread and go there, after the
// analysis that may still hold some of them, a slice between two events, so
// that the windows that stay answer meanwhile; with them goes all else that
// holds them (AnalysisDisposal says who lets go of what, and where).
// Without analysis or history, a model of a slice or less goes at once.
DocumentModel::~DocumentModel()
{
    QSharedPointer<QObject> ending = stopAnalysis();
    // Counted without a copy: a library may hold a million load cases.
    int objects = structure->loads().size() + structure->members().size() + structure->nodes().size();
    const TreeNodeRef loadCases = libraryParts->loadCaseLibrary()->root();
    for (int i = 0; i < loadCases->subnodeCount(); ++i)
        objects += loadCases->subnode(i)->subnodeCount();
    if (ending || objects > AnalysisDisposal::objectsPerSlice || structureUndo->count() > 0 || reportUndo->count() > 0)
        AnalysisDisposal::keep(std::move(ending),
                               DocumentCore::takingApart(core, {structureUndo, reportUndo, selection, reports, structure},
                                                         AnalysisDisposal::objectsPerSlice));
}

void DocumentModel::connectParts()
{
    connect(reports.data(), &ReportModel::ReportsHaveChanged, reportsRelay, &SingleEmitter::trigger);
    connect(selection.data(), &SelectionModel::SelectionHasChanged, selectionRelay, &SingleEmitter::trigger);
    connect(structure.data(), &StructureModel::StructureHasChanged, structureRelay, &SingleEmitter::trigger);
    connect(titleBlock.data(), &Titles::TitlesHaveChanged, titlesRelay, &SingleEmitter::trigger);

    // Only these three libraries feed the analysis.
    connect(libraryParts->groupLibrary().data(), &TreeLibrary_base::Changed, this, &DocumentModel::stampChangeToGroup);
    connect(libraryParts->loadCaseLibrary().data(), &TreeLibrary_base::Changed, this,
            &DocumentModel::stampChangeToLoadCase);
    connect(libraryParts->materialLibrary().data(), &TreeLibrary_base::Changed, this,
            &DocumentModel::stampChangeToStiffness);

    connect(reportsRelay, &SingleEmitter::triggered, this, &DocumentModel::ReportsHaveChanged);
    connect(selectionRelay, &SingleEmitter::triggered, this, &DocumentModel::SelectionHasChanged);
    connect(selectionRelay, &SingleEmitter::triggered, selection.data(), &SelectionModel::checkMarkedNew);
    connect(structureRelay, &SingleEmitter::triggered, this, &DocumentModel::StructureHasChanged);
    connect(titlesRelay, &SingleEmitter::triggered, this, &DocumentModel::TitlesHaveChanged);

    for (UndoHistory* stack : {structureUndo.data(), reportUndo.data()}) {
        connect(stack, &QUndoStack::canRedoChanged, this, &DocumentModel::CanRedoChanged);
        connect(stack, &QUndoStack::canUndoChanged, this, &DocumentModel::CanUndoChanged);
        connect(stack, &QUndoStack::cleanChanged, this, &DocumentModel::ModifiedStateHasChanged);
    }
}

void DocumentModel::startAnalysis()
{
    QThread* thread = qobject_cast<QThread*>(analysis.data());
    if (!thread || !analysisLink)
        return;

    // Connected before the start, so that not even the first signal or an
    // ending at once is missed. The analysis signals from its own thread with
    // its state lock held.
    const QMetaObject* meta = analysis->metaObject();
    const struct
    {
        const char* from;
        const char* to;
    } relays[] = {{SIGNAL(OperatingStateChanged()), SIGNAL(AnalysisOperatingStateHasChanged())},
                  {SIGNAL(OutputChanged()), SIGNAL(AnalysisOutputHasChanged())},
                  {SIGNAL(StatusChanged()), SIGNAL(AnalysisStatusHasChanged())}};
    for (const auto& relay : relays)
        if (meta->indexOfSignal(QMetaObject::normalizedSignature(relay.from + 1)) >= 0)
            connect(analysis.data(), relay.from, this, relay.to, Qt::QueuedConnection);
    connect(thread, &QThread::finished, this, &DocumentModel::AnalysisHasCrashed, Qt::QueuedConnection);
    AnalysisDisposal::watch(thread);

    // Below the GUI's priority where the analysis would compete for its core.
    const int cores = QThread::idealThreadCount();
    thread->start(cores < 2 ? QThread::LowestPriority : cores == 2 ? QThread::LowPriority : QThread::InheritPriority);
}

// The analysis shares the core it reads, so the document need not wait for
// it: it is asked to end and finishes by itself, however long its step, and
// what it holds is freed elsewhere.
QSharedPointer<QObject> DocumentModel::stopAnalysis()
{
    if (!qobject_cast<QThread*>(analysis.data()) || !analysisLink)
        return {};
    // An ending we asked for is no crash.
    disconnect(analysis.data(), nullptr, this, nullptr);
    analysisLink->stop();
    analysisLink = nullptr;
    return std::move(analysis);
}

void DocumentModel::stampChangeToGroup()
{
    core->stampGroups();
    structureRelay->trigger();
}

void DocumentModel::stampChangeToLoadCase()
{
    core->stampLoadCases();
    structureRelay->trigger();
}

void DocumentModel::stampChangeToStiffness()
{
    core->stampStiffness();
    structureRelay->trigger();
}

AnalysisLink::OperatingState DocumentModel::analysisOperatingState() const
{
    return analysisLink ? analysisLink->operatingState() : AnalysisLink::OffLine;
}

QSharedPointer<AnalysisOutput> DocumentModel::analysisOutput() const
{
    return analysisLink ? analysisLink->output() : QSharedPointer<AnalysisOutput>();
}

QString DocumentModel::analysisStatusMessage() const
{
    return analysisLink ? analysisLink->statusMessage() : QStringLiteral("Analysis unavailable");
}

VaroObjectRef DocumentModel::analysisStatusObject() const
{
    return analysisLink ? analysisLink->statusObject() : VaroObjectRef();
}

void DocumentModel::setFileName(const QString& path, const QString& leafName)
{
    // Counted as pending like any edit, so that an analysis reading the
    // document at length lets it in rather than keep the window waiting.
    const DocumentWriteGuard guard(this);
    if (path == pathName)
        return;
    pathName = path;
    leafNameText = leafName;
    emit FileNameHasChanged(path, leafName);
}

QString DocumentModel::leafName(bool withSuffix) const
{
    const int dot = leafNameText.lastIndexOf(QLatin1Char('.'));
    if (withSuffix || dot < 0)
        return leafNameText;
    return leafNameText.left(dot);
}

QString DocumentModel::leafNameSuffix() const
{
    return leafNameText.mid(leafNameText.lastIndexOf(QLatin1Char('.')) + 1);
}

bool DocumentModel::isModified() const
{
    return !structureUndo->isClean() || !reportUndo->isClean();
}

void DocumentModel::clearModifiedState()
{
    structureUndo->setClean();
    reportUndo->setClean();
}

// ---- Queries

QList<LoadRef> DocumentModel::loadsInLoadCase(const LoadCaseRef& loadCase) const
{
    TrackedReadLocker locker(documentLock());
    return subOpLoadsInLoadCase(loadCase);
}

QList<LoadRef> DocumentModel::subOpLoadsInLoadCase(const LoadCaseRef& loadCase) const
{
    return expandLoadCase(loadCase, structure->members(), structure->loads());
}

LoadCaseRef DocumentModel::loadCaseShownFor(const LoadCaseRef& shown) const
{
    TrackedReadLocker locker(documentLock());
    if (subOpLoadCases().contains(shown))
        return shown;
    const QSharedPointer<LoadCaseLibrary> library =
        libraryParts ? libraryParts->loadCaseLibrary() : QSharedPointer<LoadCaseLibrary>();
    return library ? library->loadings().value(0) : LoadCaseRef();
}

QList<GeometryGroupRef> DocumentModel::groups() const
{
    TrackedReadLocker locker(documentLock());
    return subOpGroups();
}

QList<GeometryGroupRef> DocumentModel::subOpGroups() const
{
    const QSharedPointer<GroupLibrary> library =
        libraryParts ? libraryParts->groupLibrary() : QSharedPointer<GroupLibrary>();
    return library ? library->geometryGroups() : QList<GeometryGroupRef>();
}

QList<GeometryGroupRef> DocumentModel::usedGroups() const
{
    TrackedReadLocker locker(documentLock());
    QList<GeometryGroupRef> used;
    for (const GeometryGroupRef& group : subOpGroups())
        if (subOpIsGroupUsed(group))
            used.append(group);
    return used;
}

namespace {

// Whether load cases are used, each case worked out once however many cases
// hold it. A super load case is used when every component has a factor that
// is not near zero and is used itself; one that reaches itself is not, and
// neither is any case that holds it. The walk keeps its own stack, so a
// chain of cases costs no call depth.
class LoadCaseUse
{
public:
    explicit LoadCaseUse(const StructureModel& structure) : structure(structure) {}

    bool isUsed(const LoadCaseRef& loadCase)
    {
        const auto found = known.constFind(loadCase.data());
        if (found != known.constEnd())
            return found.value();
        const SuperLoadCaseRef top = loadCase.objectCast<SuperLoadCase>();
        if (!top)
            return known[loadCase.data()] = isOwnUsed(loadCase);
        struct Open
        {
            SuperLoadCaseRef superCase;
            QList<LoadCaseRef> components;
            int next;
        };
        std::vector<Open> stack;
        QSet<const LoadCase*> open;
        const auto enter = [&](const SuperLoadCaseRef& superCase) {
            stack.push_back({superCase, superCase->factors().keys(), 0});
            open.insert(superCase.data());
        };
        enter(top);
        while (!stack.empty()) {
            Open& at = stack.back();
            if (at.components.isEmpty())
                break;
            if (at.next == at.components.size()) {
                known.insert(at.superCase.data(), true);
                open.remove(at.superCase.data());
                stack.pop_back();
                continue;
            }
            const LoadCaseRef component = at.components.at(at.next++);
            if (std::fabs(at.superCase->factorForLoadCase(component)) < nearZeroMagnitude)
                break;
            const auto settled = known.constFind(component.data());
            if (settled != known.constEnd()) {
                if (!settled.value())
                    break;
                continue;
            }
            if (open.contains(component.data()))
                break;
            if (const SuperLoadCaseRef below = component.objectCast<SuperLoadCase>()) {
                enter(below);
                continue;
            }
            const bool used = known[component.data()] = isOwnUsed(component);
            if (!used)
                break;
        }
        // What failed leaves every case that holds it unused.
        for (const Open& unused : stack)
            known.insert(unused.superCase.data(), false);
        return known.value(top.data());
    }

private:
    // A loading with a load, a gravity case over members that all have a section type.
    bool isOwnUsed(const LoadCaseRef& loadCase) const
    {
        if (loadCase.objectCast<Loading>()) {
            for (const LoadRef& load : structure.loads())
                if (load->loadCase() == loadCase)
                    return true;
            return false;
        }
        if (loadCase.objectCast<GravityCase>()) {
            for (const MemberRef& member : structure.members())
                if (!member->sectionType())
                    return false;
            return true;
        }
        return false;
    }

    const StructureModel& structure;
    QHash<const LoadCase*, bool> known;
};

} // namespace

QList<LoadCaseRef> DocumentModel::usedLoadCases() const
{
    TrackedReadLocker locker(documentLock());
    QList<LoadCaseRef> used;
    LoadCaseUse use(*structure);
    for (const LoadCaseRef& loadCase : subOpLoadCases())
        if (use.isUsed(loadCase))
            used.append(loadCase);
    return used;
}

bool DocumentModel::isGroupUsed(const GroupRef& group) const
{
    TrackedReadLocker locker(documentLock());
    return subOpIsGroupUsed(group);
}

bool DocumentModel::subOpIsGroupUsed(const GroupRef& group) const
{
    const GeometryGroupRef geometryGroup = group.objectCast<GeometryGroup>();
    if (!geometryGroup)
        return false;
    for (const MemberRef& member : structure->members())
        if (member->group() == geometryGroup)
            return true;
    for (const NodeRef& node : structure->nodes())
        if (node->group() == geometryGroup)
            return true;
    return false;
}

bool DocumentModel::isLoadCaseUsed(const LoadCaseRef& loadCase) const
{
    TrackedReadLocker locker(documentLock());
    return subOpIsLoadCaseUsed(loadCase);
}

bool DocumentModel::subOpIsLoadCaseUsed(const LoadCaseRef& loadCase) const
{
    return LoadCaseUse(*structure).isUsed(loadCase);
}

bool DocumentModel::isLoadCaseReferenced(const LoadCaseRef& loadCase) const
{
    TrackedReadLocker locker(documentLock());
    return subOpIsLoadCaseReferenced(loadCase);
}

bool DocumentModel::subOpIsLoadCaseReferenced(const LoadCaseRef& loadCase) const
{
    for (const LoadRef& load : structure->loads())
        if (load->loadCase() == loadCase)
            return true;
    // A report that lists the case would otherwise name a case the file no
    // longer holds.
    for (const ReportRef& report : reports->reports())
        if (report->references().contains(loadCase))
            return true;
    const QSharedPointer<LoadCaseLibrary> library = libraryParts->loadCaseLibrary();
    for (const LoadCaseRef& superCase : library->swayCases() + library->combinations())
        if (superCase.staticCast<SuperLoadCase>()->factors().contains(loadCase))
            return true;
    return false;
}

bool DocumentModel::isMaterialUsed(const MaterialRef& material) const
{
    TrackedReadLocker locker(documentLock());
    return subOpIsMaterialUsed(material);
}

bool DocumentModel::subOpIsMaterialUsed(const MaterialRef& material) const
{
    return material && !structure->membersUsingMaterial(material).isEmpty();
}

QList<MemberRef> DocumentModel::membersInGroup(const GroupRef& group) const
{
    TrackedReadLocker locker(documentLock());
    return subOpMembersInGroup(group);
}

QList<MemberRef> DocumentModel::subOpMembersInGroup(const GroupRef& group) const
{
    return inGroup(structure->members(), group);
}

QList<NodeRef> DocumentModel::nodesInGroup(const GroupRef& group) const
{
    TrackedReadLocker locker(documentLock());
    return subOpNodesInGroup(group);
}

QList<NodeRef> DocumentModel::subOpNodesInGroup(const GroupRef& group) const
{
    return inGroup(structure->nodes(), group);
}

bool DocumentModel::isMemberInGroup(const MemberRef& member, const GroupRef& group)
{
    return isInGroup(member, group);
}

bool DocumentModel::isNodeInGroup(const NodeRef& node, const GroupRef& group)
{
    return isInGroup(node, group);
}

bool DocumentModel::isLoadInLoadCase(const LoadRef& load, const LoadCaseRef& loadCase)
{
    if (!load)
        return false;
    if (const SuperLoadCaseRef superCase = loadCase.objectCast<SuperLoadCase>())
        return superCase->factors().contains(load->loadCase());
    return load->loadCase() == loadCase;
}

NodeRef DocumentModel::nearestNode(const Vector3& point) const
{
    NodeRef nearest;
    double best = 3.40282347e38;
    for (const NodeRef& node : structure->nodes()) {
        const double distance = (node->position() - point).length();
        if (distance < best) {
            best = distance;
            nearest = node;
        }
    }
    return nearest;
}

MemberRef DocumentModel::nearestMember(const Vector3& point) const
{
    MemberRef nearest;
    double best = 3.40282347e38;
    for (const MemberRef& member : structure->members()) {
        const double distance = member->distanceToPosition(point);
        if (distance < best) {
            best = distance;
            nearest = member;
        }
    }
    return nearest;
}

Vector4 DocumentModel::centroidOfNodes() const
{
    return centroidOfNodes(structure->nodes());
}

Vector4 DocumentModel::centroidOfNodes(const QList<NodeRef>& nodes)
{
    Vector3 centre;
    for (const NodeRef& node : nodes)
        centre += node->position();
    if (!nodes.isEmpty())
        centre = centre / nodes.size();
    double radiusSquared = 1.0;
    for (const NodeRef& node : nodes)
        radiusSquared = std::max(radiusSquared, (node->position() - centre).lengthSquared());
    return Vector4(centre.x(), centre.y(), centre.z(), std::sqrt(radiusSquared));
}

Vector6 DocumentModel::scaleForMemberForces(const Vector6& memberForceScales, const QSharedPointer<UnitSystem>& units)
{
    const double force = tenUnits(units, UnitSystem::ShearForce);
    const double moment = tenUnits(units, UnitSystem::BendingMoment);
    Vector6 scales;
    for (int i = 0; i < 6; ++i)
        scales[i] = (i < 3 ? force : moment) * memberForceScales[i];
    return scales;
}

Vector6 DocumentModel::scaleForGlobalDisplacements(const Vector6& globalDisplacementScales,
                                                   const QSharedPointer<UnitSystem>& units)
{
    const double s = larger(tenUnits(units, UnitSystem::Distance), tenUnits(units, UnitSystem::Rotation));
    Vector6 scales;
    for (int i = 0; i < 6; ++i)
        scales[i] = s * globalDisplacementScales[i];
    return scales;
}

Vector3 DocumentModel::scaleForLocalDeflections(const Vector3& localDeflectionScales,
                                                const QSharedPointer<UnitSystem>& units)
{
    const double s = larger(tenUnits(units, UnitSystem::Distance), tenUnits(units, UnitSystem::Rotation));
    return localDeflectionScales * s;
}

Vector6 DocumentModel::scaleForReactions(const Vector6& reactionScales, const QSharedPointer<UnitSystem>& units)
{
    const double r = larger(tenUnits(units, UnitSystem::ReactionForce), tenUnits(units, UnitSystem::ReactionTorque));
    Vector6 scales;
    for (int i = 0; i < 6; ++i)
        scales[i] = r * reactionScales[i];
    return scales;
}

double DocumentModel::scaleForStress(double stressScale, const QSharedPointer<UnitSystem>& units)
{
    return tenUnits(units, UnitSystem::BendingStress) * stressScale;
}

// ---- Library consolidation and defaults

namespace {

// The four numbers of a material as they are stored, the shear modulus last:
// materials of the very same names and values always find the same one to
// stand for them.
QByteArray exactValues(const Material& material)
{
    const double values[] = {material.cte(), material.density(), material.youngsModulus(), material.shearModulus()};
    return QByteArray(reinterpret_cast<const char*>(values), int(sizeof values));
}

// Values equal within the relative tolerance lie in the same or neighbouring
// cells: a cell spans 2^-19 of a binary order of magnitude, more than the
// tolerance of 2^-20. The values near zero, all equal, share the cell just
// below that of the least value that is not, its only neighbour among them.
qint64 cellOf(double value)
{
    static const qint64 nearZeroCell = qint64(std::log2(nearZeroMagnitude) * 0x1p19) - 1;
    return isNearZero(value) ? nearZeroCell : qint64(std::floor(std::log2(std::fabs(value)) * 0x1p19));
}

// The cells of a material's four values, the shear modulus last; a key held
// in place, so that looking up a cell allocates nothing.
struct MaterialCells
{
    std::array<qint64, 4> at{};
    bool operator==(const MaterialCells& other) const { return at == other.at; }
};

uint qHash(const MaterialCells& cells, uint seed = 0)
{
    return qHashBits(cells.at.data(), sizeof cells.at, seed);
}

// Standing materials as points of their CTE, density and Young's modulus,
// for a material without a shear modulus, which any of them within the
// tolerance can replace, whatever its own shear modulus. Their values may
// crowd without bound within the tolerance, so they are searched as boxes
// rather than cells: the values within the tolerance of a value form one run,
// so a box of points lies wholly within, or wholly outside, that run when both
// its ends do and, for outside, the value is not between them. The points are
// kept in trees of whole powers of two of them, the earliest first, so that
// the first in the earliest tree that holds one is the first of all.
class EarliestWithinTolerance
{
public:
    void add(const Material& material, int index)
    {
        Tree tree;
        tree.points.push_back({{material.cte(), material.density(), material.youngsModulus()}, index});
        while (!trees.empty() && trees.back().points.size() == tree.points.size()) {
            tree.points.insert(tree.points.begin(), trees.back().points.begin(), trees.back().points.end());
            trees.pop_back();
        }
        build(tree, 0, int(tree.points.size()));
        trees.push_back(std::move(tree));
    }

    // The least index of a standing material that can replace the given one,
    // or -1.
    int first(const Material& material, const QVector<MaterialRef>& standing) const
    {
        const Values values{material.cte(), material.density(), material.youngsModulus()};
        for (const Tree& tree : trees) {
            int found = std::numeric_limits<int>::max();
            search(tree, 0, values, material, standing, found);
            if (found != std::numeric_limits<int>::max())
                return found;
        }
        return -1;
    }

private:
    using Values = std::array<double, 3>;
    struct Point
    {
        Values at;
        int index;
    };
    struct Node
    {
        Values low, high;
        int first, begin, end, right; // right is 0 for a leaf
    };
    struct Tree
    {
        std::vector<Point> points;
        std::vector<Node> nodes; // each node followed by its left half
    };
    static constexpr int leafSize = 8;

    // Split at the median, each value in turn, so that the sides of a box cut
    // through no more than some n^(2/3) of the nodes of n points.
    static void build(Tree& tree, int begin, int end, int axis = 0)
    {
        const int at = int(tree.nodes.size());
        Node node{tree.points[begin].at, tree.points[begin].at, tree.points[begin].index, begin, end, 0};
        for (int k = begin; k < end; ++k) {
            for (int i = 0; i < 3; ++i) {
                node.low[i] = std::min(node.low[i], tree.points[k].at[i]);
                node.high[i] = std::max(node.high[i], tree.points[k].at[i]);
            }
            node.first = std::min(node.first, tree.points[k].index);
        }
        tree.nodes.push_back(node);
        if (end - begin <= leafSize)
            return;
        const int middle = begin + (end - begin) / 2;
        std::nth_element(tree.points.begin() + begin, tree.points.begin() + middle, tree.points.begin() + end,
                         [axis](const Point& a, const Point& b) { return a.at[axis] < b.at[axis]; });
        build(tree, begin, middle, (axis + 1) % 3);
        tree.nodes[at].right = int(tree.nodes.size());
        build(tree, middle, end, (axis + 1) % 3);
    }

    static void search(const Tree& tree, int at, const Values& values, const Material& material,
                       const QVector<MaterialRef>& standing, int& found)
    {
        const Node& node = tree.nodes[at];
        if (node.first >= found)
            return;
        bool within = true;
        for (int i = 0; i < 3; ++i) {
            const bool lowWithin = fuzzyEqual(node.low[i], values[i]);
            const bool highWithin = fuzzyEqual(node.high[i], values[i]);
            if (!lowWithin && !highWithin && (node.high[i] < values[i] || node.low[i] > values[i]))
                return;
            within = within && lowWithin && highWithin;
        }
        if (within) {
            found = node.first;
            return;
        }
        if (node.right == 0) {
            for (int k = node.begin; k < node.end; ++k) {
                const int index = tree.points[k].index;
                if (index < found && standing[index]->canReplace(material))
                    found = index;
            }
            return;
        }
        const int halves[] = {at + 1, node.right};
        const bool leftFirst = tree.nodes[at + 1].first < tree.nodes[node.right].first;
        search(tree, halves[leftFirst ? 0 : 1], values, material, standing, found);
        search(tree, halves[leftFirst ? 1 : 0], values, material, standing, found);
    }

    std::vector<Tree> trees;
};

// The materials that stand for others, in the order they came, found by
// their names and the cells of their values, so that a file of many
// materials is matched in time in proportion to their number. A material
// without a shear modulus is looked up by the box of its other values, among
// the first standing material of each set of them: a later one with the same
// values can replace no more than that one.
class StandingMaterials
{
public:
    void add(const MaterialRef& material)
    {
        const int index = standing.size();
        standing.append(material);
        withShear[material->names()][cellsOf(*material)].append(index);
        QSet<QByteArray>& seen = otherValuesSeen[material->names()];
        const QByteArray values = exactValues(*material).left(3 * int(sizeof(double)));
        if (seen.contains(values))
            return;
        seen.insert(values);
        anyShear[material->names()].add(*material, index);
    }

    // The first standing material that can replace the given one.
    MaterialRef replacementFor(const Material& material) const
    {
        if (material.shearModulus() == 0.0) {
            const auto points = anyShear.constFind(material.names());
            const int first = points == anyShear.constEnd() ? -1 : points->first(material, standing);
            return first >= 0 ? standing[first] : MaterialRef();
        }
        const QHash<MaterialCells, QVector<int>> cells = withShear.value(material.names());
        const MaterialCells centre = cellsOf(material);
        int first = standing.size();
        MaterialCells around;
        for (int step = 0; step < 81; ++step) {
            for (int i = 0, rest = step; i < 4; ++i, rest /= 3)
                around.at[i] = centre.at[i] + rest % 3 - 1;
            const auto found = cells.constFind(around);
            if (found == cells.constEnd())
                continue;
            for (int index : *found) {
                if (index >= first)
                    break;
                if (standing[index]->canReplace(material)) {
                    first = index;
                    break;
                }
            }
        }
        return first < standing.size() ? standing[first] : MaterialRef();
    }

private:
    static MaterialCells cellsOf(const Material& material)
    {
        MaterialCells cells;
        cells.at = {cellOf(material.cte()), cellOf(material.density()), cellOf(material.youngsModulus()),
                    cellOf(material.shearModulus())};
        return cells;
    }

    QVector<MaterialRef> standing;
    QHash<QStringList, QHash<MaterialCells, QVector<int>>> withShear;
    QHash<QStringList, EarliestWithinTolerance> anyShear;
    QHash<QStringList, QSet<QByteArray>> otherValuesSeen;
};

} // namespace

void DocumentModel::consolidateWithLibraries(const QList<VaroObjectRef>& objects)
{
    const QSharedPointer<MaterialLibrary> library =
        libraryParts ? libraryParts->materialLibrary() : QSharedPointer<MaterialLibrary>();
    if (!library)
        return;

    // A material read stands for those read after it that it can replace, as
    // the library's materials stand for those they can replace; the first in
    // that order wins.
    StandingMaterials standing;
    QSet<MaterialRef> known;
    for (const MaterialRef& material :
         library->valuesOf(library->root()->subnode(0)) + library->valuesOf(library->root()->subnode(1))) {
        standing.add(material);
        known.insert(material);
    }
    QHash<QPair<QStringList, QByteArray>, MaterialRef> answered;
    QList<MaterialRef> added;
    for (const VaroObjectRef& object : objects) {
        const MemberRef member = object.objectCast<Member>();
        const SectionTypeRef sectionType = member ? member->sectionType() : SectionTypeRef();
        const MaterialRef material = sectionType ? sectionType->material() : MaterialRef();
        if (!material || known.contains(material))
            continue;
        MaterialRef& replacement = answered[qMakePair(material->names(), exactValues(*material))];
        if (!replacement)
            replacement = standing.replacementFor(*material);
        if (replacement) {
            sectionType->setMaterial(replacement);
            continue;
        }
        replacement = material;
        standing.add(material);
        known.insert(material);
        added.append(material);
    }
    library->appendAllCustom(added);
}

QList<LoadCaseRef> DocumentModel::incorporateDefaults()
{
    const QSharedPointer<LoadCaseLibrary> library =
        libraryParts ? libraryParts->loadCaseLibrary() : QSharedPointer<LoadCaseLibrary>();
    QList<LoadCaseRef> added;
    if (!library)
        return added;

    if (library->loadings().isEmpty()) {
        const LoadingRef loading(VaroObject::make<Loading>(library->uniqueLoadingName()));
        loading->setColour(Colours::loadLinear);
        library->append(loading);
        added << loading;
    }

    const QList<LoadCaseRef> autoCases = library->autoCases();
    if (std::none_of(autoCases.cbegin(), autoCases.cend(), isDefaultGravity)) {
        // A new gravity case is the default one: 9.81 along global Y.
        const GravityCaseRef gravity(VaroObject::make<GravityCase>(QStringLiteral("Gravity")));
        gravity->setColour(Colours::loadLinear);
        library->append(gravity);
        added << gravity;
    }
    return added;
}

// ---- Guards

UndoMacroGuard::UndoMacroGuard(UndoHistory* stack, const QString& title) : stack(stack)
{
    stack->beginMacro(title);
}

UndoMacroGuard::~UndoMacroGuard()
{
    stack->endMacro();
}
