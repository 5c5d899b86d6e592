#include "Application.h"
#include "FileNameCodec.h"
#include "ModelResources.h"
#include "Startup.h"
#include "Updater.h"

#include <QTimer>

#include <malloc.h>

int main(int argc, char* argv[])
{
    // The allocator would keep small freed blocks apart and merge them all at
    // some later free: once a large model has gone a slice at a time, that one
    // merge of hundreds of thousands of blocks would still every window.
    // Merged as they are freed, each slice pays for its own.
    mallopt(M_MXFAST, 0);
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
