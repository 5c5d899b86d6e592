#include "MainWindow.h"

#include "Application.h"
#include "Calculator.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "EditingActions.h"
#include "GeometryGroup.h"
#include "Loading.h"
#include "UserDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
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
    case 0:
        emit ActionAddMembers(group);
        break;
    case 1:
        emit ActionAddNode(group);
        break;
    case 2:
        emit ActionAddPointLoad(loading);
        break;
    case 3:
        emit ActionAddTorqueLoad(loading);
        break;
    case 4:
        emit ActionAddTrapezoidLoad(loading);
        break;
    case 5:
        if (mode == CurrentState::Geometry)
            emit ActionSelectNodesFromSelectedMembers();
        else if (mode == CurrentState::Loading)
            emit ActionSelectMembersFromSelectedLoads();
        break;
    case 6:
        if (mode == CurrentState::Geometry)
            emit ActionDeleteSelectedGeometry();
        else if (mode == CurrentState::Loading)
            emit ActionDeleteSelectedLoads();
        break;
    case 7:
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

void MainWindow::actionCopySelection()
{
    openCalculator(1.0, UnitSystem::Unitless, valueInX(), CalculatorReference(),
                   SLOT(actionCopySelection(Vector4, CalculatorReference)));
}

void MainWindow::actionRotate()
{
    openCalculator(0.0, UnitSystem::AngleDegrees, valueInX(), CalculatorReference(),
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
    calculator->open(value, conversion, matrix, reference);
    connect(calculator, SIGNAL(CalculationFinished(Vector4, CalculatorReference)), receiver, slot);
}

// ---- Windows, pages and notices

MainWindow* MainWindow::duplicateWindow()
{
    if (!document || !view)
        return nullptr;
    auto* duplicate = new MainWindow(units, state);
    duplicate->setDocumentModel(document);
    duplicate->setViewPoint(ViewPointRef(new ViewPoint(*view)));
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
    const QString page = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("help/Help_Homepage.html"));
    const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(page));
    QApplication::restoreOverrideCursor();
    if (!opened)
        displayWarningMessage(tr("A web-browser either cannot be automatically launched or it will start shortly if "
                                 "it is in the process of a self-update."));
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
