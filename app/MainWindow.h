#pragma once

#include "CalculatorReference.h"
#include "ModelRefs.h"
#include "UnitSystem.h"
#include "Vectors.h"
#include "ViewPoint.h"

#include <QByteArray>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPair>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class Calculator;
class QAbstractButton;
class QAction;
class QCloseEvent;
class QKeyEvent;
class QShowEvent;
class CurrentState;
class DemoRunner;
class DocumentModel;
struct FileStamp;
class GroupAccessor;
class LoadAxisPicker;
class LoadCaseAccessor;
class MemberAxisPicker;
class MemberPinPicker;
class NameButton;
class QMenu;
class QSignalMapper;
class QSlider;
class QToolBar;
class QToolButton;
class ReportView;
class SectionAccessor;
class StructureView;
class SupportPicker;
class ToolMenu;
class UtilityWindow;
class ViewSelector;

// One window on one document, seen through the window's own current state
// and view point. The document is replaced only once a new one has been read
// completely; a file that fails to load leaves the window as it was.
//
// The window is built in named steps (MainWindowConstruction.cpp,
// MainWindowToolBars.cpp); its commands, file handling and displays live in
// files named after them.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The unit system is shared when given, else made from the settings; the
    // current state is always copied, so no two windows share one. The window
    // deletes itself when closed.
    explicit MainWindow(const QSharedPointer<UnitSystem>& unitSystem = QSharedPointer<UnitSystem>(),
                        const QSharedPointer<CurrentState>& currentState = QSharedPointer<CurrentState>(),
                        QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~MainWindow() override;

    QSharedPointer<DocumentModel> documentModel() const { return document; }
    QSharedPointer<CurrentState> currentState() const { return state; }
    QSharedPointer<ViewPoint> viewPoint() const { return view; }
    QSharedPointer<UnitSystem> unitSystem() const { return units; }
    // Where the open and save dialogs start.
    QString documentDirectory() const { return directory; }
    // Resource names of the demonstrations in the order the menu lists them.
    QStringList demonstrationNames() const { return demoNames; }

    // The document's file when it exists, else its name, or "Untitled", in
    // the document directory (see Application::suggestedPath).
    QString previousFileName() const;
    // The chosen path; empty when cancelled or when it names no regular file.
    QString getFileName(const QString& startPath, const QStringList& filters, bool open);

    // Empty, with the message shown, when the file is refused.
    QByteArray readNativeFile(const QString& path, FileStamp* read = nullptr);
    // False, with the warning shown, when nothing was written; an existing
    // file at the path is then left as it was.
    bool writeNativeFile(const QString& path, FileStamp* written = nullptr);
    // Empty without a document.
    QByteArray writeXMLDocumentFile(QString* whyNotWritten = nullptr) const;
    // Fills the three objects, which the caller made new, the document with
    // the default load cases where it lacks them; false on an XML error or a
    // broken reference, and when memory ran out (*outOfMemory). For a sound
    // model too large to open or save, *tooLarge says so.
    bool readXMLDocumentFile(const QByteArray& text, QSharedPointer<DocumentModel>& document,
                             QSharedPointer<ViewPoint>& viewPoint, QSharedPointer<CurrentState>& currentState,
                             bool* outOfMemory = nullptr, QString* tooLarge = nullptr);
    // The document is left untouched, and the message shown, when the text is refused.
    bool readTransferFile(const QString& path, QSharedPointer<DocumentModel>& document);

    // Unless forced, asks whether to save a modified document that no other
    // window shows; false when the user cancels or the save fails. Then the
    // window lets go of the document.
    bool clearCurrentDocumentModel(bool force);
    // The caller has cleared the document shown before, and names the file after.
    void setDocumentModel(const QSharedPointer<DocumentModel>& document);
    void setViewPoint(const QSharedPointer<ViewPoint>& viewPoint);
    void initialiseGUIFromDocument();
    // How many windows show the document.
    static int openDocumentCount(const DocumentModel* document);
    // Every editor page open on the document, in every window showing it,
    // hands on its edits as leaving it would, so that saving and the save
    // question find them in the model. The pages stay shown.
    void applyEditorPages();
    // This window's open editor pages hand on their edits. A change of mode
    // hides the library windows: what their pages hold is in the model at once.
    void applyOwnEditorPages();

    // Lists objects by kind, as the question about completing a selection does.
    static QString enumerateObjectsInHTML(const QList<VaroObjectRef>& objects);

    QSize sizeHint() const override;

    // The Results tab's image, with the analysis badge when there is one.
    QIcon iconForButtonTabResults() const;

    // The resource file names that this edition lists: those whose second
    // dot-separated field holds the edition letter.
    static QStringList editionEntries(const QStringList& fileNames);

signals:
    void ActionAddMembers(const GeometryGroupRef& group);
    void ActionAddNode(const GeometryGroupRef& group);
    void ActionAddPointLoad(const LoadingRef& loading);
    void ActionAddTorqueLoad(const LoadingRef& loading);
    void ActionAddTrapezoidLoad(const LoadingRef& loading);
    void ActionClearSelection();
    void ActionDeleteSelectedGeometry();
    void ActionDeleteSelectedLoads();
    void ActionFlipSelectedNodes();
    void ActionMoveSelectedGeometryToGroup(const GeometryGroupRef& group);
    void ActionMoveSelectedLoadsToLoading(const LoadingRef& loading);
    void ActionPolariseMembers();
    void ActionRedo();
    void ActionSelectMembersFromSelectedLoads();
    void ActionSelectNodesFromSelectedMembers();
    void ActionSelectObjects(const QList<VaroObjectRef>& objects);
    void ActionSetLoadAxis(const LoadAxisRef& axis);
    void ActionSetMemberAxis(const MemberAxisRef& axis);
    void ActionSetMemberPin(const MemberPinRef& pin);
    void ActionSetMemberProperties(const CrossSectionRef& crossSection, const MaterialRef& material);
    void ActionSetSupport(const SupportRef& support);
    void ActionSplitMembers();
    void ActionUndo();
    void CanRedoChanged(bool canRedo);
    void CanUndoChanged(bool canUndo);
    void ModifiedStateHasChanged(bool modified);

public slots:
    // An empty path asks for one; an untitled document has no file name.
    bool openFile(QString path = QString(), bool untitled = false);
    bool newFile();
    bool saveFile();
    // An empty name asks for one; a name without the native suffix gets it.
    bool saveFileAs(QString name = QString());

    void actionCopySelection();
    void actionRotate();
    void displayInformationMessage(const QString& message);
    void displayWarningMessage(const QString& message);
    // Null without a document or a view point.
    MainWindow* duplicateWindow();
    void flyToViewPoint(const ViewPointRef& target);
    void indicateNewVersion(const QString& version, const QString& url);
    void openAbout();
    void openExample(const QString& path);
    void openHelp();
    // The first form sends the value to the document's editing actions. One
    // request at a time: a new one cuts the connection of the last.
    void openCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& reference, const char* slot);
    void openCalculator(double value, UnitSystem::Conversion conversion, const Matrix4x4& matrix,
                        const CalculatorReference& reference, QObject* receiver, const char* slot);
    // The calculator closes when it is still open on this request: what it
    // was asked for has left, or can no longer be shown.
    void cancelCalculatorRequest(const CalculatorReference& reference);

    void reportAnalysisCrashed();
    // Offers to add the objects a deletion needs to the selection. Only the
    // window that gave the command asks (any window when none is named), and
    // on yes it deletes them with the rest at once.
    void requestAutoSelection(const QList<VaroObjectRef>& objects, const QObject* origin = nullptr);

    void applyScaleSliderTooltip();
    void updateScaleSliderForScale();
    void updateScaleSliderForPosition(int position);

    // Enabled commands, tool bars and pickers by mode and selection.
    void updateGUIForCurrentStateAndSelection();
    void updateGroupAccessor();
    void updateLoadCaseAccessor();
    void updateNodePickers();
    void updateMemberPickers();
    void updateLoadPickers();
    // The current group and load case stay among the document's.
    void updateGUIForGroupChanges();
    void updateGUIForLoadCaseChanges();
    void checkInterrogator();
    void setBadgeTabResults();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void setFileName(const QString& path);
    void updateForFileName(const QString& path, const QString& shortName);
    void documentModifiedStateHasChanged();
    // Turns one of the eight relayed buttons into the action of the current mode.
    void signalRelay(int id);

private:
    // The ids of the relayed buttons; each stands for the action of the mode.
    enum Relay { AddMembers = 0, AddNode, AddPointLoad, AddTorqueLoad, AddTrapezoidLoad, SelectAuto, Delete, Move };

    // One entry per window showing a document; the entries keep it alive.
    static QList<QSharedPointer<DocumentModel>> _openDocuments;

    // Construction steps, in the order the constructor takes them.
    void readSettings();
    void createCalculator();
    void createPickersAndAccessors();
    void createCentralView();
    void createUtilityWindow();
    void createViewSelector();
    void createReportView();
    void createMenus();
    QMenu* createUnitSystemMenu();
    void createExamplesMenu(QMenu* help);
    void createDemonstrationsMenu(QMenu* help);
    void createToolBars();
    void createControlToolBar();
    void createDisplayToolBar();
    void createModellingToolBar();
    void createCasesToolBar();
    void createGroupsToolBar();
    void createViewToolBar();
    void connectChildWindows();
    void connectStateDisplay();

    QToolButton* addToolButton(QToolBar* toolBar, const QIcon& icon, const QString& text,
                               const QObject* receiver, const char* member);
    ToolMenu* addToolMenu(QToolBar* toolBar, const QPixmap& pixmap, const QString& name,
                          const QString& buttonName, const QString& toolTip);
    QToolButton* addMenuButton(ToolMenu* menu, const QString& name, const QString& icon, const QString& toolTip,
                               const QObject* receiver, const char* member);
    // Shows the child window, then refreshes it.
    QToolButton* addPickerMenuButton(ToolMenu* menu, const QString& name, const QString& icon,
                                     const QString& toolTip, QWidget* window, const char* refresh);
    // Shows the child window on a click, beside the button, then runs the
    // refresh slot, if any, from the event loop.
    void opensChildWindow(QAbstractButton* button, QWidget* window, const char* refresh = nullptr);
    void refreshesAfterClick(QAbstractButton* button, const char* refresh);

    // Asks only in the last window on the document, unless every window
    // on it is to let it go.
    bool allowCurrentDocumentToClose(bool everyWindow = false);
    void closeTopLevelChildren();
    // One file, one model: whether this window's document is that of the file.
    bool showsFile(const QString& path) const;
    // The first window that shows the file on a document other than the one excepted.
    static MainWindow* windowShowingFile(const QString& path, const DocumentModel* except);
    static QList<MainWindow*> windowsShowing(const DocumentModel* document);
    // Asks whether to read the file this window shows again, as another
    // program left it.
    void offerToReadAgain();
    // Restored when minimised, raised and activated.
    void bringForward();
    // False, with the user told or asked, when the file must not be written:
    // a folder or no regular file is there, another model's window shows it,
    // the user would not replace it, or another program has changed its
    // bytes since this model was read from or saved to it.
    bool mayWriteTo(const QString& path, bool askToReplace);
    void connectDocument();
    void connectEditorPages();
    // Shown or hidden on the next pass of the event loop.
    static void showLater(QWidget* widget, bool show);
    // The Cases and Groups tool bars of the mode, shown or hidden at once.
    void showModeToolBars();
    QPair<QToolBar*, QToolBar*> modeToolBars() const;
    void cancelCalculatorOnDeselect(const QList<VaroObjectRef>& selection);
    // A request on the selection: the answer acts on what of it is still selected.
    CalculatorReference selectionReference() const;

    QSharedPointer<DocumentModel> document;
    QSharedPointer<CurrentState> state;
    QSharedPointer<ViewPoint> view;
    QSharedPointer<UnitSystem> units;
    QString directory;

    // Empty, or the resource of the badge on the Results tab.
    QString resultsBadge;

    // The tool buttons that the state display enables, named as their object names.
    QToolButton* actionAddNode = nullptr;
    QToolButton* actionAddMembers = nullptr;
    QToolButton* actionAddPLoad = nullptr;
    QToolButton* actionAddMLoad = nullptr;
    QToolButton* actionAddTLoad = nullptr;
    QToolButton* actionSelectionAuto = nullptr;
    QToolButton* actionSelectionClear = nullptr;
    QToolButton* actionSelectionCopy = nullptr;
    QToolButton* actionSelectionDelete = nullptr;
    QToolButton* buttonBendingMoment = nullptr;
    QToolButton* buttonDeflection = nullptr;
    QToolButton* buttonReaction = nullptr;
    QToolButton* buttonShearForce = nullptr;
    QToolButton* actionNodeFlip = nullptr;
    QToolButton* actionGroupMove = nullptr;
    QToolButton* buttonNodeMenu = nullptr;
    QToolButton* actionLoadAxis = nullptr;
    QToolButton* buttonLoadMenu = nullptr;
    QToolButton* actionMemberAxes = nullptr;
    QToolButton* actionMemberPins = nullptr;
    QToolButton* buttonMemberMenu = nullptr;
    QToolButton* actionPolariseMembers = nullptr;
    QToolButton* buttonResultMenu = nullptr;
    QToolButton* actionNodeRotate = nullptr;
    QToolButton* actionSectionLibrary = nullptr;
    QToolButton* actionSelectionBoxDisplay = nullptr;
    QToolButton* actionSelectionBoxClear = nullptr;
    QToolButton* actionSelectionBoxSelect = nullptr;
    QToolButton* buttonSelectionMenu = nullptr;
    QToolButton* actionSplitMembers = nullptr;
    QToolButton* actionNodeSupports = nullptr;
    QToolButton* tabResults = nullptr;

    Calculator* calculator = nullptr;
    // Closes the calculator should its receiver go while it waits.
    QMetaObject::Connection calculatorReceiverGone;

    // ---- Demonstrations and the self test
public:
    // The demonstration window, or null when none was opened (the reason shown).
    MainWindow* runDemoInNewWindow(const QString& script, const QString& model);
    // Runs the script in this window.
    void performDemo(const QString& script);

public slots:
    // Shift or Control held runs the self test instead.
    void runDemo(const QString& name);
    void runBIST();
    void resetForDemo();
    void saveDemoCheckPoint(QByteArray* xml);
    // Clears the flag, and keeps the document, when the XML cannot be read.
    void restoreDemoCheckPoint(const QByteArray& xml, bool* restored);

private:
    void giveDocumentToDemoRunner();

    QStringList demoNames;
    DemoRunner* demoRunner = nullptr;
    // The Run demo entries arrive here mapped to their resource names.
    QSignalMapper* demoMapper = nullptr;
    // The eight relayed buttons arrive here mapped to their ids.
    QSignalMapper* relayMapper = nullptr;
    GroupAccessor* groupAccessor = nullptr;
    NameButton* groupButton = nullptr;
    LoadAxisPicker* loadAxisPicker = nullptr;
    LoadCaseAccessor* loadCaseAccessor = nullptr;
    NameButton* loadCaseButton = nullptr;
    MemberAxisPicker* memberAxisPicker = nullptr;
    MemberPinPicker* memberPinPicker = nullptr;
    ReportView* reportView = nullptr;
    QSlider* scaleSlider = nullptr;
    SectionAccessor* sectionAccessor = nullptr;
    StructureView* structureView = nullptr;
    SupportPicker* supportPicker = nullptr;
    QToolBar* toolBarCases = nullptr;
    QToolBar* toolBarControl = nullptr;
    QToolBar* toolBarGroups = nullptr;
    UtilityWindow* utilityWindow = nullptr;
    ViewSelector* viewSelector = nullptr;
};
