#pragma once

#include "ReadingBudget.h"

#include <QByteArray>

// A model text of unknown elements, with a node holding a value where the
// cost is odd, that costs exactly `cost` to read; saved, it stays well
// within what a file may hold.
inline QByteArray textCosting(qint64 cost)
{
    const auto costOf = [](const QByteArray& before, const QByteArray& structure) {
        XmlTextBudget probe;
        probe.take("<Content><Document>" + before + "<Structure>" + structure + "</Structure></Document></Content>");
        return probe.cost();
    };
    const qint64 frame = costOf(QByteArray(), QByteArray());
    const qint64 other = costOf("<a/>", QByteArray()) - frame;
    const qint64 valuedNode = costOf(QByteArray(), "<Node><x/></Node>") - frame;
    // Unknown elements cost two units, so an odd cost takes the node with a value.
    qint64 left = cost - frame;
    const int valued = left % other != 0 ? 1 : 0;
    left -= valued * valuedNode;
    return "<Content><Document>" + QByteArray("<a/>").repeated(int(left / other)) + "<Structure>"
           + QByteArray("<Node><x/></Node>").repeated(valued) + "</Structure></Document></Content>";
}

// What a text costs to read.
inline qint64 costOf(const QByteArray& text)
{
    XmlTextBudget budget(true);
    budget.take(text);
    return budget.cost();
}
