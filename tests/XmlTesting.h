#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Ids are addresses, so they differ between two writes; number them in order
// of first appearance to compare the rest of the text.
inline QString withNumberedIds(QString text)
{
    QRegularExpressionMatchIterator refs = QRegularExpression(QStringLiteral("ref=\"(\\d+)\"")).globalMatch(text);
    QStringList ids;
    while (refs.hasNext()) {
        const QString id = refs.next().captured(1);
        if (!ids.contains(id))
            ids << id;
    }
    for (int i = 0; i < ids.size(); ++i)
        text.replace(QRegularExpression(QStringLiteral("\\b%1\\b").arg(ids[i])), QStringLiteral("#%1").arg(i));
    return text;
}
