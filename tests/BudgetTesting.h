#pragma once

#include "ReadingBudget.h"

#include <QByteArray>

// A model text of bare nodes, with unknown elements before them, that costs
// exactly `cost` to read.
inline QByteArray textCosting(qint64 cost)
{
    XmlTextBudget probe;
    probe.take("<Content><Document><Structure><Node/></Structure></Document></Content>");
    const qint64 node = probe.cost() - 3;
    const qint64 nodes = (cost - 3) / node;
    return "<Content><Document>" + QByteArray("<a/>").repeated(int(cost - 3 - nodes * node)) + "<Structure>"
           + QByteArray("<Node/>").repeated(int(nodes)) + "</Structure></Document></Content>";
}
