#include "MemberAxisLibrary.h"

#include "Node.h"

namespace {

const char* const towardsNodeName = "Towards master node";

MemberAxisRef axisTowards(const NodeRef& node)
{
    const Axis axis = node ? Axis(Vector3(0, 0, 0), node, true, false) : Axis();
    return VaroObject::make<MemberAxis>(axis, QString::fromUtf8(towardsNodeName));
}

} // namespace

MemberAxisLibrary::MemberAxisLibrary()
    : fixedAxes(new Item(MemberAxisRef(), QStringLiteral("Fixed axes"))),
      nodeAxes(new Item(MemberAxisRef(), QStringLiteral("Node axes"))),
      towardsNode(new Item(axisTowards(NodeRef()), QString::fromUtf8(towardsNodeName)))
{
    root()->appendSubnode(fixedAxes);
    root()->appendSubnode(nodeAxes);

    // "Along" axes give the direction of the major axis in global terms; the
    // "plane" axes give the normal of the plane the major axis lies in.
    const struct
    {
        const char* name;
        Vector3 vector;
        bool orthogonal;
    } axes[] = {
        {"Along X", Vector3(1, 0, 0), false},     {"Along Y", Vector3(0, 1, 0), false},
        {"Along Z", Vector3(0, 0, 1), false},     {"In X-Y plane", Vector3(0, 0, 1), true},
        {"In X-Z plane", Vector3(0, 1, 0), true}, {"In Y-Z plane", Vector3(1, 0, 0), true},
    };
    for (const auto& a : axes) {
        const QString name = QString::fromUtf8(a.name);
        const MemberAxisRef axis(VaroObject::make<MemberAxis>(Axis(a.vector, NodeRef(), true, a.orthogonal), name));
        fixedAxes->appendSubnode(ItemRef(new Item(axis, name)));
    }
    nodeAxes->appendSubnode(towardsNode);
}

void MemberAxisLibrary::setNodeC(const NodeRef& node)
{
    {
        QWriteLocker locker(&libraryLock);
        if (towardsNode->value()->axis().node() == node)
            return;
        towardsNode->setValue(axisTowards(node));
    }
    towardsNode->propagateEmitValueChanged();
}
