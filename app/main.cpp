#include "AnalysisInstallation.h"
#include "FoundationMetaTypes.h"
#include "MainWindow.h"
#include "ModelMetaTypes.h"
#include "ModelResources.h"
#include "UserDialogs.h"
#include "VisualConstants.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char* argv[])
{
    initialiseModelResources();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VARO Ulmar"));
    QApplication::setApplicationVersion(QStringLiteral("1.23"));
    QApplication::setOrganizationName(QStringLiteral("Kelvory Ltd."));

    registerFoundationMetaTypes();
    registerModelMetaTypes();
    initialiseVisualConstants();
    installAnalysis();

    // The first named file that exists is opened; the rest are not looked at.
    QString chosenFile;
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (QFileInfo::exists(argument)) {
            chosenFile = argument;
            break;
        }
        UserDialogs::warning(
            nullptr,
            QApplication::translate("main", "The requested file '%1' was not found. A default blank model will be "
                                            "loaded instead.")
                .arg(argument));
    }

    // Closing the window deletes it.
    MainWindow* window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (chosenFile.isEmpty() || !window->openFile(chosenFile, false))
        window->newFile();
    window->show();
    return application.exec();
}
