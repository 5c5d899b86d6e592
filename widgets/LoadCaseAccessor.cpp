#include "LoadCaseAccessor.h"

#include "Combination.h"
#include "Loading.h"
#include "SwayCase.h"

#include <QCoreApplication>

LoadCaseAccessor::LoadCaseAccessor(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent,
                                   Qt::WindowFlags flags)
    : LibraryAccessor(new LoadCasePicker, parent, flags),
      picker(static_cast<LoadCasePicker*>(widget(0))),
      loadingPage(addEditorPage(EditorPageFactory::LoadingPage, unitSystem, QStringLiteral("LoadCaseView"))),
      swayCasePage(addEditorPage(EditorPageFactory::SwayCasePage, unitSystem, QStringLiteral("SwayCaseView"))),
      combinationPage(addEditorPage(EditorPageFactory::CombinationPage, unitSystem, QStringLiteral("CombinationView")))
{
    setWindowTitle(QStringLiteral("%1 Loadcases").arg(QCoreApplication::applicationName()));
    connect(picker, &LoadCasePicker::EditLoadCase, this, &LoadCaseAccessor::editLoadCase);
}

void LoadCaseAccessor::setLibrary(const QSharedPointer<LoadCaseLibrary>& library)
{
    for (QWidget* page : {combinationPage, swayCasePage})
        if (page)
            EditorPageFactory::call(page, "setLibrary", Q_ARG(QSharedPointer<LoadCaseLibrary>, library));
    picker->setLibrary(library);
    if (loadingPage)
        EditorPageFactory::call(loadingPage, "setLibrary", Q_ARG(QSharedPointer<LoadCaseLibrary>, library));
}

void LoadCaseAccessor::editLoadCase(const LoadCaseRef& loadCase)
{
    QWidget* page = nullptr;
    if (loadCase.objectCast<Loading>())
        page = loadingPage;
    else if (loadCase.objectCast<SwayCase>())
        page = swayCasePage;
    else if (loadCase.objectCast<Combination>())
        page = combinationPage;
    if (!page)
        return;
    goToRoot();
    if (page == loadingPage)
        EditorPageFactory::call(page, "setLoading", Q_ARG(LoadingRef, loadCase.objectCast<Loading>()));
    else if (page == swayCasePage)
        EditorPageFactory::call(page, "setSwayCase", Q_ARG(SwayCaseRef, loadCase.objectCast<SwayCase>()));
    else
        EditorPageFactory::call(page, "setCombination", Q_ARG(CombinationRef, loadCase.objectCast<Combination>()));
    openEditorPage(page, documentModel && !documentModel->isLoadCaseReferenced(loadCase));
}
