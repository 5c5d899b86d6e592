#include "DemoRunner.h"

#include "ScreenPoints.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>

#include <cmath>

QPoint DemoRunner::globalCentreOf(const QWidget* widget)
{
    return widget->mapToGlobal(QPoint((widget->width() - 1) / 2, (widget->height() - 1) / 2));
}

QWidget* DemoRunner::findTarget(const QString& path) const
{
    QWidget* found = qobject_cast<QWidget*>(parent());
    QStringList names = path.split(QLatin1Char(':'));
    names.removeFirst();
    for (const QString& name : qAsConst(names)) {
        if (!found)
            break;
        found = found->findChild<QWidget*>(name);
    }
    return found;
}

void DemoRunner::setTarget(const QString& path)
{
    targetWidget = findTarget(path);
}

void DemoRunner::ensureWidgetAccessible(QWidget* widget, bool enable)
{
    QWidget* window = widget ? widget->window() : nullptr;
    if (!window)
        return;
    window->show();
    if (!window->isActiveWindow())
        window->activateWindow();
    window->raise();
    if (enable)
        window->setEnabled(true);
}

void DemoRunner::ensureTargetAccessible(bool enable)
{
    // Tool tips would cover what the demonstration shows; they go for good.
    for (QWidget* widget = targetWidget; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget())
        widget->setToolTip(QString());
    ensureWidgetAccessible(targetWidget, enable);
    QCoreApplication::processEvents();
    if (!targetWidget)
        return;
    const QPoint centre = globalCentreOf(targetWidget);
    for (QWidget* ancestor = targetWidget->parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        auto* area = qobject_cast<QScrollArea*>(ancestor);
        if (!area || !area->widget())
            continue;
        const QPoint inContent = area->widget()->mapFromGlobal(centre);
        area->ensureVisible(inContent.x(), inContent.y(), 50, 50);
        QCoreApplication::processEvents();
        return;
    }
}

bool DemoRunner::goToTarget()
{
    expectedCursor = QCursor::pos();
    ensureTargetAccessible(false);
    const int distance = distanceToTarget();
    if (distance < 1)
        return false;
    beginTimeLine(distance);
    return true;
}

bool DemoRunner::dragToTarget()
{
    expectedCursor = QCursor::pos();
    ensureTargetAccessible(false);
    QWidget* widget = targetWidget;
    const int distance = distanceToTarget();
    if (distance <= 0 || !widget)
        return false;
    issueMouseButtonEvent(QEvent::MouseButtonPress, widget);
    issueMouseButtonEvent(QEvent::MouseMove, widget);
    beginTimeLine(distance);
    return true;
}

void DemoRunner::beginTimeLine(int distance)
{
    int duration = 5 * qBound(0, distance, 120);
    if (isSelfTest())
        duration = 1;
    else if (isFastForward())
        duration /= 2;
    glideTimeLine.stop();
    glideTimeLine.setDuration(qMax(1, duration));
    glideTimeLine.start();
}

int DemoRunner::distanceToTarget()
{
    glideStart = expectedCursor;
    const float dx = float(glideEnd.x() - glideStart.x());
    const float dy = float(glideEnd.y() - glideStart.y());
    return roundScreenCoordinate(double(std::sqrt(dx * dx + dy * dy)));
}

bool DemoRunner::isCursorOnTarget() const
{
    return (expectedCursor - roundScreenPoint(glideEnd.x(), glideEnd.y())).manhattanLength() < 3;
}

void DemoRunner::moveCursor(qreal t)
{
    if (!targetWidget || holdForBox())
        return;
    pauseIfMouseMoved(false);
    const QPointF point = glideStart * (1.0 - t) + glideEnd * t;
    moveCursor(roundScreenPoint(point.x(), point.y()));
}

void DemoRunner::moveCursor(const QPoint& position)
{
    expectedCursor = position;
    QCursor::setPos(position);
}

void DemoRunner::pullMouseButtonsFromStack()
{
    clickCount = forth->pullD().toInt();
    keyboardModifiers = forth->pullD().toInt();
    mouseButtons = forth->pullD().toInt();
    mouseButton = forth->pullD().toInt();
}

void DemoRunner::issueMouseButtonEvent(QEvent::Type type, QWidget* widget)
{
    emit EnablePreciseClicks(true);
    if (!widget)
        return;
    const QPointF local = widget->mapFromGlobal(expectedCursor);
    QCoreApplication::postEvent(widget, new QMouseEvent(type, local, QPointF(expectedCursor),
                                                        Qt::MouseButton(mouseButton), Qt::MouseButtons(mouseButtons),
                                                        Qt::KeyboardModifiers(keyboardModifiers)));
}

void DemoRunner::moveMouseToDefaultButton()
{
    for (const QPointer<QPushButton>& button : qAsConst(defaultButtons)) {
        if (button && button->isVisible()) {
            moveCursor(globalCentreOf(button));
            return;
        }
    }
}
