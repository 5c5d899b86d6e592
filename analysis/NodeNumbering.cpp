#include "NodeNumbering.h"


#include <algorithm>
#include <cstdlib>
#include <numeric>

QVector<int> reverseCuthillMcKeeNumbers(int nodeCount, const QVector<MemberEnds>& members)
{
    // Neighbours in member order, one entry per member end, so that a list's
    // length is the node's degree.
    QVector<QVector<int>> neighbours(nodeCount);
    for (const MemberEnds& m : members) {
        neighbours[m.first].append(m.second);
        neighbours[m.second].append(m.first);
    }
    const auto degree = [&](int node) { return neighbours[node].size(); };

    QVector<int> byDegree(nodeCount);
    std::iota(byDegree.begin(), byDegree.end(), 0);
    std::stable_sort(byDegree.begin(), byDegree.end(), [&](int a, int b) { return degree(a) < degree(b); });

    QVector<bool> visited(nodeCount, false);
    QVector<int> order;
    order.reserve(nodeCount);
    QVector<int> queue;
    queue.reserve(nodeCount);
    QVector<int> fresh;
    int nextStart = 0;

    while (order.size() < nodeCount) {
        while (visited[byDegree[nextStart]])
            ++nextStart;
        const int start = byDegree[nextStart];
        visited[start] = true;
        queue.clear();
        queue.append(start);
        for (int head = 0; head < queue.size(); ++head) {
            const int x = queue[head];
            order.append(x);
            fresh.clear();
            for (int y : neighbours[x])
                if (!visited[y]) {
                    visited[y] = true;
                    fresh.append(y);
                }
            std::stable_sort(fresh.begin(), fresh.end(), [&](int a, int b) { return degree(a) < degree(b); });
            queue.append(fresh);
        }
    }

    QVector<int> numbers(nodeCount);
    for (int k = 0; k < nodeCount; ++k)
        numbers[order[k]] = nodeCount - 1 - k;
    return numbers;
}

int halfBandWidthOf(const QVector<int>& numbers, const QVector<MemberEnds>& members)
{
    int widest = 0;
    for (const MemberEnds& m : members)
        widest = std::max(widest, std::abs(numbers[m.second] - numbers[m.first]));
    return 6 * widest + 6;
}
