#include "Application.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMutex>
#include <QPrinter>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QWaitCondition>
#include <QVector>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

Application::PrinterQuery queryPrintSystem()
{
    return {QPrinterInfo::availablePrinters(), QPrinterInfo::defaultPrinter()};
}

QString geometryKey(QWidget* widget, const QString& key)
{
    return key.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : key;
}

// Where the window a child window belongs to stood when the child's geometry was kept.
QString ownerPlaceKey(QWidget* widget, const QString& key)
{
    return geometryKey(widget, key) + QStringLiteral("OwnerPosition");
}

// The shown window that a child window belongs to, or none.
const QWidget* shownOwner(const QWidget* widget)
{
    const QWidget* owner = widget->isWindow() && widget->parentWidget() ? widget->parentWidget()->window() : nullptr;
    return owner && owner->isVisible() ? owner : nullptr;
}

// Whether the window system has framed the window: it is on the screen, in
// a frame round it. A window manager still building the frame may have it
// smaller than the window for a moment.
bool isFramed(const QWidget* window)
{
    if (!window->isVisible() || !window->windowHandle() || !window->windowHandle()->isExposed())
        return false;
    const QMargins m = Application::windowFrameMargins(window);
    return m.left() >= 0 && m.top() >= 0 && m.right() >= 0 && m.bottom() >= 0;
}

// The frame that the window system puts round the window. One not framed yet
// is likely to get what the window it belongs to has, or else the one given.
QMargins frameMargins(const QWidget* window, const QWidget* alike = nullptr)
{
    if (isFramed(window))
        return Application::windowFrameMargins(window);
    const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : alike;
    return owner && isFramed(owner) ? Application::windowFrameMargins(owner) : QMargins();
}

// A window's geometry is that of its inside, whether or not it is framed yet.
// A window never resized still takes its size hint when it is shown.
void setFrame(QWidget* window, const QRect& frame, const QMargins& margins)
{
    const bool resized = window->testAttribute(Qt::WA_Resized);
    window->setGeometry(frame.marginsRemoved(margins));
    window->setAttribute(Qt::WA_Resized, resized);
}

// Places a window once more when the window system frames it otherwise than
// it was placed for. The frame is known once the window is exposed and its
// frame built; it is read again as the window system answers, until it holds.
class FrameCheck : public QObject
{
public:
    FrameCheck(QWidget* window, const QMargins& assumed, const Application::FramePlacement& where)
        : QObject(window), window(window), assumed(assumed), where(where)
    {
        window->installEventFilter(this);
        watchHandle();
        // A frame still being built tells of itself by no event: it is read
        // again shortly, for a second or two at most.
        again.setSingleShot(true);
        again.setInterval(10);
        connect(&again, &QTimer::timeout, this, [this] {
            if (handle && handle->isExposed())
                check();
        });
    }

    // The one a window has, placed for these margins now.
    static void watch(QWidget* window, const QMargins& assumed, const Application::FramePlacement& where)
    {
        for (QObject* child : window->children())
            if (auto* check = dynamic_cast<FrameCheck*>(child)) {
                check->assumed = assumed;
                check->where = where;
                return;
            }
        new FrameCheck(window, assumed, where);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool answer = event->type() == QEvent::Expose
                            || (event->spontaneous() && (event->type() == QEvent::Move || event->type() == QEvent::Resize));
        if (watched == window && event->type() == QEvent::Show)
            watchHandle();
        else if (watched == handle && answer && handle->isExposed())
            check();
        return false;
    }

private:
    void check()
    {
        if (!isFramed(window)) {
            if (++reads < 200)
                again.start();
            else
                finish();
            return;
        }
        // Placed again where the frame turns out otherwise than assumed, or
        // where the window manager put it elsewhere, a few times at most: a
        // window manager may keep windows where it wants them.
        const QMargins framed = Application::windowFrameMargins(window);
        const QRect wanted = where(framed);
        if ((framed == assumed && window->geometry() == wanted.marginsRemoved(framed)) || ++placements > 3)
            return finish();
        assumed = framed;
        setFrame(window, wanted, framed);
    }

    void finish()
    {
        again.stop();
        window->removeEventFilter(this);
        if (handle)
            handle->removeEventFilter(this);
        // A later placement of the window starts a check of its own.
        setParent(nullptr);
        deleteLater();
    }

    void watchHandle()
    {
        if (!handle && window->windowHandle()) {
            handle = window->windowHandle();
            handle->installEventFilter(this);
        }
    }

    QWidget* window;
    QPointer<QWindow> handle;
    QMargins assumed;
    Application::FramePlacement where;
    QTimer again;
    int reads = 0, placements = 0;
};

int widthShortfall(const QWidget* widget);

// A scroll area showing a widget of its own: a list of entries.
const QScrollArea* asList(const QWidget* widget)
{
    const auto* list = qobject_cast<const QScrollArea*>(widget);
    return list && list->widget() ? list : nullptr;
}

// The width a list's entries take, so that none is cut or scrolled sideways.
int entriesWidth(const QScrollArea* list)
{
    const QWidget* content = list->widget();
    return list->widgetResizable() ? std::max(content->sizeHint().width(), content->minimumSizeHint().width())
                                   : content->width();
}

// What a part of a window lacks in width: its content's needs, and at least
// its least size, which a splitter can cut into.
int partShortfall(const QWidget* part)
{
    return std::max({0, widthShortfall(part), part->minimumSizeHint().width() - part->width()});
}

// What a list can give up and still show whole.
int listSlack(const QWidget* part)
{
    const QScrollArea* list = asList(part);
    if (!list)
        return 0;
    return std::max(0, std::min(list->viewport()->width() - entriesWidth(list),
                                part->width() - part->minimumSizeHint().width()));
}

// The widths of a splitter's columns at which each shows whole: a column
// that falls short gets what it lacks, first from the spare width of the
// lists beside it. Returns what is still lacking.
int shareColumns(const QSplitter* splitter, QList<int>* sizes)
{
    *sizes = splitter->sizes();
    QVector<int> slack(sizes->size(), 0);
    int lacking = 0;
    for (int i = 0; i < splitter->count(); ++i) {
        const QWidget* column = splitter->widget(i);
        if (column->isHidden())
            continue;
        const int shortfall = partShortfall(column);
        (*sizes)[i] += shortfall;
        lacking += shortfall;
        slack[i] = shortfall > 0 ? 0 : listSlack(column);
    }
    while (lacking > 0) {
        const auto most = std::max_element(slack.begin(), slack.end());
        if (*most == 0)
            break;
        const int taken = std::min(*most, lacking);
        (*sizes)[int(most - slack.begin())] -= taken;
        *most = 0;
        lacking -= taken;
    }
    return lacking;
}

// How much wider the widget must be for all it holds to show whole: every
// list as wide as its entries and no part below its least size. Side by
// side, the columns of a splitter share their spare width first.
int widthShortfall(const QWidget* widget)
{
    if (const QScrollArea* list = asList(widget))
        return std::max(0, entriesWidth(list) - list->viewport()->width());
    // Other scroll areas say so when their size follows their content.
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(widget)) {
        const int wanted = area->sizeAdjustPolicy() == QAbstractScrollArea::AdjustIgnored
                               ? 0
                               : area->sizeHint().width() - area->width();
        return std::max({0, area->horizontalScrollBar()->maximum(), wanted});
    }
    if (const auto* splitter = qobject_cast<const QSplitter*>(widget);
        splitter && splitter->orientation() == Qt::Horizontal) {
        QList<int> sizes;
        return shareColumns(splitter, &sizes);
    }
    int shortfall = widget->layout() ? widget->layout()->totalMinimumSize().width() - widget->width() : 0;
    for (const QWidget* child : widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && !child->isHidden())
            shortfall = std::max(shortfall, partShortfall(child));
    return std::max(0, shortfall);
}

// Slides the window, frame and all, onto the screen it is on, as far as it
// fits; says whether it had to.
bool keepOnScreen(QWidget* window)
{
    QScreen* screen = QGuiApplication::screenAt(window->geometry().center());
    if (!screen)
        screen = window->screen();
    const QRect inner = window->geometry(), available = screen->availableGeometry();
    const auto inside = [inner, available](const QMargins& margins) {
        return Application::movedInside(inner.marginsAdded(margins), available);
    };
    const QMargins margins = frameMargins(window);
    if (inside(margins) == inner.marginsAdded(margins))
        return false;
    Application::placeFrame(window, inside);
    return true;
}

// Widens the window until nothing in it falls short or the width is used up.
// A splitter would share new width by its stretch factors; its columns are
// given the widths at which they show whole instead.
void widen(QWidget* window, int widest)
{
    for (int pass = 0; pass < 4; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QList<QSplitter*> splitters = window->findChildren<QSplitter*>();
        if (auto* own = qobject_cast<QSplitter*>(window))
            splitters.prepend(own);
        QList<QPair<QSplitter*, QList<int>>> columns;
        for (QSplitter* splitter : splitters) {
            QList<int> sizes;
            if (splitter->orientation() == Qt::Horizontal && splitter->isVisibleTo(window)
                && (shareColumns(splitter, &sizes), sizes != splitter->sizes()))
                columns.append({splitter, sizes});
        }
        const int width = std::min(window->width() + widthShortfall(window), widest);
        if (width <= window->width() && columns.isEmpty())
            return;
        if (width > window->width())
            window->resize(width, window->height());
        for (const auto& column : columns)
            column.first->setSizes(column.second);
    }
}

} // namespace

QSharedPointer<QSettings> Application::_settings;
QString Application::_applicationProductCode;
QString Application::_applicationIconFileName;
QString Application::_applicationCopyright;
QList<QPrinterInfo> Application::_availablePrinters;
QPrinterInfo Application::_defaultPrinter;
bool Application::_printersHaveBeenEnumerated = false;
QString Application::_availableUpdateVersion;
QString Application::_availableUpdateURL;
QList<QObject*> Application::_widgetOpened;
QPointer<QWidget> Application::_widgetOpener;
Application::PrinterQuery (*Application::_queryPrinters)() = queryPrintSystem;

void Application::enumeratePrinters()
{
    connect(this, &Application::_EnumeratedPrinters, this, &Application::enumeratedPrinters,
            Qt::UniqueConnection);
    enumeratePrintersInThread();
}

void Application::enumeratePrintersInThread()
{
    const PrinterQuery found = _queryPrinters();
    emit _EnumeratedPrinters(found.first, found.second);
}

void Application::enumeratedPrinters(QList<QPrinterInfo> printers, QPrinterInfo defaultPrinter)
{
    // The stored default is the printer a native printer made on the reported
    // one resolves to.
    QPrinter printer(defaultPrinter, QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::NativeFormat);
    _availablePrinters = printers;
    _defaultPrinter = QPrinterInfo(printer);
    _printersHaveBeenEnumerated = true;
    emit PrintersEnumerated();
}

void Application::removeWidgetOpened(QObject* object)
{
    // Inside destroyed() the widget part is gone already: only the address
    // identifies it.
    _widgetOpened.removeAll(object);
}

bool Application::noteOpened(QWidget* widget)
{
    if (_widgetOpened.contains(widget))
        return false;
    _widgetOpened.append(widget);
    if (auto* application = qobject_cast<Application*>(QCoreApplication::instance()))
        connect(widget, &QObject::destroyed, application, &Application::removeWidgetOpened);
    else
        connect(widget, &QObject::destroyed, [](QObject* object) { _widgetOpened.removeAll(object); });
    return true;
}

bool Application::restoreWidgetGeometry(QWidget* widget, const QString& key)
{
    if (!noteOpened(widget))
        return false;

    const QVariant stored = _settings ? _settings->value(geometryKey(widget, key)) : QVariant();
    if (!stored.isValid()) {
        placeWidget(widget);
        return false;
    }
    // Bytes that do not restore are as good as none. A child window keeps
    // its place as seen from the window it belongs to, so that the one of a
    // second window opens beside that window, not where the first one was;
    // where that is off the screen, it opens beside what opens it. One that
    // would reach off its screen comes back onto it.
    if (!widget->restoreGeometry(stored.toByteArray())) {
        placeWidget(widget);
    } else if (widget->isWindow() && widget->parentWidget()) {
        const QVariant ownerPlace = _settings->value(ownerPlaceKey(widget, key));
        const QWidget* owner = shownOwner(widget);
        const bool follows = owner && ownerPlace.canConvert<QPoint>();
        if (follows)
            widget->move(widget->pos() + owner->frameGeometry().topLeft() - ownerPlace.toPoint());
        // Where that place is off the screen, beside what opens it instead.
        if (keepOnScreen(widget) && follows) {
            widget->setAttribute(Qt::WA_Moved, false);
            placeWidget(widget);
        }
    }
    return true;
}

QMargins Application::windowFrameMargins(const QWidget* window)
{
    // The widget's own record of its frame is renewed only as the window
    // moves or resizes, and may keep a frame the window manager had built
    // part way; the window system's is read afresh.
    if (window->isVisible() && window->windowHandle())
        return window->windowHandle()->frameMargins();
    const QRect frame = window->frameGeometry(), inner = window->geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
}

QRect Application::movedInside(QRect rect, const QRect& bounds)
{
    rect.moveLeft(std::max(bounds.left(), std::min(rect.left(), bounds.right() - rect.width() + 1)));
    rect.moveTop(std::max(bounds.top(), std::min(rect.top(), bounds.bottom() - rect.height() + 1)));
    return rect;
}

void Application::showWidgetBeside(QWidget* widget, QWidget* opener)
{
    const QPointer<QWidget> outer = _widgetOpener;
    const auto restore = qScopeGuard([&outer] { _widgetOpener = outer; });
    _widgetOpener = opener;
    widget->show();
}

// A child window is made as large as its content needs, within the screen
// it opens on, and put beside its opener without covering it: right of it,
// below, left or above, the first side where it fits whole. A button of the
// window it belongs to is its opener; of any other window (a tool window, a
// tool menu) the whole of that window is. Without an opener it is centred on
// the window it belongs to. Explicit sizes and places are kept.
void Application::placeWidget(QWidget* widget)
{
    QWidget* owner = widget->parentWidget() ? widget->parentWidget()->window() : nullptr;
    if (!owner || !widget->isWindow())
        return;
    QRect anchor;
    if (QWidget* opener = _widgetOpener) {
        QWidget* openerWindow = opener->window();
        anchor = openerWindow == owner ? QRect(opener->mapToGlobal(QPoint(0, 0)), opener->size())
                                       : openerWindow->frameGeometry();
    }
    const QRect ownerFrame = owner->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(anchor.isValid() ? anchor.center() : ownerFrame.center());
    if (!screen)
        screen = owner->screen();
    const QRect available = screen->availableGeometry();
    const QMargins margins = frameMargins(widget);
    const QSize room = available.marginsRemoved(margins).size();
    if (!widget->testAttribute(Qt::WA_Resized)) {
        // Shown, a window has been given its size hint already.
        widget->resize(widget->size().boundedTo(room));
        widen(widget, room.width());
    }
    if (widget->testAttribute(Qt::WA_Moved))
        return;

    placeFrame(widget, [widget, anchor, ownerFrame, available](const QMargins& margins) {
        QRect frame(QPoint(0, 0), widget->size().boundedTo(available.marginsRemoved(margins).size()).grownBy(margins));
        frame.moveCenter(ownerFrame.center());
        QRect placed = movedInside(frame, available);
        if (!anchor.isValid())
            return placed;
        const int gap = 4;
        const QPoint corners[] = {{anchor.right() + 1 + gap, anchor.top()},
                                  {anchor.left(), anchor.bottom() + 1 + gap},
                                  {anchor.left() - gap - frame.width(), anchor.top()},
                                  {anchor.left(), anchor.top() - gap - frame.height()}};
        // Where no side has room, the one that covers least of the opener.
        qint64 covered = -1;
        for (const QPoint& corner : corners) {
            const QRect side = movedInside(QRect(corner, frame.size()), available);
            const QRect overlap = side.intersected(anchor);
            const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
            if (covered < 0 || area < covered) {
                covered = area;
                placed = side;
            }
            if (area == 0)
                break;
        }
        return placed;
    });
}

void Application::placeCascaded(QWidget* window, const QWidget* original)
{
    // At the stored geometry a copy would lie exactly over its original.
    noteOpened(window);
    const QRect from = original->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(from.center());
    if (!screen)
        screen = original->screen();
    const QSize size = original->size();
    // The window system's title bar, or the style's where it draws none or a thinner one.
    const int titleBar = original->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, original);
    // Resized, the window keeps its size rather than take its size hint when shown.
    window->resize(size);
    placeFrame(window, [from, size, titleBar, available = screen->availableGeometry()](const QMargins& margins) {
        const int step = std::max(margins.top(), titleBar);
        // Room for two places a step apart, so that the copy never hides its original.
        QRect frame(from.topLeft() + QPoint(step, step),
                    size.grownBy(margins).boundedTo(available.size() - QSize(step, step)));
        if (frame.left() < available.left() || frame.right() > available.right())
            frame.moveLeft(available.left());
        if (frame.top() < available.top() || frame.bottom() > available.bottom())
            frame.moveTop(available.top());
        return frame;
    }, original);
}

void Application::placeFrame(QWidget* window, const FramePlacement& where, const QWidget* framedAlike)
{
    const QMargins margins = frameMargins(window, framedAlike);
    setFrame(window, where(margins), margins);
    if (!isFramed(window))
        FrameCheck::watch(window, margins, where);
}

void Application::fitWidgetToContent(QWidget* widget)
{
    if (!widget->isWindow() || !widget->isVisible())
        return;
    widen(widget, widget->screen()->availableGeometry().marginsRemoved(frameMargins(widget)).width());
    keepOnScreen(widget);
}

void Application::saveWidgetGeometry(QWidget* widget, const QString& key)
{
    if (!_settings)
        return;
    _settings->setValue(geometryKey(widget, key), widget->saveGeometry());
    if (const QWidget* owner = shownOwner(widget))
        _settings->setValue(ownerPlaceKey(widget, key), owner->frameGeometry().topLeft());
    else
        _settings->remove(ownerPlaceKey(widget, key));
}

QString Application::existingFolder(const QString& folder)
{
    const QString wanted =
        folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) : folder;
    return QFileInfo(wanted).isDir() ? wanted : QDir::homePath();
}

QString Application::suggestedPath(const QString& folder, const QString& modelPath)
{
    const QString name = modelPath.isEmpty() ? tr("Untitled") : QFileInfo(modelPath).completeBaseName();
    return QDir(existingFolder(folder)).filePath(name);
}

void Application::msleep(unsigned int milliseconds)
{
    QMutex mutex;
    QWaitCondition nothingWakesThis;
    QMutexLocker locker(&mutex);
    // A spurious wake-up returns early; only the deadline ends the sleep.
    const QDeadlineTimer deadline(qint64(milliseconds), Qt::PreciseTimer);
    while (!deadline.hasExpired())
        nothingWakesThis.wait(&mutex, deadline);
}
