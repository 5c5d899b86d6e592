#include "MainWindow.h"

#include "Application.h"
#include "Calculator.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "GeometryGroup.h"
#include "Loading.h"
#include "Load.h"
#include "Member.h"
#include "Node.h"
#include "SelectionModel.h"
#include "UserDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

namespace {

const QString makerProductAddress = QStringLiteral("https://kelvory.example/ulmar");

// The calculator hands back M (v, v, v, 1); this M keeps v alone in x.
Matrix4x4 valueInX()
{
    Matrix4x4 matrix = Matrix4x4::zeroed();
    matrix[0][0] = 1.0;
    return matrix;
}

} // namespace

// ---- The relayed buttons

void MainWindow::signalRelay(int id)
{
    const GeometryGroupRef group = state->group().dynamicCast<GeometryGroup>();
    const LoadingRef loading = state->loadCase().dynamicCast<Loading>();
    const int mode = state->mode();
    switch (id) {
    case AddMembers:
        emit ActionAddMembers(group);
        break;
    case AddNode:
        emit ActionAddNode(group);
        break;
    case AddPointLoad:
        emit ActionAddPointLoad(loading);
        break;
    case AddTorqueLoad:
        emit ActionAddTorqueLoad(loading);
        break;
    case AddTrapezoidLoad:
        emit ActionAddTrapezoidLoad(loading);
        break;
    case SelectAuto:
        if (mode == CurrentState::Geometry)
            emit ActionSelectNodesFromSelectedMembers();
        else if (mode == CurrentState::Loading)
            emit ActionSelectMembersFromSelectedLoads();
        break;
    case Delete:
        if (mode == CurrentState::Geometry)
            emit ActionDeleteSelectedGeometry();
        else if (mode == CurrentState::Loading)
            emit ActionDeleteSelectedLoads();
        break;
    case Move:
        if (mode == CurrentState::Geometry)
            emit ActionMoveSelectedGeometryToGroup(group);
        else if (mode == CurrentState::Loading)
            emit ActionMoveSelectedLoadsToLoading(loading);
        break;
    default:
        break;
    }
}

// ---- The calculator

CalculatorReference MainWindow::selectionReference() const
{
    CalculatorReference reference;
    if (document)
        reference.insert(QStringLiteral("selection"), QVariant::fromValue(document->selectionModel()->selection()));
    return reference;
}

void MainWindow::actionCopySelection()
{
    openCalculator(1.0, UnitSystem::Unitless, valueInX(), selectionReference(),
                   SLOT(actionCopySelection(Vector4, CalculatorReference)));
}

// The nodes turn about the master member of the moment the angle was asked for.
void MainWindow::actionRotate()
{
    CalculatorReference reference = selectionReference();
    if (const MemberRef member = document ? document->selectionModel()->lastSelectedMember() : MemberRef()) {
        reference.insert(QStringLiteral("masterMember"), QVariant::fromValue(member));
        reference.insert(QStringLiteral("cancelOnDeselect"), QVariant::fromValue(VaroObjectRef(member)));
    }
    openCalculator(0.0, UnitSystem::AngleDegrees, valueInX(), reference,
                   SLOT(actionRotateSelectedNodes(Vector4, CalculatorReference)));
}

void MainWindow::openCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                                const CalculatorReference& reference, const char* slot)
{
    if (document)
        openCalculator(value, conversion, matrix, reference, EditingActions::of(document.data()), slot);
}

void MainWindow::openCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                                const CalculatorReference& reference, QObject* receiver, const char* slot)
{
    if (!receiver || !calculator)
        return;
    disconnect(calculator, &Calculator::CalculationFinished, nullptr, nullptr);
    disconnect(calculatorReceiverGone);
    calculator->open(value, conversion, matrix, reference);
    connect(calculator, SIGNAL(CalculationFinished(Vector4, CalculatorReference)), receiver, slot);
    if (receiver != calculator)
        calculatorReceiverGone = connect(receiver, &QObject::destroyed, calculator, &Calculator::cancel);
}

void MainWindow::cancelCalculatorRequest(const CalculatorReference& reference)
{
    if (calculator && calculator->isVisible() && !reference.isEmpty() && calculator->currentReference() == reference)
        calculator->cancel();
}

// ---- Windows, pages and notices

MainWindow* MainWindow::duplicateWindow()
{
    if (!document || !view)
        return nullptr;
    auto* duplicate = new MainWindow(units, state);
    duplicate->setDocumentModel(document);
    duplicate->setViewPoint(ViewPointRef(new ViewPoint(*view)));
    // Otherwise the copy would call a named model untitled until its name next changes.
    duplicate->updateForFileName(document->path(), document->leafName(true));
    Application::placeCascaded(duplicate, this);
    duplicate->show();
    return duplicate;
}

void MainWindow::flyToViewPoint(const ViewPointRef& target)
{
    if (target && view)
        view->flyTo(*target);
}

void MainWindow::openExample(const QString& path)
{
    auto* example = new MainWindow;
    const bool opened = path.isEmpty() ? example->newFile() : example->openFile(path, true);
    if (!opened) {
        delete example;
        displayWarningMessage(tr("The example file cannot be loaded because the installation appears to be corrupt."));
        return;
    }
    example->show();
}

void MainWindow::openHelp()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString page =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("help/Help_Homepage.html"));
    const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(page));
    QApplication::restoreOverrideCursor();
    // Where the page is, so that it can be opened by hand.
    if (!opened)
        displayWarningMessage(tr("A web-browser either cannot be automatically launched or it will start shortly if "
                                 "it is in the process of a self-update.\n\nThe help is the page\n%1\nwhich any "
                                 "web-browser can open.")
                                  .arg(QDir::toNativeSeparators(page)));
}

// The reply of the update service is not trusted as rich text.
void MainWindow::indicateNewVersion(const QString& version, const QString& url)
{
    displayInformationMessage(
        tr("<p>New version available: %1</p><p>Click <a href=\"%2\">here</a> to go to the download site.</p>")
            .arg(version.toHtmlEscaped(), url.toHtmlEscaped()));
}

void MainWindow::openAbout()
{
    const QString name = QCoreApplication::applicationName();
    QString text = tr("<p><img src=\"%1\" width=72 height=72></p><p>A 3D elastic structural analysis program.</p>")
                       .arg(Application::_applicationIconFileName);
    text += QStringLiteral("<table style=\"border:none; margin-top:8px;\"><tr><td>");
    text += QStringLiteral("<p>%1 %2 %3</p>")
                .arg(name, QCoreApplication::applicationVersion(), Application::_applicationCopyright);
    if (!Application::_availableUpdateVersion.isEmpty())
        text += tr("<hr><p>Update available for download: <a href=\"%1\">v.%2</a></p>")
                    .arg(Application::_availableUpdateURL.toHtmlEscaped(),
                         Application::_availableUpdateVersion.toHtmlEscaped())
                + tr("<p style=\"color:#666666;\">To update this program, download the file from the Kelvory "
                     "website and proceed as per the original installation.</p>");
    else
        text += tr("<hr><p>No updates available for download.</p>");
    text += QStringLiteral("</td><td style=\"padding-left:4px;\">");
    text += QStringLiteral("<a href=\"%1\"><img src=\":/kelvorySmall90.png\" width=34 height=128></a></td></tr>")
                .arg(makerProductAddress);
    text += QStringLiteral("</table>");
    QMessageBox::about(this, tr("About %1").arg(name), text);
}

// ---- The document's messages and state

void MainWindow::displayWarningMessage(const QString& message)
{
    UserDialogs::warning(this, message);
}

void MainWindow::displayInformationMessage(const QString& message)
{
    UserDialogs::information(this, message);
}

void MainWindow::reportAnalysisCrashed()
{
    UserDialogs::current().message(
        this, QMessageBox::Critical,
        tr("The analysis process has terminated unexpectedly. Analysis results will no longer be available until "
           "this program has been restarted. Please report this problem to Kelvory Ltd."),
        QMessageBox::Ok, QMessageBox::Ok);
}

void MainWindow::documentModifiedStateHasChanged()
{
    if (!document)
        return;
    const bool modified = document->isModified();
    setWindowModified(modified);
    emit ModifiedStateHasChanged(modified);
}

void MainWindow::requestAutoSelection(const QList<VaroObjectRef>& objects, const QObject* origin)
{
    if (origin && origin != this)
        return;
    // Asked by this window's deletion, Yes deletes them with the selection;
    // asked for no window, Yes only selects them.
    const QString text =
        (origin ? tr("<p>These items depend on the selected geometry and would be deleted with it:</p>%1"
                     "<p>Do you wish to delete them together with the selection?</p>")
                : tr("<p>Additional items need to be selected before the operation can be performed:</p>%1"
                     "<p>Do you wish for them to be automatically added to the selection?</p>"))
            .arg(enumerateObjectsInHTML(objects));
    const QMessageBox::StandardButton answer = UserDialogs::current().message(
        this, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    emit ActionSelectObjects(objects);
    // The deletion this window asked for goes ahead; the loads among the
    // objects, which its own mode may not show, go with what carries them.
    if (origin)
        emit ActionDeleteSelectedGeometry();
}

QString MainWindow::enumerateObjectsInHTML(const QList<VaroObjectRef>& objects)
{
    int nodes = 0;
    int members = 0;
    int loads = 0;
    int others = 0;
    for (const VaroObjectRef& object : objects) {
        if (qobject_cast<Node*>(object.data()))
            ++nodes;
        else if (qobject_cast<Member*>(object.data()))
            ++members;
        else if (qobject_cast<Load*>(object.data()))
            ++loads;
        else
            ++others;
    }
    QStringList items;
    const auto add = [&items](int count, const QString& text) {
        if (count > 0)
            items << text.arg(count).arg(count == 1 ? QString() : QStringLiteral("s"));
    };
    add(nodes, tr("%1 node%2"));
    add(members, tr("%1 member%2"));
    add(loads, tr("%1 load%2"));
    add(others, tr("%1 other item%2"));
    if (items.isEmpty())
        return QString();
    return QStringLiteral("<ul><li>%1</li></ul>").arg(items.join(QStringLiteral("</li><li>")));
}
