#pragma once

#include <QVector>

#include <utility>

// Node numbering for a narrow stiffness band. Nodes are 0..n−1 by list
// position; a member is the pair of its two end nodes, in member list order.
typedef std::pair<int, int> MemberEnds;

// Reverse Cuthill–McKee: the number of each node. Each connected part is
// visited breadth first from its unvisited node of smallest degree (member
// ends at the node; earliest in the list on a tie), neighbours queued by
// ascending degree (the one met first in member order on a tie); the k-th
// node visited gets number n − 1 − k.
QVector<int> reverseCuthillMcKeeNumbers(int nodeCount, const QVector<MemberEnds>& members);

// Entries per band row, diagonal included: 6 × the largest difference of end
// node numbers over the members, + 6.
int halfBandWidthOf(const QVector<int>& numbers, const QVector<MemberEnds>& members);
