#include "MainWindow.h"

#include "Combination.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "CombinationView.h"
#include "DocumentConnections.h"
#include "EditingActions.h"
#include "GeometryGroupView.h"
#include "GroupAccessor.h"
#include "Libraries.h"
#include "LoadAxisPicker.h"
#include "LoadCaseAccessor.h"
#include "Loading.h"
#include "LoadingView.h"
#include "MaterialPicker.h"
#include "MaterialView.h"
#include "MemberAxisPicker.h"
#include "MemberPinPicker.h"
#include "ReportView.h"
#include "SectionAccessor.h"
#include "StructureView.h"
#include "SupportPicker.h"
#include "SwayCase.h"
#include "SwayCaseView.h"
#include "Titles.h"
#include "TitlesView.h"
#include "UtilityWindow.h"
#include "ViewSelector.h"

#include <QApplication>

QList<QSharedPointer<DocumentModel>> MainWindow::_openDocuments;

int MainWindow::openDocumentCount(const DocumentModel* document)
{
    int count = 0;
    for (const QSharedPointer<DocumentModel>& entry : _openDocuments)
        count += entry.data() == document ? 1 : 0;
    return count;
}

void MainWindow::applyEditorPages()
{
    if (!document)
        return;
    // Each page hands on only its own edits, each as a step of its own; this
    // window's go last, so that where two windows edited the same field the
    // one the user is acting in wins and the others' pages then show it.
    QList<MainWindow*> windows = windowsShowing(document.data());
    windows.removeOne(this);
    windows.append(this);
    for (MainWindow* window : windows)
        window->applyOwnEditorPages();
}

void MainWindow::applyOwnEditorPages()
{
    groupAccessor->applyEditorPage();
    loadCaseAccessor->applyEditorPage();
    utilityWindow->applyEditorPage();
}

void MainWindow::setDocumentModel(const QSharedPointer<DocumentModel>& newDocument)
{
    document = newDocument;
    {
        // The analysis stays off the document while the window wires itself to it.
        const BusyCountGuard busy(document.data());
        _openDocuments.append(document);
        structureView->setDocumentModel(document);
        reportView->setDocumentModel(document);
        viewSelector->setDocumentModel(document);
        connectDocument();
        connectEditorPages();
        const QSharedPointer<Libraries> libraries = document->libraries();
        connect(libraries->groupLibrary().data(), &TreeLibrary_base::Changed, this,
                &MainWindow::updateGUIForGroupChanges, Qt::QueuedConnection);
        connect(libraries->loadCaseLibrary().data(), &TreeLibrary_base::Changed, this,
                &MainWindow::updateGUIForLoadCaseChanges, Qt::QueuedConnection);

        groupAccessor->setDocumentModel(document);
        loadAxisPicker->setDocumentModel(document);
        loadCaseAccessor->setDocumentModel(document);
        memberAxisPicker->setDocumentModel(document);
        memberPinPicker->setDocumentModel(document);
        supportPicker->setDocumentModel(document);
        utilityWindow->setDocumentModel(document);

        groupAccessor->setLibrary(libraries->groupLibrary());
        loadAxisPicker->setLibrary(libraries->loadAxisLibrary());
        loadCaseAccessor->setLibrary(libraries->loadCaseLibrary());
        memberAxisPicker->setLibrary(libraries->memberAxisLibrary());
        memberPinPicker->setLibrary(libraries->memberPinLibrary());
        sectionAccessor->setLibraries(libraries->sectionLibrary(), libraries->materialLibrary());
        supportPicker->setLibrary(libraries->supportLibrary());
        utilityWindow->setLibrary(libraries->materialLibrary());

        emit CanRedoChanged(document->structureUndoStack()->canRedo());
        emit CanUndoChanged(document->structureUndoStack()->canUndo());
    }
    initialiseGUIFromDocument();
}

void MainWindow::connectDocument()
{
    DocumentModel* model = document.data();
    connect(model, &DocumentModel::AnalysisHasCrashed, this, &MainWindow::reportAnalysisCrashed);
    connect(model, &DocumentModel::AnalysisOperatingStateHasChanged, this, &MainWindow::setBadgeTabResults);
    connect(model, &DocumentModel::AutoSelectionNeeded, this, &MainWindow::requestAutoSelection);
    connect(model, &DocumentModel::CanRedoChanged, this, &MainWindow::CanRedoChanged);
    connect(model, &DocumentModel::CanUndoChanged, this, &MainWindow::CanUndoChanged);
    connect(model, &DocumentModel::FileNameHasChanged, this, &MainWindow::updateForFileName);
    connect(model, &DocumentModel::InformationMessage, this, &MainWindow::displayInformationMessage);
    connect(model, &DocumentModel::ModifiedStateHasChanged, this, &MainWindow::documentModifiedStateHasChanged);
    connect(model, &DocumentModel::SelectionHasChanged, this, &MainWindow::updateGUIForCurrentStateAndSelection);
    connect(model, &DocumentModel::StructureHasChanged, this, &MainWindow::checkInterrogator);
    // The box opens after the refusing action has returned and released its lock.
    connect(model, &DocumentModel::WarningMessage, this, &MainWindow::displayWarningMessage, Qt::QueuedConnection);

    EditingActions* actions = EditingActions::of(model);
    connect(this, &MainWindow::ActionAddMembers, actions, &EditingActions::actionAddMembers);
    connect(this, &MainWindow::ActionAddNode, actions, &EditingActions::actionAddNode);
    connect(this, &MainWindow::ActionAddPointLoad, actions, &EditingActions::actionAddPointLoad);
    connect(this, &MainWindow::ActionAddTorqueLoad, actions, &EditingActions::actionAddTorqueLoad);
    connect(this, &MainWindow::ActionAddTrapezoidLoad, actions, &EditingActions::actionAddTrapezoidLoad);
    connect(this, &MainWindow::ActionFlipSelectedNodes, actions, &EditingActions::actionFlipSelectedNodes);
    connect(this, &MainWindow::ActionSelectMembersFromSelectedLoads, actions,
            &EditingActions::actionSelectMembersFromSelectedLoads);
    connect(this, &MainWindow::ActionSelectNodesFromSelectedMembers, actions,
            &EditingActions::actionSelectNodesFromSelectedMembers);
    connect(this, &MainWindow::ActionClearSelection, actions, &EditingActions::actionClearAllSelection);
    connect(this, &MainWindow::ActionDeleteSelectedGeometry, actions, &EditingActions::actionDeleteSelectedGeometry);
    connect(this, &MainWindow::ActionDeleteSelectedLoads, actions, &EditingActions::actionDeleteSelectedLoads);
    connect(this, &MainWindow::ActionMoveSelectedGeometryToGroup, actions,
            &EditingActions::actionMoveSelectedGeometryToGroup);
    connect(this, &MainWindow::ActionMoveSelectedLoadsToLoading, actions,
            &EditingActions::actionMoveSelectedLoadsToLoading);
    connect(this, &MainWindow::ActionPolariseMembers, actions, &EditingActions::actionPolariseMembers);
    connect(this, &MainWindow::ActionRedo, actions, &EditingActions::actionRedo);
    connect(this, &MainWindow::ActionSelectObjects, actions, &EditingActions::actionSelectObjects);
    connect(this, &MainWindow::ActionSetLoadAxis, actions, &EditingActions::actionSetLoadAxis);
    connect(this, &MainWindow::ActionSetMemberAxis, actions, &EditingActions::actionSetMemberAxis);
    connect(this, &MainWindow::ActionSetMemberPin, actions, &EditingActions::actionSetMemberPins);
    connect(this, &MainWindow::ActionSetMemberProperties, actions, &EditingActions::actionSetMemberProperties);
    connect(this, &MainWindow::ActionSetSupport, actions, &EditingActions::actionSetSupport);
    connect(this, &MainWindow::ActionSplitMembers, actions, &EditingActions::actionSplitMembers);
    connect(this, &MainWindow::ActionUndo, actions, &EditingActions::actionUndo);

    // Without a document the display has nothing to show, so it follows the
    // state from the first document on.
    CurrentState* current = state.data();
    const auto unique = Qt::UniqueConnection;
    connect(current, &CurrentState::ModeHasChanged, this, &MainWindow::applyOwnEditorPages, unique);
    connect(current, &CurrentState::GroupHasChanged, this, &MainWindow::updateGUIForCurrentStateAndSelection, unique);
    connect(current, &CurrentState::LoadCaseHasChanged, this, &MainWindow::updateGUIForCurrentStateAndSelection,
            unique);
    connect(current, &CurrentState::ModeHasChanged, this, &MainWindow::updateGUIForCurrentStateAndSelection, unique);
    connect(current, &CurrentState::ResultModeHasChanged, this, &MainWindow::updateGUIForCurrentStateAndSelection,
            unique);
    connect(current, &CurrentState::SelectionBoxVisibilityHasChanged, this,
            &MainWindow::updateGUIForCurrentStateAndSelection, unique);
}

// A page of another class than expected gets no connection.
void MainWindow::connectEditorPages()
{
    EditingActions* actions = EditingActions::of(document.data());
    connect(groupAccessor->groupPicker(), &GroupPicker::AddGroup, actions, &EditingActions::actionAddGroup);
    if (auto* page = qobject_cast<GeometryGroupView*>(groupAccessor->geometryGroupView())) {
        connect(page, &GeometryGroupView::GroupChanged, actions, &EditingActions::actionApplyGeometryGroup);
        connect(page, &GeometryGroupView::GroupRemoved, actions, &EditingActions::actionRemoveGroup);
    }
    connect(loadCaseAccessor->loadCasePicker(), &LoadCasePicker::AddLoadCase, actions,
            &EditingActions::actionAddLoadCase);
    if (auto* page = qobject_cast<LoadingView*>(loadCaseAccessor->loadingView())) {
        connect(page, &LoadingView::LoadingChanged, actions, &EditingActions::actionApplyLoading);
        connect(page, &LoadingView::LoadCaseRemoved, actions, &EditingActions::actionRemoveLoadCase);
    }
    if (auto* page = qobject_cast<SwayCaseView*>(loadCaseAccessor->swayCaseView())) {
        connect(page, &SwayCaseView::SwayCaseChanged, actions, &EditingActions::actionApplySwayCase);
        connect(page, &SwayCaseView::LoadCaseRemoved, actions, &EditingActions::actionRemoveLoadCase);
    }
    if (auto* page = qobject_cast<CombinationView*>(loadCaseAccessor->combinationView())) {
        connect(page, &CombinationView::CombinationChanged, actions, &EditingActions::actionApplyCombination);
        connect(page, &CombinationView::LoadCaseRemoved, actions, &EditingActions::actionRemoveLoadCase);
    }
    connect(utilityWindow->materialPicker(), &MaterialPicker::AddMaterial, actions,
            &EditingActions::actionAddMaterial);
    connect(utilityWindow->materialView(), &MaterialView::MaterialChanged, actions,
            &EditingActions::actionApplyMaterial);
    connect(utilityWindow->materialView(), &MaterialView::MaterialRemoved, actions,
            &EditingActions::actionRemoveMaterial);
    connect(utilityWindow->titlesView(), &TitlesView::TitlesChanged, actions, &EditingActions::actionApplyTitles);
}

bool MainWindow::clearCurrentDocumentModel(bool force)
{
    if (!force && !allowCurrentDocumentToClose())
        return false;
    closeTopLevelChildren();
    if (document) {
        // A page left open would edit objects of this document in the next
        // one; unless forced, it has handed on its edits already.
        groupAccessor->setCurrentIndex(0);
        loadCaseAccessor->setCurrentIndex(0);
        utilityWindow->goToRoot();
        groupAccessor->setDocumentModel(DocumentModelRef());
        loadAxisPicker->setDocumentModel(DocumentModelRef());
        loadCaseAccessor->setDocumentModel(DocumentModelRef());
        memberAxisPicker->setDocumentModel(DocumentModelRef());
        memberPinPicker->setDocumentModel(DocumentModelRef());
        supportPicker->setDocumentModel(DocumentModelRef());
        utilityWindow->setDocumentModel(DocumentModelRef());

        groupAccessor->setLibrary(QSharedPointer<GroupLibrary>());
        loadAxisPicker->setLibrary(QSharedPointer<LoadAxisLibrary>());
        loadCaseAccessor->setLibrary(QSharedPointer<LoadCaseLibrary>());
        memberAxisPicker->setLibrary(QSharedPointer<MemberAxisLibrary>());
        memberPinPicker->setLibrary(QSharedPointer<MemberPinLibrary>());
        sectionAccessor->setLibraries(QSharedPointer<SectionLibrary>(), QSharedPointer<MaterialLibrary>());
        supportPicker->setLibrary(QSharedPointer<SupportLibrary>());
        utilityWindow->setLibrary(QSharedPointer<MaterialLibrary>());

        const QSharedPointer<Libraries> libraries = document->libraries();
        for (QObject* library : {static_cast<QObject*>(libraries->groupLibrary().data()),
                                 static_cast<QObject*>(libraries->loadCaseLibrary().data())}) {
            disconnect(library, nullptr, this, nullptr);
            disconnect(this, nullptr, library, nullptr);
        }
        disconnectFromDocument(this, document.data());
        const QList<QObject*> pages = {groupAccessor->groupPicker(),       groupAccessor->geometryGroupView(),
                                       loadCaseAccessor->loadCasePicker(), loadCaseAccessor->loadingView(),
                                       loadCaseAccessor->swayCaseView(),   loadCaseAccessor->combinationView(),
                                       utilityWindow->materialPicker(),    utilityWindow->materialView(),
                                       utilityWindow->titlesView()};
        for (QObject* page : pages)
            disconnectFromDocument(page, document.data());

        structureView->clearDocumentModel();
        structureView->clearViewPoint();
        reportView->clearDocumentModel();
        reportView->clearViewPoint();
        viewSelector->setDocumentModel(DocumentModelRef());
        viewSelector->setViewPoint(ViewPointRef());
        _openDocuments.removeOne(document);
    }
    state->reset();
    document.reset();
    return true;
}

void MainWindow::setViewPoint(const QSharedPointer<ViewPoint>& viewPoint)
{
    if (view) {
        disconnect(view.data(), nullptr, this, nullptr);
        disconnect(this, nullptr, view.data(), nullptr);
    }
    structureView->clearViewPoint();
    view = viewPoint;
    if (view)
        structureView->setViewPoint(view);
    reportView->setViewPoint(view);
    viewSelector->setViewPoint(view);
}

// A window that takes a document shows its state before it is first drawn:
// the document may never signal a change of analysis or modified state, and
// the tool bars of the mode must not wait for the event loop.
void MainWindow::initialiseGUIFromDocument()
{
    if (!document)
        return;
    updateGUIForGroupChanges();
    updateGUIForLoadCaseChanges();
    updateGUIForCurrentStateAndSelection();
    showModeToolBars();
    setBadgeTabResults();
    documentModifiedStateHasChanged();
}
