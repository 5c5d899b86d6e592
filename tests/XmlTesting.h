#pragma once

#include <QHash>
#include <QRegularExpression>
#include <QString>

// Ids are addresses, so they differ between two writes; number them in order
// of first appearance to compare the rest of the text.
inline QString withNumberedIds(const QString& text)
{
    QHash<QString, QString> numbers;
    QRegularExpressionMatchIterator refs = QRegularExpression(QStringLiteral("ref=\"(\\d+)\"")).globalMatch(text);
    while (refs.hasNext()) {
        const QString id = refs.next().captured(1);
        if (!numbers.contains(id))
            numbers.insert(id, QStringLiteral("#%1").arg(numbers.size()));
    }
    QString numbered;
    numbered.reserve(text.size());
    int done = 0;
    QRegularExpressionMatchIterator words = QRegularExpression(QStringLiteral("\\b\\d+\\b")).globalMatch(text);
    while (words.hasNext()) {
        const QRegularExpressionMatch word = words.next();
        const auto number = numbers.constFind(word.captured());
        if (number == numbers.constEnd())
            continue;
        numbered += text.midRef(done, word.capturedStart() - done);
        numbered += *number;
        done = word.capturedEnd();
    }
    numbered += text.midRef(done);
    return numbered;
}
