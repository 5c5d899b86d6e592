#pragma once

#include "Forth.h"

#include <QFile>
#include <QPointer>
#include <QStringList>
#include <QWidget>

// Feeds an interpreter from a text: blank-delimited tokens, strings up to a
// delimiter (trimmed), lines up to the first character that is not printable.
struct ScriptFeeder
{
    QString text;
    int position = 0;

    explicit ScriptFeeder(Forth* forth, const QString& script)
        : text(script)
    {
        QObject::connect(forth, &Forth::RequestTokenFromInput, [this](QString* token) {
            while (position < text.size() && text.at(position).isSpace())
                ++position;
            const int start = position;
            while (position < text.size() && !text.at(position).isSpace())
                ++position;
            *token = text.mid(start, position - start);
        });
        QObject::connect(forth, &Forth::RequestStringFromInput, [this](QString* read, const QChar& delimiter) {
            int end = text.indexOf(delimiter, position);
            if (end < 0)
                end = text.size();
            *read = text.mid(position, end - position).trimmed();
            position = qMin(end + 1, int(text.size()));
        });
        QObject::connect(forth, &Forth::RequestLineFromInput, [this](QString*) {
            while (position < text.size() && text.at(position).isPrint())
                ++position;
            ++position;
        });
    }
};

// Writes each file, named and with its text, into the folder; false when one
// cannot be written.
inline bool writeTestFiles(const QString& folder, const QList<QPair<QString, QByteArray> >& files)
{
    for (const auto& named : files) {
        QFile file(folder + QLatin1Char('/') + named.first);
        if (!file.open(QIODevice::WriteOnly) || file.write(named.second) != named.second.size())
            return false;
    }
    return true;
}

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
