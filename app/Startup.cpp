#include "Startup.h"

#include "AnalysisInstallation.h"
#include "Application.h"
#include "CurrentState.h"
#include "EditorPages.h"
#include "FoundationMetaTypes.h"
#include "Group.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "UnitSystem.h"
#include "Updater.h"
#include "UserDialogs.h"
#include "VisualConstants.h"

#include <QFileInfo>
#include <QGLFormat>
#include <QGLFramebufferObject>
#include <QGLPixelBuffer>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QPrinterInfo>
#include <QSettings>

void registerStartupMetaTypes()
{
    qRegisterMetaType<QPrinterInfo>("QPrinterInfo");
    qRegisterMetaType<QList<QPrinterInfo>>("QList<QPrinterInfo>");
    qRegisterMetaType<QImage*>("QImage*");
    qRegisterMetaType<QMutex*>("QMutex*");
    qRegisterMetaType<GroupRef>("GroupRef");
    registerFoundationMetaTypes();
    registerModelMetaTypes();
}

void initialiseProgramWideValues()
{
    initialiseVisualConstants();
    installAnalysis();
    installEditorPages();
}

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("VARO Ulmar"));
    Application::_applicationProductCode = QStringLiteral("4c07d2e915");
    Application::_applicationIconFileName = QStringLiteral(":/logo-ulmar.png");
    QCoreApplication::setApplicationVersion(QStringLiteral("1.23"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvory Ltd."));
    QCoreApplication::setOrganizationDomain(QStringLiteral("kelvory.example"));
    Application::_applicationCopyright = QStringLiteral("Copyright Kelvory Ltd. All rights reserved.");
}

QString missingOpenGLCapabilities(bool openGL14, bool frameBuffers, bool pixelBuffers)
{
    QString missing;
    if (!openGL14)
        missing += QStringLiteral("<li>OpenGL 1.4 or higher</li>");
    if (!frameBuffers && !pixelBuffers)
        missing += QStringLiteral("<li>Either frame buffer or pixel buffer support</li>");
    return missing;
}

QString missingOpenGLCapabilities()
{
    const bool openGL14 =
        QGLFormat::hasOpenGL() && QGLFormat::openGLVersionFlags().testFlag(QGLFormat::OpenGL_Version_1_4);
    return missingOpenGLCapabilities(openGL14, QGLFramebufferObject::hasOpenGLFramebufferObjects(),
                                     QGLPixelBuffer::hasOpenGLPbuffers());
}

QString openGLRefusalText(const QString& missing)
{
    return QCoreApplication::translate(
               "Startup", "<p>This computer is lacking the following necessary capabilities and %1 cannot run:</p>"
                          "<ul>%2</ul><p>This may be due to out-of-date or inappropriate graphics drivers. "
                          "Installing the latest relevant version from the graphics manufacturer or system "
                          "provider may rectify this problem.</p>")
        .arg(QCoreApplication::applicationName(), missing);
}

bool checkOpenGLCapabilities()
{
    const QString missing = missingOpenGLCapabilities();
    if (missing.isEmpty())
        return true;
    UserDialogs::current().message(nullptr, QMessageBox::Critical, openGLRefusalText(missing), QMessageBox::Ok,
                                   QMessageBox::Ok);
    return false;
}

QString chooseModelFile(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        const QFileInfo info(argument);
        if (info.isFile())
            return argument;
        const char* text = info.exists() ? "The requested file '%1' is a folder, pipe or device rather than a "
                                           "model file. A default blank model will be loaded instead."
                                         : "The requested file '%1' was not found. A default blank model will be "
                                           "loaded instead.";
        UserDialogs::warning(nullptr, QCoreApplication::translate("Startup", text).arg(argument));
    }
    return QString();
}

void createSharedSettings()
{
    Application::_settings = QSharedPointer<QSettings>(new QSettings);
}

void startUpdateCheck(Updater& updater)
{
    const QString version = QCoreApplication::applicationVersion();
    if (version.contains(QLatin1String("alpha"), Qt::CaseInsensitive)
        || version.contains(QLatin1String("beta"), Qt::CaseInsensitive)) {
        UserDialogs::information(nullptr, QCoreApplication::translate("Startup", "Please note that this is a "
                                                                                 "pre-release test version and "
                                                                                 "not for general use."));
        return;
    }
    updater.checkForUpdates();
}

void greetFirstTimeUser()
{
    const QString runCount = QStringLiteral("RunCount");
    if (Application::_settings->value(runCount).toInt() != 0)
        return;
    UserDialogs::information(nullptr, QCoreApplication::translate(
                                          "Startup", "If this is the first time you have used %1 then please see "
                                                     "the on-line help in the Help menu, and particularly the "
                                                     "guided tour and replay demonstrations.")
                                          .arg(QCoreApplication::applicationName()));
    Application::_settings->setValue(runCount, 1);
}

MainWindow* openFirstMainWindow(const QString& chosenFile)
{
    auto* window = new MainWindow(QSharedPointer<UnitSystem>(), QSharedPointer<CurrentState>(), nullptr,
                                  Qt::WindowFlags());
    if (chosenFile.isEmpty() || !window->openFile(chosenFile, false))
        window->newFile();
    window->show();
    return window;
}

void closeRemainingMainWindows()
{
    QList<QPointer<MainWindow>> windows;
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    for (QWidget* widget : topLevels)
        if (MainWindow* window = qobject_cast<MainWindow*>(widget))
            windows << window;
    for (const QPointer<MainWindow>& window : windows)
        delete window.data();
}
