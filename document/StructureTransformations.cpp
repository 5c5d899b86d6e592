// Node and member transformations of the structure model: moving, rotating
// and mirroring nodes, changing a member's length, swapping member ends.

#include "StructureModel.h"

#include "Member.h"
#include "Node.h"

#include <QSet>

#include <cmath>

namespace {

// Records the node's position unless an earlier one is already recorded,
// so that a node listed twice keeps the position from before the call.
void recordOnce(QMap<NodeRef, Vector3>* positions, const NodeRef& node)
{
    if (!positions->contains(node))
        positions->insert(node, node->position());
}

// Changes each node with its factor; returns the positions before.
template <class Change>
QMap<NodeRef, Vector3> changeEachNode(const QMap<NodeRef, double>& factors, Change change)
{
    QMap<NodeRef, Vector3> old;
    for (auto i = factors.cbegin(); i != factors.cend(); ++i) {
        if (!i.key())
            continue;
        old.insert(i.key(), i.key()->position());
        change(*i.key(), i.value());
    }
    return old;
}
}

QMap<QSharedPointer<Node>, Vector3> StructureModel::moveNodesBy(const QMap<QSharedPointer<Node>, double>& factors,
                                                                const Vector3& displacement)
{
    return changing(&stiffnessCount, [&] {
        return changeEachNode(factors, [&](Node& node, double factor) {
            node.setPosition(node.position() + displacement * factor);
        });
    });
}

QMap<QSharedPointer<Node>, Vector3>
StructureModel::rotateNodesAroundRay(const QMap<QSharedPointer<Node>, double>& factors, const Ray3& axis, double angle)
{
    return changing(&stiffnessCount, [&] {
        return changeEachNode(factors, [&](Node& node, double factor) { node.rotateBy(factor * angle, axis); });
    });
}

QMap<QSharedPointer<Node>, Vector3> StructureModel::flipNodesAlongRay(const QList<QSharedPointer<Node> >& nodes,
                                                                      const Ray3& mirror)
{
    return changing(&stiffnessCount, [&] {
        QMap<NodeRef, Vector3> old;
        const Vector3& o = mirror.origin;
        const Vector3& d = mirror.direction;
        for (const NodeRef& node : nodes) {
            if (!node)
                continue;
            recordOnce(&old, node);
            const Vector3 p = node->position();
            const double t = (o - p).dot(d);
            node->setPosition(p + d * (2.0 * t));
        }
        return old;
    });
}

QMap<QSharedPointer<Node>, Vector3> StructureModel::changeMemberLength(const QSharedPointer<Member>& member,
                                                                       double newLength,
                                                                       const QList<QSharedPointer<Node> >& nodes)
{
    QMap<NodeRef, Vector3> old;
    if (!member)
        return old;

    QWriteLocker locker(structureLock);
    member->bringCacheUpToDate();
    const double oldLength = member->length();
    if (!(newLength > Member::shortestLength) || !(oldLength > Member::shortestLength))
        return old;

    emit StructureWillChange();

    const NodeRef nodeA = member->nodeA();
    const NodeRef nodeB = member->nodeB();
    const bool a = nodeA && nodes.contains(nodeA);
    const bool b = nodeB && nodes.contains(nodeB);
    const Vector3 start = positionOf(nodeA);
    const Vector3 end = positionOf(nodeB);
    const Vector3 u = (end - start) / oldLength;
    const Vector3 change = u * (newLength - oldLength);

    auto moveBy = [&old](const NodeRef& node, const Vector3& by) {
        recordOnce(&old, node);
        node->setPosition(node->position() + by);
    };

    if (a == b) {
        const Vector3 middle = (start + end) * 0.5;
        const Vector3 half = change * 0.5;
        for (const NodeRef& node : nodes) {
            if (!node)
                continue;
            const double t = (node->position() - middle).dot(u);
            if (t > 0.0)
                moveBy(node, half);
            else if (t < 0.0)
                moveBy(node, -half);
        }
    } else {
        const Vector3 by = b ? change : -change;
        for (const NodeRef& node : nodes)
            if (node)
                moveBy(node, by);
    }

    stiffnessCount.ref();
    emit StructureHasChanged();
    return old;
}

void StructureModel::swapMemberEnds(const QList<QSharedPointer<Member> >& members)
{
    changing(&topologyCount, [&] {
        QSet<Member*> swapped;
        for (const MemberRef& member : members) {
            if (!member)
                continue;
            member->swapEnds();
            swapped.insert(member.data());
        }
        for (const LoadRef& load : qAsConst(loadList)) {
            const MemberRef member = load->member();
            if (member && swapped.contains(member.data()))
                load->compensateForSwappedMemberEnds();
        }
    });
}
