#include "AnalysisInstallation.h"
#include "FoundationMetaTypes.h"
#include "VisualConstants.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VARO Ulmar"));
    QApplication::setOrganizationName(QStringLiteral("VARO"));

    registerFoundationMetaTypes();
    initialiseVisualConstants();
    installAnalysis();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("VARO Ulmar"));
    window.resize(1024, 720);
    window.show();
    return application.exec();
}
