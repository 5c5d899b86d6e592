#include "ReportLayout.h"

#include "AnalysisOutput.h"
#include "AnalysisResultCase.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "GeometryGroup.h"
#include "Load.h"
#include "LoadCase.h"
#include "Member.h"
#include "Node.h"
#include "ReportPictures.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "ViewPoint.h"


#include <algorithm>
#include <utility>
#include <vector>
#include <cmath>

namespace {

const double loadPlateWidth = 0.25, loadPlateHeight = 0.2;
const double memberPlateWidth = 0.333, memberPlateHeight = 0.25;
const double nodePlateWidth = 0.2, nodePlateHeight = 0.142;
const double memberResultsWidth = 1.0, memberResultsHeight = 0.333;
const double nodeResultsWidth = 0.25, nodeResultsHeight = 0.2;
const double overviewSize = 0.5;

// Where an object stands for the report's order; objects without a place
// (a member without two distinct nodes, a load without a member) come last
// and compare equal among themselves.
struct SortKey
{
    bool placed;
    Vector3 point;

    bool operator<(const SortKey& other) const
    {
        if (placed != other.placed)
            return placed;
        if (!placed)
            return false;
        const Vector3& a = point;
        const Vector3& b = other.point;
        if (a.x() != b.x())
            return a.x() < b.x();
        if (a.y() != b.y())
            return a.y() < b.y();
        return a.z() < b.z();
    }
};

SortKey keyOf(const NodeRef& node)
{
    return {true, node->position()};
}

SortKey keyOf(const MemberRef& member)
{
    const Node* a = member->nodeA().data();
    const Node* b = member->nodeB().data();
    if (!a || !b || a == b)
        return {false, Vector3()};
    return {true, (a->position() + b->position()) * 0.5};
}

SortKey keyOf(const LoadRef& load)
{
    const MemberRef member = load->member();
    if (!member)
        return {false, Vector3()};
    const double t = load->centroidPosition();
    return {true, positionOf(member->nodeA()) * (1.0 - t) + positionOf(member->nodeB()) * t};
}

// Keys are worked out once per object, and equal objects keep their list
// order, so that every layout numbers coincident nodes and members alike.
template <class T>
QList<T> sorted(const QList<T>& list)
{
    std::vector<std::pair<SortKey, int>> keys;
    keys.reserve(size_t(list.size()));
    for (int i = 0; i < list.size(); ++i)
        keys.emplace_back(keyOf(list.at(i)), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const std::pair<SortKey, int>& a, const std::pair<SortKey, int>& b) { return a.first < b.first; });
    QList<T> result;
    result.reserve(list.size());
    for (const auto& key : keys)
        result.append(list.at(key.second));
    return result;
}

// The group null stands for the whole structure.
template <class T>
bool isInReportGroup(const QSharedPointer<T>& object, const GroupRef& group)
{
    return !group || object->group().data() == group.data();
}

bool isInputChapter(const QString& code)
{
    return code == Report::ChapterLoadInput || code == Report::ChapterMemberInput || code == Report::ChapterNodeInput;
}

bool isGraphicalResultChapter(const QString& code)
{
    return code == Report::ChapterMemberGraphicalResults || code == Report::ChapterNodeGraphicalResults;
}

void addEndNodes(const MemberRef& member, QSet<NodeRef>* nodes)
{
    if (member->nodeA())
        nodes->insert(member->nodeA());
    if (member->nodeB())
        nodes->insert(member->nodeB());
}

} // namespace

void registerReportMetaTypes()
{
    qRegisterMetaType<ReportLayoutRef>("ReportLayoutRef");
}

int ReportLayout::roundHalfUp(double d)
{
    if (d >= 0.0)
        return int(std::trunc(d + 0.5));
    const double k = std::trunc(d - 1.0);
    return int(std::trunc(d - k + 0.5) + k);
}

QRect ReportLayout::Plate::deviceFrame(const QRect& pageRect) const
{
    const double W = pageRect.width(), H = pageRect.height();
    const double a = area.x() * W, b = area.y() * H;
    return QRect(pageRect.left() + roundHalfUp(a), pageRect.top() + roundHalfUp(b),
                 roundHalfUp((area.x() + area.width()) * W - a), roundHalfUp((area.y() + area.height()) * H - b));
}

ReportLayout::ReportLayout(const QSharedPointer<DocumentModel>& documentModel,
                           const QSharedPointer<CurrentState>& currentState, const QSharedPointer<ViewPoint>& viewPoint,
                           const QSharedPointer<Report>& report, QObject* parent)
    : QObject(parent), currentState(currentState), documentModel(documentModel), report(report), viewPoint(viewPoint),
      pictures(new ReportPictures)
{
}

ReportLayout::~ReportLayout() = default;

bool ReportLayout::isNodeLessThan(const NodeRef& a, const NodeRef& b)
{
    return keyOf(a) < keyOf(b);
}

bool ReportLayout::isMemberLessThan(const MemberRef& a, const MemberRef& b)
{
    return keyOf(a) < keyOf(b);
}

bool ReportLayout::isLoadLessThan(const LoadRef& a, const LoadRef& b)
{
    return keyOf(a) < keyOf(b);
}

void ReportLayout::initialise()
{
    pages.clear();
    currentPage.clear();
    lineCursor = QRectF();
    pictures.reset(new ReportPictures);

    analysisOutput = documentModel->analysisOutput();
    usedLoadCases = documentModel->usedLoadCases();
    usedGroups = documentModel->usedGroups();

    loadsByLoadCase.clear();
    loads.clear();
    for (const LoadCaseRef& loadCase : qAsConst(usedLoadCases)) {
        const QList<LoadRef> list = sorted(documentModel->loadsInLoadCase(loadCase));
        loadsByLoadCase.insert(loadCase, list);
        loads.append(list);
    }

    const QSharedPointer<StructureModel> structure = documentModel->structureModel();
    members = sorted(structure->members());
    nodes = sorted(structure->nodes());

    const QSharedPointer<SelectionModel> selection = documentModel->selectionModel();
    selectedLoads = sorted(selection->selectedLoads());
    selectedMembers = sorted(selection->selectedMembers());
    selectedNodes = sorted(selection->selectedNodes());

    memberNumbers.clear();
    nodeNumbers.clear();
    for (int i = 0; i < members.size(); ++i)
        memberNumbers.insert(members.at(i), i + 1);
    for (int i = 0; i < nodes.size(); ++i)
        nodeNumbers.insert(nodes.at(i), i + 1);

    refreshCaches();
}

void ReportLayout::refreshCaches()
{
    TrackedReadLocker locker(documentModel->documentLock());
    for (const MemberRef& member : qAsConst(members))
        member->bringCacheUpToDate();
    // Loads made for this layout (gravity, sway, combination) are not in
    // the structure, and a selected load may have no load case in use.
    for (const QList<LoadRef>* list : {&loads, &selectedLoads})
        for (const LoadRef& load : *list) {
            if (load->member())
                load->member()->bringCacheUpToDate();
            load->bringCacheUpToDate();
        }
}

void ReportLayout::layoutPages()
{
    initialise();

    LoadCaseRef loadCase = currentState ? currentState->loadCase() : LoadCaseRef();
    if (!usedLoadCases.contains(loadCase))
        loadCase.clear();
    GroupRef group = currentState ? currentState->group() : GroupRef();
    const bool groupUsed = std::any_of(usedGroups.cbegin(), usedGroups.cend(),
                                       [&](const GeometryGroupRef& used) { return used.data() == group.data(); });
    if (!groupUsed)
        group.clear();

    const QList<LoadRef>& chosenLoads = selectedLoads.isEmpty() ? loads : selectedLoads;
    const QList<MemberRef>& chosenMembers = selectedMembers.isEmpty() ? members : selectedMembers;
    const QList<NodeRef>& chosenNodes = selectedNodes.isEmpty() ? nodes : selectedNodes;

    reportedNodes.clear();
    for (const NodeRef& node : chosenNodes)
        reportedNodes.insert(node);
    for (const MemberRef& member : chosenMembers)
        addEndNodes(member, &reportedNodes);
    for (const LoadRef& load : chosenLoads)
        if (load->member())
            addEndNodes(load->member(), &reportedNodes);

    measureSpheres();

    if (report)
        layoutBlock(report->rootBlock(), loadCase, group, chosenLoads, chosenMembers, chosenNodes);

    if (!currentPage.isEmpty()) {
        pages.append(currentPage);
        currentPage.clear();
    }
    lineCursor = QRectF();
    emit PagesLaidOut();
}

// A group's sphere holds its own nodes and the end nodes of its members;
// the group null stands for the whole structure.
void ReportLayout::measureSpheres()
{
    reportSphere = DocumentModel::centroidOfNodes(reportedNodes.values());
    groupSpheres.clear();
    for (const GeometryGroupRef& group : qAsConst(usedGroups)) {
        QSet<NodeRef> inGroup;
        for (const NodeRef& node : qAsConst(nodes))
            if (!group || node->group() == group)
                inGroup.insert(node);
        for (const MemberRef& member : qAsConst(members))
            if (!group || member->group() == group)
                addEndNodes(member, &inGroup);
        groupSpheres.insert(group.data(), DocumentModel::centroidOfNodes(inGroup.intersect(reportedNodes).values()));
    }
}

QSharedPointer<AnalysisResultCase> ReportLayout::resultCaseFor(const LoadCaseRef& loadCase) const
{
    return analysisOutput ? analysisOutput->resultCases.value(loadCase) : QSharedPointer<AnalysisResultCase>();
}

void ReportLayout::layoutBlock(const QSharedPointer<Report::ReportBlock>& block, const QSharedPointer<LoadCase>& loadCase,
                               const QSharedPointer<Group>& group, const QList<LoadRef>& loads,
                               const QList<MemberRef>& members, const QList<NodeRef>& nodes)
{
    QString previous;
    for (const Report::ReportItemRef& item : block->items()) {
        if (item->block) {
            addPageBreak();
            for (const LoadCaseRef& blockCase : item->block->loadCases())
                if (usedLoadCases.contains(blockCase))
                    layoutBlock(item->block, blockCase, group, loads, members, nodes);
            previous.clear();
            continue;
        }
        const QString& code = item->chapter;
        if (needsPageBreak(code, previous))
            addPageBreak();
        else
            addLineBreak();

        if (code == Report::ChapterGroupCover) {
            layoutGroupCover(group, members, nodes);
        } else if (code == Report::ChapterLoadCaseCover) {
            layoutLoadCaseCover(loadCase, group, loads, members, nodes);
        } else if (code == Report::ChapterLoadInput) {
            for (const LoadRef& load : loads)
                if (load->loadCase() == loadCase)
                    layoutLoadInput(load, loadCase, group);
        } else if (code == Report::ChapterMemberInput) {
            for (const MemberRef& member : members)
                if (isInReportGroup(member, group))
                    layoutMemberInput(member, group);
        } else if (code == Report::ChapterNodeInput) {
            for (const NodeRef& node : nodes)
                if (isInReportGroup(node, group))
                    layoutNodeInput(node, group);
        } else if (code == Report::ChapterMemberGraphicalResults) {
            if (const QSharedPointer<AnalysisResultCase> resultCase = resultCaseFor(loadCase))
                for (const MemberRef& member : members)
                    if (isInReportGroup(member, group) && resultCase->sourceMembers.contains(member))
                        layoutMemberGraphicalResults(member, resultCase, group);
        } else if (code == Report::ChapterNodeGraphicalResults) {
            if (const QSharedPointer<AnalysisResultCase> resultCase = resultCaseFor(loadCase))
                for (const NodeRef& node : nodes)
                    if (isInReportGroup(node, group) && resultCase->sourceNodes.contains(node))
                        layoutNodeGraphicalResults(node, resultCase, group);
        }
        previous = code;
    }
}

bool ReportLayout::needsPageBreak(const QString& next, const QString& previous) const
{
    if (isInputChapter(next) && isInputChapter(previous))
        return false;
    return !(isGraphicalResultChapter(next) && isGraphicalResultChapter(previous));
}

QRectF ReportLayout::addAreaToPage(double width, double height)
{
    double x = lineCursor.x() + lineCursor.width();
    double y = lineCursor.y();
    if (x + width > 1.0) {
        x = 0.0;
        y = lineCursor.y() + lineCursor.height();
        lineCursor = QRectF(x, y, width, height);
    }
    if (y + height > 1.0) {
        if (!currentPage.isEmpty()) {
            pages.append(currentPage);
            currentPage.clear();
        }
        x = 0.0;
        y = 0.0;
        lineCursor = QRectF(0.0, 0.0, width, height);
    }
    const QRectF area(x, y, width, height);
    // QRectF::united ignores an empty rectangle, which a cursor of zero size is.
    lineCursor = lineCursor.united(area);
    return area;
}

void ReportLayout::addPageBreak()
{
    if (!currentPage.isEmpty()) {
        pages.append(currentPage);
        currentPage.clear();
    }
    lineCursor = QRectF();
}

void ReportLayout::addLineBreak()
{
    if (lineCursor.x() + lineCursor.width() > 0.001)
        lineCursor = QRectF(0.0, lineCursor.y() + lineCursor.height(), 0.0, 0.0);
}

ReportLayout::Plate& ReportLayout::addPlate(const QString& chapter, double width, double height, const GroupRef& group)
{
    Plate plate;
    plate.chapter = chapter;
    plate.area = addAreaToPage(width, height);
    plate.group = group;
    currentPage.append(plate);
    return currentPage.last();
}

void ReportLayout::layoutGroupCover(const GroupRef& group, const QList<MemberRef>& members,
                                    const QList<NodeRef>& nodes)
{
    Plate& plate = addPlate(Report::ChapterGroupCover, 1.0, 1.0, group);
    QSet<NodeRef> coverNodes;
    for (const NodeRef& node : nodes)
        if (isInReportGroup(node, group))
            coverNodes.insert(node);
    for (const MemberRef& member : members)
        if (isInReportGroup(member, group)) {
            plate.members.append(member);
            addEndNodes(member, &coverNodes);
        }
    plate.nodes = coverNodes.values();
}

void ReportLayout::layoutLoadCaseCover(const LoadCaseRef& loadCase, const GroupRef& group, const QList<LoadRef>& loads,
                                       const QList<MemberRef>& members, const QList<NodeRef>& nodes)
{
    layoutGroupCover(group, members, nodes);
    Plate& plate = currentPage.last();
    plate.chapter = Report::ChapterLoadCaseCover;
    plate.loadCase = loadCase;
    for (const LoadRef& load : loads)
        if (load->loadCase() == loadCase)
            plate.loads.append(load);

    const QSharedPointer<AnalysisResultCase> resultCase = resultCaseFor(loadCase);
    if (!resultCase)
        return;
    const QList<NodeRef> coverNodes = plate.nodes;
    const QList<MemberRef> coverMembers = plate.members;
    addPageBreak();
    layoutReactionsGraphical(resultCase, coverNodes, group);
    layoutDeflectionsGraphical(resultCase, coverMembers, group);
    layoutShearForcesGraphical(resultCase, coverMembers, group);
    layoutBendingMomentsGraphical(resultCase, coverMembers, group);
}

void ReportLayout::layoutLoadInput(const LoadRef& load, const LoadCaseRef& loadCase, const GroupRef& group)
{
    Plate& plate = addPlate(Report::ChapterLoadInput, loadPlateWidth, loadPlateHeight, group);
    plate.object = load;
    plate.loadCase = loadCase;
}

void ReportLayout::layoutMemberInput(const MemberRef& member, const GroupRef& group)
{
    addPlate(Report::ChapterMemberInput, memberPlateWidth, memberPlateHeight, group).object = member;
}

void ReportLayout::layoutNodeInput(const NodeRef& node, const GroupRef& group)
{
    addPlate(Report::ChapterNodeInput, nodePlateWidth, nodePlateHeight, group).object = node;
}

void ReportLayout::layoutMemberGraphicalResults(const MemberRef& member,
                                                const QSharedPointer<AnalysisResultCase>& resultCase,
                                                const GroupRef& group)
{
    Plate& plate = addPlate(Report::ChapterMemberGraphicalResults, memberResultsWidth, memberResultsHeight, group);
    plate.object = member;
    plate.resultCase = resultCase;
    plate.loadCase = resultCase ? resultCase->loadCase : LoadCaseRef();
}

void ReportLayout::layoutNodeGraphicalResults(const NodeRef& node, const QSharedPointer<AnalysisResultCase>& resultCase,
                                              const GroupRef& group)
{
    Plate& plate = addPlate(Report::ChapterNodeGraphicalResults, nodeResultsWidth, nodeResultsHeight, group);
    plate.object = node;
    plate.resultCase = resultCase;
    plate.loadCase = resultCase ? resultCase->loadCase : LoadCaseRef();
}

ReportLayout::Plate& ReportLayout::layoutOverview(const QString& chapter,
                                                  const QSharedPointer<AnalysisResultCase>& resultCase,
                                                  const GroupRef& group)
{
    Plate& plate = addPlate(chapter, overviewSize, overviewSize, group);
    plate.resultCase = resultCase;
    plate.loadCase = resultCase ? resultCase->loadCase : LoadCaseRef();
    return plate;
}

void ReportLayout::layoutReactionsGraphical(const QSharedPointer<AnalysisResultCase>& resultCase,
                                            const QList<NodeRef>& nodes, const GroupRef& group)
{
    layoutOverview(Report::ChapterReactionsGraphical, resultCase, group).nodes = nodes;
}

void ReportLayout::layoutDeflectionsGraphical(const QSharedPointer<AnalysisResultCase>& resultCase,
                                              const QList<MemberRef>& members, const GroupRef& group)
{
    layoutOverview(Report::ChapterDeflectionsGraphical, resultCase, group).members = members;
}

void ReportLayout::layoutShearForcesGraphical(const QSharedPointer<AnalysisResultCase>& resultCase,
                                              const QList<MemberRef>& members, const GroupRef& group)
{
    layoutOverview(Report::ChapterShearForcesGraphical, resultCase, group).members = members;
}

void ReportLayout::layoutBendingMomentsGraphical(const QSharedPointer<AnalysisResultCase>& resultCase,
                                                 const QList<MemberRef>& members, const GroupRef& group)
{
    layoutOverview(Report::ChapterBendingMomentsGraphical, resultCase, group).members = members;
}
