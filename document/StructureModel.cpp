#include "StructureModel.h"

#include "GeometryGroup.h"
#include "LoadAxis.h"
#include "LoadCase.h"
#include "Material.h"
#include "Member.h"
#include "MemberAxis.h"
#include "Node.h"
#include "SectionType.h"
#include "Support.h"

#include <QReadLocker>

#include <algorithm>
#include <cmath>

StructureModel::StructureModel(QObject* parent)
    : QObject(parent), structureLock(new QReadWriteLock(QReadWriteLock::NonRecursive))
{
}

StructureModel::~StructureModel()
{
    delete structureLock;
    structureLock = nullptr;
    nodeList.clear();
    memberList.clear();
    loadList.clear();
}

// ---- Queries

QList<QSharedPointer<Node> > StructureModel::nodes() const
{
    QReadLocker locker(structureLock);
    return nodeList;
}

QList<QSharedPointer<Member> > StructureModel::members() const
{
    QReadLocker locker(structureLock);
    return memberList;
}

QList<QSharedPointer<Load> > StructureModel::loads() const
{
    QReadLocker locker(structureLock);
    return loadList;
}

void StructureModel::readMembers(const std::function<void(const QList<QSharedPointer<Member> >&)>& read) const
{
    QReadLocker locker(structureLock);
    read(memberList);
}

QList<VaroObjectRef> StructureModel::everything() const
{
    QReadLocker locker(structureLock);
    QList<VaroObjectRef> all;
    all.reserve(nodeList.size() + memberList.size() + loadList.size());
    for (const NodeRef& node : nodeList)
        all.append(node);
    for (const MemberRef& member : memberList)
        all.append(member);
    for (const LoadRef& load : loadList)
        all.append(load);
    return all;
}

bool StructureModel::contains(const VaroObjectRef& object) const
{
    QReadLocker locker(structureLock);
    if (const NodeRef node = qSharedPointerObjectCast<Node>(object))
        return nodeList.contains(node);
    if (const MemberRef member = qSharedPointerObjectCast<Member>(object))
        return memberList.contains(member);
    if (const LoadRef load = qSharedPointerObjectCast<Load>(object))
        return loadList.contains(load);
    return false;
}

QMultiMap<QSharedPointer<Member>, QSharedPointer<Load> > StructureModel::loadsPerMember() const
{
    QReadLocker locker(structureLock);
    QMultiMap<MemberRef, LoadRef> perMember;
    for (const LoadRef& load : loadList)
        perMember.insert(load->member(), load);
    return perMember;
}

QList<QSharedPointer<Member> > StructureModel::membersUsingMaterial(const QSharedPointer<Material>& material) const
{
    QList<MemberRef> using_;
    if (!material)
        return using_;
    QReadLocker locker(structureLock);
    for (const MemberRef& member : memberList) {
        const SectionTypeRef sectionType = member->sectionType();
        if (sectionType && sectionType->material() == material)
            using_.append(member);
    }
    return using_;
}

bool StructureModel::nodeLiesOnMember(const NodeRef& node, const MemberRef& member, double tolerance)
{
    if (!node || !member)
        return false;
    member->bringCacheUpToDate();
    const double length = member->length();
    if (!(length > Member::shortestLength))
        return false;
    if (node == member->nodeA() || node == member->nodeB())
        return false;
    const Vector3 p = node->position();
    const double dA = (p - positionOf(member->nodeA())).length();
    const double dB = (p - positionOf(member->nodeB())).length();
    if (!(dB > tolerance) || !(dA > tolerance))
        return false;
    if (!(length > dA) || !(length > dB))
        return false;
    // Heron's formula for the height of the triangle A, B, P over AB. For a
    // point on or very near the line the product can round below zero: it
    // is clamped, so such a point lies on the member.
    const double s = (length + dA + dB) / 2.0;
    const double product = std::max(0.0, s * (s - length) * (s - dA) * (s - dB));
    const double height = 2.0 * std::sqrt(product) / length;
    return height <= tolerance;
}

// ---- List changes

void StructureModel::raiseCountersFor(const QList<VaroObjectRef>& objects)
{
    bool geometry = false;
    bool loading = false;
    for (const VaroObjectRef& object : objects) {
        if (qobject_cast<Node*>(object.data()) || qobject_cast<Member*>(object.data()))
            geometry = true;
        else if (qobject_cast<Load*>(object.data()))
            loading = true;
    }
    if (geometry)
        topologyCount.ref();
    if (loading)
        loadingCount.ref();
}

void StructureModel::appendObjects(const QList<VaroObjectRef>& objects)
{
    changing(nullptr, [&] {
        for (const VaroObjectRef& object : objects) {
            if (const LoadRef load = qSharedPointerObjectCast<Load>(object))
                loadList.append(load);
            else if (const NodeRef node = qSharedPointerObjectCast<Node>(object))
                nodeList.append(node);
            else if (const MemberRef member = qSharedPointerObjectCast<Member>(object))
                memberList.append(member);
        }
        raiseCountersFor(objects);
    });
}

void StructureModel::removeObjects(const QList<VaroObjectRef>& objects)
{
    changing(nullptr, [&] {
        for (const VaroObjectRef& object : objects) {
            if (const LoadRef load = qSharedPointerObjectCast<Load>(object))
                loadList.removeOne(load);
            else if (const NodeRef node = qSharedPointerObjectCast<Node>(object))
                nodeList.removeOne(node);
            else if (const MemberRef member = qSharedPointerObjectCast<Member>(object))
                memberList.removeOne(member);
        }
        raiseCountersFor(objects);
    });
}

namespace {

// Removes the object from the list it belongs to; -1 when it is not there.
template <class T>
int takeOut(QList<QSharedPointer<T>>* list, const VaroObjectRef& object)
{
    const int index = list->indexOf(qSharedPointerObjectCast<T>(object));
    if (index >= 0)
        list->removeAt(index);
    return index;
}

} // namespace

StructureModel::RemovedPlaces StructureModel::removeObjectsFromPlaces(const QList<VaroObjectRef>& objects)
{
    return changing(nullptr, [&] {
        RemovedPlaces places;
        for (const VaroObjectRef& object : objects) {
            int index = -1;
            if (qobject_cast<Load*>(object.data()))
                index = takeOut(&loadList, object);
            else if (qobject_cast<Node*>(object.data()))
                index = takeOut(&nodeList, object);
            else if (qobject_cast<Member*>(object.data()))
                index = takeOut(&memberList, object);
            if (index >= 0)
                places.append(qMakePair(index, object));
        }
        raiseCountersFor(objects);
        return places;
    });
}

void StructureModel::insertObjectsAtPlaces(const RemovedPlaces& places)
{
    QList<VaroObjectRef> objects;
    for (const auto& place : places)
        objects.append(place.second);
    changing(nullptr, [&] {
        for (auto i = places.crbegin(); i != places.crend(); ++i) {
            if (const LoadRef load = qSharedPointerObjectCast<Load>(i->second))
                loadList.insert(i->first, load);
            else if (const NodeRef node = qSharedPointerObjectCast<Node>(i->second))
                nodeList.insert(i->first, node);
            else if (const MemberRef member = qSharedPointerObjectCast<Member>(i->second))
                memberList.insert(i->first, member);
        }
        raiseCountersFor(objects);
    });
}

void StructureModel::appendLoad(const QSharedPointer<Load>& load)
{
    changing(&loadingCount, [&] { loadList.append(load); });
}

void StructureModel::appendMember(const QSharedPointer<Member>& member)
{
    changing(&topologyCount, [&] { memberList.append(member); });
}

void StructureModel::appendNode(const QSharedPointer<Node>& node)
{
    changing(&topologyCount, [&] { nodeList.append(node); });
}

void StructureModel::removeMember(const QSharedPointer<Member>& member)
{
    changing(&topologyCount, [&] { memberList.removeOne(member); });
}

void StructureModel::removeNode(const QSharedPointer<Node>& node)
{
    changing(&topologyCount, [&] { nodeList.removeOne(node); });
}

// ---- Property changes

QMap<QSharedPointer<Load>, QSharedPointer<LoadCase> >
StructureModel::changeLoadLoadCase(const QMap<QSharedPointer<Load>, QSharedPointer<LoadCase> >& loadCases)
{
    return changeEach(
        &loadingCount, loadCases, [](const Load& l) { return l.loadCase(); },
        [](Load& l, const LoadCaseRef& v) { l.setLoadCase(v); });
}

QMap<QSharedPointer<Load>, QSharedPointer<LoadAxis> >
StructureModel::changeLoadAxis(const QMap<QSharedPointer<Load>, QSharedPointer<LoadAxis> >& axes)
{
    return changeEach(
        &loadingCount, axes, [](const Load& l) { return l.axis(); },
        [](Load& l, const LoadAxisRef& v) { l.setAxis(v); });
}

QMap<QSharedPointer<Load>, QSharedPointer<Member> >
StructureModel::changeLoadMember(const QMap<QSharedPointer<Load>, QSharedPointer<Member> >& members)
{
    return changeEach(
        &loadingCount, members, [](const Load& l) { return l.member(); },
        [](Load& l, const MemberRef& v) { l.setMember(v); });
}

QMap<QSharedPointer<TrapezoidLoad>, TrapezoidLoad::Span>
StructureModel::setLoadSpan(const QMap<QSharedPointer<TrapezoidLoad>, TrapezoidLoad::Span>& spans)
{
    return changeEach(
        &loadingCount, spans, [](const TrapezoidLoad& l) { return l.span(); },
        [](TrapezoidLoad& l, const TrapezoidLoad::Span& v) { l.setSpan(v); });
}

QMap<QSharedPointer<Load>, TrapezoidLoad::Span>
StructureModel::setLoadSpan(const QMap<QSharedPointer<Load>, TrapezoidLoad::Span>& spans)
{
    return changing(&loadingCount, [&] {
        QMap<LoadRef, TrapezoidLoad::Span> old;
        for (auto i = spans.cbegin(); i != spans.cend(); ++i) {
            TrapezoidLoad* load = qobject_cast<TrapezoidLoad*>(i.key().data());
            if (!load)
                continue;
            old.insert(i.key(), load->span());
            load->setSpan(i.value());
        }
        return old;
    });
}

QMap<QSharedPointer<Member>, QSharedPointer<MemberAxis> >
StructureModel::changeMemberAxis(const QMap<QSharedPointer<Member>, QSharedPointer<MemberAxis> >& axes)
{
    return changeEach(
        &stiffnessCount, axes, [](const Member& m) { return m.axis(); },
        [](Member& m, const MemberAxisRef& v) { m.setAxis(v); });
}

QMap<QSharedPointer<Member>, QSharedPointer<SectionType> >
StructureModel::changeMemberSectionType(const QMap<QSharedPointer<Member>, QSharedPointer<SectionType> >& types)
{
    return changeEach(
        &stiffnessCount, types, [](const Member& m) { return m.sectionType(); },
        [](Member& m, const SectionTypeRef& v) { m.setSectionType(v); });
}

QMap<QSharedPointer<Node>, QSharedPointer<Support> >
StructureModel::changeNodeSupport(const QMap<QSharedPointer<Node>, QSharedPointer<Support> >& supports)
{
    return changeEach(
        &stiffnessCount, supports, [](const Node& n) { return n.support(); },
        [](Node& n, const SupportRef& v) { n.setSupport(v); });
}

QMap<QSharedPointer<Node>, Vector3> StructureModel::setNodePositions(const QMap<QSharedPointer<Node>, Vector3>& positions)
{
    return changeEach(
        &stiffnessCount, positions, [](const Node& n) { return n.position(); },
        [](Node& n, const Vector3& v) { n.setPosition(v); });
}

QMap<QSharedPointer<Member>, QSharedPointer<GeometryGroup> >
StructureModel::changeMemberGroup(const QMap<QSharedPointer<Member>, QSharedPointer<GeometryGroup> >& groups)
{
    return changeEach(
        &topologyCount, groups, [](const Member& m) { return m.group(); },
        [](Member& m, const GeometryGroupRef& v) { m.setGeometryGroup(v); });
}

QMap<QSharedPointer<Node>, QSharedPointer<GeometryGroup> >
StructureModel::changeNodeGroup(const QMap<QSharedPointer<Node>, QSharedPointer<GeometryGroup> >& groups)
{
    return changeEach(
        &topologyCount, groups, [](const Node& n) { return n.group(); },
        [](Node& n, const GeometryGroupRef& v) { n.setGeometryGroup(v); });
}

QMap<QSharedPointer<Member>, QPair<Dof, Dof> >
StructureModel::setMemberPins(const QMap<QSharedPointer<Member>, QPair<Dof, Dof> >& pins)
{
    return changeEach(
        &topologyCount, pins, [](const Member& m) { return m.endConditions(); },
        [](Member& m, const QPair<Dof, Dof>& v) { m.setEndConditions(v); });
}

// ---- Indexed load changes

QMap<QSharedPointer<Load>, double> StructureModel::changeLoadForceAtIndex(const QMap<QSharedPointer<Load>, double>& forces,
                                                                          int index)
{
    return changeEach(
        &loadingCount, forces,
        [index](const Load& l) {
            const QList<Load::PositionedForce> pairs = l.positionedForces();
            return index >= 0 && index < pairs.size() ? pairs[index].second : 0.0;
        },
        [index](Load& l, double v) { l.setForceAtIndex(v, index); });
}

QMap<QSharedPointer<Load>, double>
StructureModel::changeLoadPositionAtIndex(const QMap<QSharedPointer<Load>, double>& positions, int index)
{
    return changeEach(
        &loadingCount, positions,
        [index](const Load& l) {
            const QList<Load::PositionedForce> pairs = l.positionedForces();
            return index >= 0 && index < pairs.size() ? pairs[index].first : 0.0;
        },
        [index](Load& l, double v) { l.setPositionAtIndex(v, index); });
}

QMap<QSharedPointer<Load>, QList<Load::PositionedForce> > StructureModel::setLoadPositionedForceAtAllIndices(
    const QMap<QSharedPointer<Load>, QList<Load::PositionedForce> >& pairs)
{
    return changeEach(
        &loadingCount, pairs, [](const Load& l) { return l.positionedForces(); },
        [](Load& l, const QList<Load::PositionedForce>& v) { l.setPositionedForces(v); });
}
