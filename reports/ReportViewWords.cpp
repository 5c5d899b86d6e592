// The words by which the demonstration scripts find the tiles of the reports.

#include "ReportView.h"

#include <QPushButton>
#include <QScrollArea>

QList<QPushButton*> ReportView::reportTiles() const
{
    QWidget* pane = layoutScrollArea->widget();
    return pane ? pane->findChildren<QPushButton*>() : QList<QPushButton*>();
}

void ReportView::tryForthWord(const QString& word, QStack<QVariant>* stack, bool* handled) const
{
    if (*handled || stack->isEmpty())
        return;
    auto* target = qobject_cast<QWidget*>(stack->top().value<QObject*>());
    if (!target || (target != this && !isAncestorOf(target)))
        return;
    const QVariant targetCell = stack->pop();

    const bool previewWord = word == QLatin1String("SYS/REPORT:PREVIEWBUTTONFORREPORT");
    const bool itemWord = word == QLatin1String("SYS/REPORT:FORMATITEM");
    const bool blockWord = word == QLatin1String("SYS/REPORT:FORMATITEMBLOCK");
    if (word == QLatin1String("SYS/REPORT:CELLSIZE")) {
        stack->push(40.0);
        stack->push(40.0);
        *handled = true;
    } else if ((previewWord || itemWord || blockWord) && !stack->isEmpty()) {
        int n = stack->pop().toInt();
        for (QPushButton* tile : reportTiles()) {
            if ((tile->objectName() == QLatin1String("OpenPreview")) != previewWord || --n != 0)
                continue;
            QWidget* found = blockWord ? tile->parentWidget() : tile;
            if (found) {
                stack->push(QVariant::fromValue(found));
                *handled = true;
            }
            break;
        }
    }
    stack->push(targetCell);
}
