#pragma once

#include <QEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QWidget>
#include <QWindow>
#include <QtTest>

#include <functional>

// Moving or resizing a shown window changes its geometry at once, but the
// window system answers later, a window manager later still and after the
// older requests it has not answered yet, which may take the change back for
// a while. A test that moves or resizes a window waits for the answer, with
// the geometry asked for, before it reads the geometry.
class WindowReports : public QObject
{
public:
    explicit WindowReports(QWidget* window)
    {
        if (window->windowHandle())
            window->windowHandle()->installEventFilter(this);
    }

    // Where the window system last said the inside of the window is, and how large.
    QPoint position;
    QSize size;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // The window system's reports come as spontaneous events.
        if (event->spontaneous() && event->type() == QEvent::Move)
            position = static_cast<QMoveEvent*>(event)->pos();
        else if (event->spontaneous() && event->type() == QEvent::Resize)
            size = static_cast<QResizeEvent*>(event)->size();
        return false;
    }
};

// Asks for a change of a shown window and waits until the window system
// reports what the window then holds; false when it never does. A window
// that is already where it is asked to be makes no request and gets no answer.
inline bool changeWindow(QWidget* window, const std::function<void()>& change)
{
    // A window being mapped has its first answer still to come.
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    const QRect before = window->frameGeometry();
    WindowReports reports(window);
    change();
    const QRect asked = window->geometry();
    if (window->frameGeometry() == before)
        return true;
    const bool moved = window->frameGeometry().topLeft() != before.topLeft();
    const bool resized = window->frameGeometry().size() != before.size();
    return QTest::qWaitFor(
        [&] { return (!moved || reports.position == asked.topLeft()) && (!resized || reports.size == asked.size()); },
        20000);
}

inline bool resizeWindow(QWidget* window, const QSize& size)
{
    return changeWindow(window, [window, size] { window->resize(size); });
}

// The frame's top left corner, as the program places its windows.
inline bool moveWindow(QWidget* window, const QPoint& frameTopLeft)
{
    return changeWindow(window, [window, frameTopLeft] { window->move(frameTopLeft); });
}
