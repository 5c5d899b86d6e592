#include "DemoRunner.h"

#include "CurrentState.h"
#include "DocumentModel.h"
#include "ScreenPoints.h"
#include "StructureModel.h"
#include "ViewPoint.h"

#include <QApplication>
#include <QLineEdit>
#include <QSlider>

#include <cmath>

namespace {

// The numbers n of the host words; their codes are 0x5000 + n.
enum HostWord {
    Bist = 0x01,
    BistAdd = 0x02,
    BistClear = 0x03,
    Click = 0x08,
    CheckPointWord = 0x09,
    ClosePopUp = 0x0a,
    DoubleClick = 0x10,
    EnvelopPoint = 0x21,
    FlyToViewPoint = 0x30,
    GetSliderValue = 0x40,
    Go = 0x41,
    MakeVector = 0x50,
    MapRelativeToGlobal = 0x51,
    Message = 0x52,
    MouseDragTo = 0x53,
    NodeCount = 0x59,
    Pause = 0x5a,
    PopUp = 0x60,
    ResetWord = 0x70,
    SetBendingMomentScale = 0x80,
    SetDeflectionScale = 0x81,
    SetLoadScale = 0x83,
    SetMaximumMessageDelay = 0x84,
    SetReactionScale = 0x85,
    SetShearForceScale = 0x86,
    SetSliderValue = 0x87,
    SetSpeed = 0x88,
    SetUnitSystem = 0x8a,
    SetViewPoint = 0x8b,
    TypeInLineEdit = 0xa1,
    ViewPointWord = 0xa8,
    Wait = 0xb0,
    WidgetCentre = 0xb1,
    WidgetPresent = 0xb3,
    WidgetTarget = 0xb4,
    CellHotSpot = 0x100,
    NearestLoad = 0x101,
    NearestMember = 0x102,
    NearestNode = 0x103,
    ObjectHotSpot = 0x104,
    ObjectWorldPosition = 0x105,
    RegionCentre = 0x106,
    ViewParameters = 0x107,
    ReportFormatItem = 0x108,
    ReportFormatItemBlock = 0x109,
    ReportCellSize = 0x10a,
    ReportPreviewButtonForReport = 0x10b
};

struct HostWordName
{
    const char* name;
    int n;
};

const HostWordName hostWords[] = {
    {"SYS:BIST", Bist},
    {"SYS:BIST/ADD", BistAdd},
    {"SYS:BIST/CLEAR", BistClear},
    {"SYS:CHECKPOINT", CheckPointWord},
    {"SYS:CLICK", Click},
    {"SYS:CLOSEPOPUP", ClosePopUp},
    {"SYS:DOUBLECLICK", DoubleClick},
    {"SYS:ENVELOPPOINT", EnvelopPoint},
    {"SYS:FLYTOVIEWPOINT", FlyToViewPoint},
    {"SYS:GETSLIDERVALUE", GetSliderValue},
    {"SYS:GO", Go},
    {"SYS:MAKEVECTOR", MakeVector},
    {"SYS:MAPRELATIVETOGLOBAL", MapRelativeToGlobal},
    {"SYS:MESSAGE", Message},
    {"SYS:MOUSEDRAGTO", MouseDragTo},
    {"SYS:NODECOUNT", NodeCount},
    {"SYS:PAUSE", Pause},
    {"SYS:POPUP", PopUp},
    {"SYS:RESET", ResetWord},
    {"SYS:SETBENDINGMOMENTSCALE", SetBendingMomentScale},
    {"SYS:SETDEFLECTIONSCALE", SetDeflectionScale},
    {"SYS:SETLOADSCALE", SetLoadScale},
    {"SYS:SETMAXIMUMMESSAGEDELAY", SetMaximumMessageDelay},
    {"SYS:SETREACTIONSCALE", SetReactionScale},
    {"SYS:SETSHEARFORCESCALE", SetShearForceScale},
    {"SYS:SETSLIDERVALUE", SetSliderValue},
    {"SYS:SETSPEED", SetSpeed},
    {"SYS:SETUNITSYSTEM", SetUnitSystem},
    {"SYS:SETVIEWPOINT", SetViewPoint},
    {"SYS:TYPEINLINEEDIT", TypeInLineEdit},
    {"SYS:VIEWPOINT", ViewPointWord},
    {"SYS:WAIT", Wait},
    {"SYS:WIDGETCENTRE", WidgetCentre},
    {"SYS:WIDGETPRESENT", WidgetPresent},
    {"SYS:WIDGETTARGET", WidgetTarget},
    {"SYS:CELLHOTSPOT", CellHotSpot},
    {"SYS:NEARESTLOAD", NearestLoad},
    {"SYS:NEARESTMEMBER", NearestMember},
    {"SYS:NEARESTNODE", NearestNode},
    {"SYS:OBJECTHOTSPOT", ObjectHotSpot},
    {"SYS:OBJECTWORLDPOSITION", ObjectWorldPosition},
    {"SYS:REGIONCENTRE", RegionCentre},
    {"SYS:VIEWPARAMETERS", ViewParameters},
    {"SYS/REPORT:FORMATITEM", ReportFormatItem},
    {"SYS/REPORT:FORMATITEMBLOCK", ReportFormatItemBlock},
    {"SYS/REPORT:CELLSIZE", ReportCellSize},
    {"SYS/REPORT:PREVIEWBUTTONFORREPORT", ReportPreviewButtonForReport},
};

typedef QPointer<QWidget> GuardedWidget;

// A cell that holds a widget, guarded or plain. A null pointer of a widget
// type, like a guarded widget that has gone, holds no widget.
bool widgetInCell(const QVariant& cell, QWidget** widget)
{
    if (cell.userType() == qMetaTypeId<GuardedWidget>()) {
        *widget = cell.value<GuardedWidget>().data();
        return true;
    }
    if (!(QMetaType::typeFlags(cell.userType()) & QMetaType::PointerToQObject))
        return false;
    QObject* object = *static_cast<QObject* const*>(cell.constData());
    *widget = qobject_cast<QWidget*>(object);
    return !object || *widget;
}

// Widgets that the views hand back may be rebuilt while the script still
// holds them.
QVariant guardedCell(const QVariant& cell)
{
    QWidget* widget = nullptr;
    if (cell.userType() != qMetaTypeId<GuardedWidget>() && widgetInCell(cell, &widget) && widget)
        return QVariant::fromValue(GuardedWidget(widget));
    return cell;
}

QVariant plainCell(const QVariant& cell)
{
    if (cell.userType() == qMetaTypeId<GuardedWidget>())
        return QVariant::fromValue<QWidget*>(cell.value<GuardedWidget>().data());
    return cell;
}

} // namespace

QStringList DemoRunner::hostWordNames()
{
    QStringList names;
    for (const HostWordName& word : hostWords)
        names << QString::fromLatin1(word.name);
    return names;
}

void DemoRunner::createForth()
{
    auto fresh = std::make_unique<Forth>();
    for (const HostWordName& word : hostWords)
        fresh->registerName(QString::fromLatin1(word.name), word.n);
    connect(fresh.get(), &Forth::RequestLineFromInput, this, &DemoRunner::getLineFromStream, Qt::DirectConnection);
    connect(fresh.get(), &Forth::RequestStringFromInput, this, &DemoRunner::getStringFromStream,
            Qt::DirectConnection);
    connect(fresh.get(), &Forth::RequestTokenFromInput, this, &DemoRunner::getTokenFromStream, Qt::DirectConnection);
    forth = std::move(fresh);
}

bool DemoRunner::performReady(int* delay)
{
    if (!forth || (readPosition >= scriptText.length() && !forth->isExecuting())) {
        emit EnablePreciseClicks(false);
        setState(Stopped);
        return true;
    }
    const Forth::Dictionary word = forth->parse();
    if (word.code != Forth::NoWord)
        performHostWord(word.code, delay);
    return true;
}

void DemoRunner::performHostWord(Forth::Word code, int* delay)
{
    const int n = code - Forth::HostWord;
    if (!performControlWord(n, delay) && !performWidgetWord(n))
        handOff(code);
}

CurrentState& DemoRunner::requireCurrentState() const
{
    if (!currentState)
        throw Forth::ExceptionNotFound();
    return *currentState;
}

ViewPoint& DemoRunner::requireViewPoint() const
{
    if (!viewPoint)
        throw Forth::ExceptionNotFound();
    return *viewPoint;
}

QWidget* DemoRunner::requireTarget() const
{
    if (!targetWidget)
        throw Forth::ExceptionNotFound();
    return targetWidget;
}

QSlider* DemoRunner::targetSlider() const
{
    auto* slider = qobject_cast<QSlider*>(requireTarget());
    if (!slider)
        throw Forth::ExceptionNotFound();
    return slider;
}

// Distance, elevation, azimuth, then x, y, z: the layout SYS:VIEWPOINT pushes.
void DemoRunner::popViewPoint(double values[6])
{
    for (int i = 0; i < 6; ++i)
        values[i] = forth->pullD().toDouble();
}

bool DemoRunner::performControlWord(int n, int* delay)
{
    switch (n) {
    case Pause: {
        const int ms = forth->pullD().toInt();
        *delay = isSelfTest() ? 0 : ms;
        return true;
    }
    case Wait:
        *delay = forth->pullD().toInt();
        return true;
    case Message: {
        const int mode = forth->readD(0).toInt();
        *delay = (mode < 0 || isSelfTest()) ? 0 : isFastForward() ? 250 : 750;
        setState(MessageRequested);
        return true;
    }
    case PopUp: {
        const int weight = forth->pullD().toInt();
        const QString text = forth->pullD().toString();
        if (weight > 0 && !isFastForward()) {
            displayPopUp(text);
            const qint64 root = std::lrint(std::sqrt(double(qMax(0, weight - 10))));
            const qint64 ms = (qint64(weight) + root) * 200 + 1000;
            *delay = int(qMin<qint64>(ms * (isSlow() ? 2 : 1), 60000));
            setState(PopUpShown);
        }
        return true;
    }
    case ClosePopUp:
        if (QWidget* popUp = QApplication::activePopupWidget())
            QTimer::singleShot(1, popUp, &QWidget::hide);
        return true;
    case CheckPointWord:
        if (!isSelfTest() || !backCheckPoint) {
            saveCheckPoint();
        } else {
            if (!restoreCheckPoint())
                throw Forth::ExceptionNotFound();
            clearCheckPoint();
        }
        return true;
    case ResetWord:
        if (!forth->isClean()) {
            setState(Failed);
            return true;
        }
        if (!reset(false))
            throw Forth::ExceptionNotFound();
        eventLoopCount = 4;
        setState(NotStarted);
        return true;
    case SetSpeed: {
        static const QStringList names = {QStringLiteral("slow"), QStringLiteral("normal"), QStringLiteral("fast"),
                                          QStringLiteral("bist")};
        const int speed = names.indexOf(forth->pullD().toString().toLower());
        if (speed >= 0)
            setSpeed(speed);
        return true;
    }
    case BistClear:
        selfTest.clear();
        return true;
    case BistAdd:
        addSelfTestRecord();
        return true;
    case Bist:
        if (isSelfTest())
            compareGeometryRecord();
        return true;
    case SetBendingMomentScale:
    case SetDeflectionScale:
    case SetLoadScale:
    case SetReactionScale:
    case SetShearForceScale: {
        const double factor = forth->pullD().toDouble();
        CurrentState& state = requireCurrentState();
        if (n == SetBendingMomentScale)
            state.setScaleBendingMoments(factor);
        else if (n == SetDeflectionScale)
            state.setScaleDeflections(factor);
        else if (n == SetLoadScale)
            state.setScaleLoads(factor);
        else if (n == SetReactionScale)
            state.setScaleReactions(factor);
        else
            state.setScaleShearForces(factor);
        return true;
    }
    case ViewPointWord: {
        const ViewPoint& camera = requireViewPoint();
        const Vector3 focalPoint = camera.focalPoint();
        for (double value : {focalPoint.z(), focalPoint.y(), focalPoint.x(), camera.azimuth(), camera.elevation(),
                             camera.distance()})
            forth->pushD(value);
        return true;
    }
    case SetViewPoint:
    case FlyToViewPoint: {
        double values[6];
        popViewPoint(values);
        ViewPoint& camera = requireViewPoint();
        const Vector3 focalPoint(values[3], values[4], values[5]);
        if (n == FlyToViewPoint) {
            camera.flyTo(values[2], values[1], values[0], focalPoint);
            *delay = 1000;
            setState(FlyingToViewPoint);
        } else {
            camera.setDistance(values[0]);
            camera.setElevation(values[1]);
            camera.setAzimuth(values[2]);
            camera.setFocalPoint(focalPoint);
        }
        return true;
    }
    case NodeCount:
        if (!document)
            throw Forth::ExceptionNotFound();
        forth->pushD(int(document->structureModel()->nodes().size()));
        return true;
    case MakeVector: {
        const int count = forth->pullD().toInt();
        QVariantList list;
        for (int i = 0; i < count; ++i)
            list.append(forth->pullD());
        forth->pushD(list);
        return true;
    }
    case EnvelopPoint: {
        double values[6];
        for (double& value : values)
            value = forth->pullD().toDouble();
        const double x = values[0], y = values[1], xMax = values[2], yMax = values[3], xMin = values[4],
                     yMin = values[5];
        forth->pushD(yMin <= y ? yMin : y);
        forth->pushD(xMin <= x ? xMin : x);
        forth->pushD(y <= yMax ? yMax : y);
        forth->pushD(x <= xMax ? xMax : x);
        return true;
    }
    default:
        return false;
    }
}

bool DemoRunner::performWidgetWord(int n)
{
    switch (n) {
    case WidgetTarget: {
        const QVariant cell = forth->pullD();
        QWidget* widget = nullptr;
        if (widgetInCell(cell, &widget))
            targetWidget = widget;
        else if (cell.canConvert<QString>())
            targetWidget = findTarget(cell.toString());
        return true;
    }
    case WidgetPresent:
        forth->pushDflag(findTarget(forth->pullD().toString()) != nullptr);
        return true;
    case WidgetCentre:
        ensureTargetAccessible(false);
        setState(PushTargetCentre);
        return true;
    case MapRelativeToGlobal: {
        const double fx = forth->pullD().toDouble();
        const double fy = forth->pullD().toDouble();
        QWidget* widget = requireTarget();
        const QPoint global = widget->mapToGlobal(roundScreenPoint(fx * widget->width(), fy * widget->height()));
        forth->pushD(global.y());
        forth->pushD(global.x());
        return true;
    }
    case Go:
        pullGlideEnd();
        if (goToTarget())
            setState(Gliding);
        return true;
    case Click:
        clickCounter = 0;
        pullMouseButtonsFromStack();
        // Only single and double clicks end: the cycle runs until the count.
        if (clickCount < 1 || clickCount > 2)
            throw Forth::ExceptionNotFound();
        ensureWidgetAccessible(targetWidget, true);
        // A disabled button takes the click and does nothing: in the self
        // test that is an action refused.
        if (isSelfTest() && targetWidget && !targetWidget->isEnabled()) {
            failSelfTest(tr("The script clicks %1, which is disabled.").arg(targetWidget->objectName()));
            return true;
        }
        setState(ClickPress);
        return true;
    case MouseDragTo: {
        pullMouseButtonsFromStack();
        pullGlideEnd();
        if (dragToTarget())
            setState(Dragging);
        return true;
    }
    case TypeInLineEdit: {
        const QString text = forth->pullD().toString();
        if (auto* edit = qobject_cast<QLineEdit*>(targetWidget))
            edit->setText(text);
        setState(Settle);
        return true;
    }
    case GetSliderValue:
        forth->pushD(targetSlider()->value());
        return true;
    case SetSliderValue: {
        const double value = forth->pullD().toDouble();
        QSlider* slider = targetSlider();
        if (std::isfinite(value))
            slider->setValue(int(std::lrint(qBound(double(slider->minimum()), value, double(slider->maximum())))));
        return true;
    }
    default:
        return false;
    }
}

// A screen point: x on top, y beneath.
void DemoRunner::pullGlideEnd()
{
    const double x = forth->pullD().toDouble();
    const double y = forth->pullD().toDouble();
    glideEnd = QPointF(x, y);
}

// Exactly one cell is taken from the script's stack and offered under the
// target; the serving receiver leaves its results under the target.
void DemoRunner::handOff(Forth::Word code)
{
    QStack<QVariant> stack;
    stack.push(plainCell(forth->pullD()));
    stack.push(QVariant::fromValue<QWidget*>(targetWidget.data()));
    bool handled = false;
    emit RequestForthExecution(forth->nameForCode(code), &stack, &handled);
    if (!handled)
        throw Forth::ExceptionNotFound();
    for (const QVariant& cell : qAsConst(stack))
        forth->pushD(guardedCell(cell));
    forth->pullD();
}
