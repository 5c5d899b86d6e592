#pragma once

#include "Forth.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// A cell as a test row writes it: "d:5" for a double, "i:-1" for an int,
// "s:text", "l:" and the items for a list, "w:" and the object name for a
// guarded widget, "null" for an invalid cell.
inline QString describeCell(const QVariant& cell)
{
    switch (cell.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("null");
    case QMetaType::Double:
        return QStringLiteral("d:") + QString::number(cell.toDouble());
    case QMetaType::Int:
        return QStringLiteral("i:") + QString::number(cell.toInt());
    case QMetaType::QString:
        return QStringLiteral("s:") + cell.toString();
    case QMetaType::QVariantList: {
        QStringList items;
        for (const QVariant& item : cell.toList())
            items << describeCell(item);
        return QStringLiteral("l:") + items.join(QLatin1Char(','));
    }
    default:
        if (cell.userType() == qMetaTypeId<QPointer<QWidget> >()) {
            QWidget* widget = cell.value<QPointer<QWidget> >();
            return QStringLiteral("w:") + (widget ? widget->objectName() : QStringLiteral("null"));
        }
        return QString::fromLatin1(cell.typeName());
    }
}

// The data stack, deepest first, separated by blanks.
inline QString describeStack(const Forth& forth)
{
    QStringList cells;
    for (int n = forth.depthD() - 1; n >= 0; --n)
        cells << describeCell(forth.readD(n));
    return cells.join(QLatin1Char(' '));
}
