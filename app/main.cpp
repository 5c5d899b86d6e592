#include "Application.h"
#include "FileNameCodec.h"
#include "ModelResources.h"
#include "Startup.h"
#include "Updater.h"

#include <QTimer>

int main(int argc, char* argv[])
{
    initialiseModelResources();
    Application application(argc, argv);
    // Before the arguments are read: a file name that is not UTF-8 must still open.
    FileNameCodec::installForLocale();
    registerStartupMetaTypes();
    setApplicationIdentity();
    if (!checkOpenGLCapabilities())
        return -1;
    const QString chosenFile = chooseModelFile(QCoreApplication::arguments().mid(1));
    createSharedSettings();
    Updater updater;
    startUpdateCheck(updater);
    greetFirstTimeUser();
    initialiseProgramWideValues();
    openFirstMainWindow(chosenFile);
    QTimer::singleShot(100, &application, &Application::enumeratePrinters);
    const int result = application.exec();
    closeRemainingMainWindows();
    return result;
}
