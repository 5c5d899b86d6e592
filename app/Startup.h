#pragma once

#include <QString>
#include <QStringList>

class MainWindow;
class Updater;

// The steps by which the program starts, each callable on its own so that
// tests can run them; main() calls them in order.

// The names that queued signals and string-based connections carry, the
// program-wide colours and fonts, and the analysis every document gets.
void registerStartupMetaTypes();
void initialiseProgramWideValues();

// Name, version, maker and product code.
void setApplicationIdentity();

// The HTML list of what the 3D view needs and this machine lacks; empty when
// nothing is missing.
QString missingOpenGLCapabilities(bool openGL14, bool frameBuffers, bool pixelBuffers);
QString missingOpenGLCapabilities();
QString openGLRefusalText(const QString& missing);
// False, after telling the user why, when the program cannot run here.
bool checkOpenGLCapabilities();

// The first argument that names an existing regular file; every one tried
// before it is reported, as missing or as a folder, pipe or device.
QString chooseModelFile(const QStringList& arguments);

// The program's one settings store, kept by the application object.
void createSharedSettings();

// A pre-release version shows a notice instead of asking for updates.
void startUpdateCheck(Updater& updater);
// Points a first-time user at the help, once.
void greetFirstTimeUser();

// The first main window, shown, with the chosen file or a blank model.
MainWindow* openFirstMainWindow(const QString& chosenFile);
// Windows still open when the event loop ends go, with their documents and
// analysis threads, while the application object still exists.
void closeRemainingMainWindows();
