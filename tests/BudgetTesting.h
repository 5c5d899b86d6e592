#pragma once

#include "ReadingBudget.h"

#include <QByteArray>

// A model text of bare nodes, one of them with a value, and unknown elements
// before them, that costs exactly `cost` to read.
inline QByteArray textCosting(qint64 cost)
{
    const auto costOf = [](const QByteArray& before, const QByteArray& structure) {
        XmlTextBudget probe;
        probe.take("<Content><Document>" + before + "<Structure>" + structure + "</Structure></Document></Content>");
        return probe.cost();
    };
    const qint64 frame = costOf(QByteArray(), QByteArray());
    const qint64 other = costOf("<a/>", QByteArray()) - frame;
    const qint64 node = costOf(QByteArray(), "<Node/>") - frame;
    const qint64 valuedNode = costOf(QByteArray(), "<Node><x/></Node>") - frame;
    // Unknown elements cost two units, so an odd cost takes the node with a value.
    qint64 left = cost - frame;
    const int valued = left % other != 0 ? 1 : 0;
    left -= valued * valuedNode;
    const qint64 nodes = left / node;
    const qint64 others = (left - nodes * node) / other;
    return "<Content><Document>" + QByteArray("<a/>").repeated(int(others)) + "<Structure>"
           + QByteArray("<Node><x/></Node>").repeated(valued) + QByteArray("<Node/>").repeated(int(nodes))
           + "</Structure></Document></Content>";
}
