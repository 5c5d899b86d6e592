#include "DemoRunner.h"

void DemoRunner::setScript(const QString& text)
{
    static const char* const placeholders[][2] = {
        {"$Tap$", "Click"},
        {"$Tapped$", "Clicked"},
        {"$Tapping$", "Clicking"},
        {"$tap$", "click"},
        {"$tapped$", "clicked"},
        {"$tapping$", "clicking"},
        {"$using-pinch$", "using the mouse scroll wheel"},
        {"$two-fingers$", "the right-hand mouse button"},
        {"$swiping$", "dragging"},
    };
    scriptText = text;
    for (const auto& placeholder : placeholders)
        scriptText.replace(QLatin1String(placeholder[0]), QLatin1String(placeholder[1]), Qt::CaseSensitive);
    readPosition = 0;
}

void DemoRunner::skipWhiteSpace()
{
    while (readPosition < scriptText.length() && scriptText.at(readPosition).isSpace())
        ++readPosition;
}

void DemoRunner::getTokenFromStream(QString* token)
{
    skipWhiteSpace();
    const int start = readPosition;
    while (readPosition < scriptText.length() && !scriptText.at(readPosition).isSpace())
        ++readPosition;
    const QString text = scriptText.mid(start, readPosition - start);
    if (readPosition < scriptText.length())
        ++readPosition;
    if (token)
        *token = text;
}

QString DemoRunner::readToChar(const QChar& delimiter)
{
    const int end = scriptText.indexOf(delimiter, readPosition);
    const int stop = end < 0 ? scriptText.length() : end;
    const QString text = scriptText.mid(readPosition, stop - readPosition);
    readPosition = end < 0 ? stop : end + 1;
    return text;
}

void DemoRunner::getStringFromStream(QString* text, const QChar& delimiter)
{
    const QString read = readToChar(delimiter).trimmed();
    if (text)
        *text = read;
}

void DemoRunner::getLineFromStream(QString* line)
{
    const int start = readPosition;
    while (readPosition < scriptText.length() && scriptText.at(readPosition).isPrint())
        ++readPosition;
    const QString text = scriptText.mid(start, readPosition - start);
    if (readPosition < scriptText.length())
        ++readPosition;
    if (line)
        *line = text;
}

QSharedPointer<DemoRunner::CheckPoint> DemoRunner::makeCheckPoint()
{
    auto checkpoint = QSharedPointer<CheckPoint>::create();
    emit SaveCheckPoint(&checkpoint->document);
    checkpoint->scriptPosition = readPosition;
    checkpoint->target = targetWidget;
    if (forth)
        checkpoint->interpreter = *forth;
    return checkpoint;
}

void DemoRunner::saveCheckPoint()
{
    backCheckPoint = latestCheckPoint;
    latestCheckPoint = makeCheckPoint();
}

bool DemoRunner::restoreCheckPoint()
{
    if (!backCheckPoint)
        return true;
    if (!restoreToCheckPoint(backCheckPoint))
        return false;
    latestCheckPoint = backCheckPoint;
    backCheckPoint.reset();
    return true;
}

bool DemoRunner::restoreToCheckPoint(QSharedPointer<CheckPoint> checkpoint)
{
    if (!checkpoint)
        return true;
    bool restored = true;
    emit RestoreCheckPoint(checkpoint->document, &restored);
    if (!restored)
        return false;
    readPosition = checkpoint->scriptPosition;
    targetWidget = checkpoint->target;
    if (!forth)
        createForth();
    *forth = checkpoint->interpreter;
    return true;
}

void DemoRunner::clearCheckPoint()
{
    backCheckPoint.reset();
    latestCheckPoint.reset();
}

void DemoRunner::addValuesToBIST(QMap<QString, double>* values)
{
    values->insert(QStringLiteral("maxima"), forth->pullD().toDouble());
    forth->pullD();
    values->insert(QStringLiteral("mean1"), forth->pullD().toDouble());
    values->insert(QStringLiteral("mean2"), forth->pullD().toDouble());
    values->insert(QStringLiteral("variance"), forth->pullD().toDouble());
}
