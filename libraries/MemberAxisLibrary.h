#pragma once

#include "TreeLibrary.h"

#include "MemberAxis.h"

// The member axes: root subnode 0 is a branch of six fixed axes; root subnode
// 1 is a branch whose first item, "Towards master node", points at the node
// last given to setNodeC (none at first).
class MemberAxisLibrary : public TreeLibrary<MemberAxisRef>
{
public:
    MemberAxisLibrary();

    // The node-dependent entry becomes a new MemberAxis towards the node (null
    // clears it), so members that took the earlier entry keep their axis;
    // then the library announces the change. The same node changes nothing.
    void setNodeC(const NodeRef& node);

private:
    const ItemRef fixedAxes;
    const ItemRef nodeAxes;
    const ItemRef towardsNode;
};
