#include "DemoRunner.h"

#include "Application.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace {

int overlap(const QRect& a, const QRect& b)
{
    const QRect common = a & b;
    return common.isEmpty() ? 0 : common.width() * common.height();
}

// How far one rectangle reaches into the other: the shorter way out.
int depth(const QRect& a, const QRect& b)
{
    const QRect common = a & b;
    return common.isEmpty() ? 0 : std::min(common.width(), common.height());
}

bool isPassingWindow(const QWidget* window)
{
    const Qt::WindowType type = window->windowType();
    return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen;
}

} // namespace

QPoint DemoRunner::placeBeside(const QRect& described, const QList<QRect>& others, const QSize& frame,
                               const QRect& available)
{
    const QRect& d = described;
    const QPoint candidates[] = {
        {d.right() + 1, d.top()},
        {d.left() - frame.width(), d.top()},
        {d.left(), d.bottom() + 1},
        {d.left(), d.top() - frame.height()},
        available.topLeft(),
        {available.right() + 1 - frame.width(), available.top()},
        {available.left(), available.bottom() + 1 - frame.height()},
        {available.right() + 1 - frame.width(), available.bottom() + 1 - frame.height()},
    };
    QPoint best;
    qint64 bestKey[3] = {-1, 0, 0};
    for (const QPoint& corner : candidates) {
        const QRect place = Application::movedInside(QRect(corner, frame), available);
        qint64 covered = 0;
        for (const QRect& other : others)
            covered += overlap(place, other);
        const qint64 key[3] = {depth(place, d), covered, (place.center() - d.center()).manhattanLength()};
        if (bestKey[0] < 0 || std::lexicographical_compare(key, key + 3, bestKey, bestKey + 3)) {
            std::copy(key, key + 3, bestKey);
            best = place.topLeft();
        }
    }
    return best;
}

QWidget* DemoRunner::demonstrationWindow() const
{
    auto* owner = qobject_cast<QWidget*>(parent());
    return owner ? owner->window() : nullptr;
}

bool DemoRunner::belongsToDemonstration(const QWidget* widget) const
{
    const QWidget* window = demonstrationWindow();
    for (const QWidget* w = widget; w && window; w = w->parentWidget())
        if (w == window)
            return true;
    return false;
}

QWidget* DemoRunner::describedWindow() const
{
    if (targetWidget && targetWidget->isVisible()) {
        QWidget* window = targetWidget->window();
        if (window != panel && !isPassingWindow(window) && belongsToDemonstration(window))
            return window;
    }
    return demonstrationWindow();
}

void DemoRunner::placePanel()
{
    QWidget* described = describedWindow();
    if (!described || !described->isVisible())
        return;
    QList<QRect> others;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != described && window != panel && window->isVisible() && !isPassingWindow(window) &&
            belongsToDemonstration(window))
            others << window->frameGeometry();
    const QRect area = described->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(area.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Before its first show the panel's frame is not known; a window manager
    // is likely to frame it as it framed the window beside it.
    QWidget* placed = panel;
    Application::placeFrame(
        placed,
        [placed, area, others, available = screen->availableGeometry()](const QMargins& margins) {
            const QSize frame = placed->size().grownBy(margins);
            return QRect(placeBeside(area, others, frame, available), frame);
        },
        described);
}

bool DemoRunner::holdForBox()
{
    QWidget* box = QApplication::activeModalWidget();
    const bool open = box && box != panel && belongsToDemonstration(box);
    if (open == heldByBox)
        return open;
    heldByBox = open;
    if (open) {
        // The pointer is the user's while the box waits for an answer.
        watchBeforeBox = mouseWatchOn;
        monitorMouse(false);
        if (glideTimeLine.state() == QTimeLine::Running)
            glideTimeLine.setPaused(true);
        if (popUpLabel)
            popUpLabel->hide();
        return true;
    }
    // On as after Resume, from where the run left the pointer.
    QCursor::setPos(expectedCursor);
    if (glideTimeLine.state() == QTimeLine::Paused && !goToTarget())
        glideTimeLine.stop();
    if (watchBeforeBox)
        monitorMouse(true);
    return false;
}

void DemoRunner::stopIfWindowClosed()
{
    QWidget* window = demonstrationWindow();
    if (window && !window->isVisible())
        stop();
}
