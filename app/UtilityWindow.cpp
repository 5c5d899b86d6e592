#include "UtilityWindow.h"

#include "Application.h"
#include "DocumentModel.h"
#include "EditorPage.h"
#include "MaterialPicker.h"
#include "MaterialView.h"
#include "TitlesView.h"
#include "UtilityView.h"

#include <QCloseEvent>
#include <QStackedWidget>

UtilityWindow::UtilityWindow(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : NavigationStack(parent, flags)
{
    setWindowTitle(tr("%1 Utilities").arg(QCoreApplication::applicationName()));
    materials = new MaterialPicker(unitSystem);
    materials->setEditable(true);
    materials->setEmbedded(true);
    material = new MaterialView(unitSystem);
    titles = new TitlesView;
    utilities = new UtilityView(unitSystem);
    for (QWidget* page : {static_cast<QWidget*>(utilities), static_cast<QWidget*>(materials),
                          static_cast<QWidget*>(material), static_cast<QWidget*>(titles)})
        pages()->addWidget(page);

    connect(utilities, &UtilityView::OpenMaterials, this, &UtilityWindow::openMaterialPicker);
    connect(utilities, &UtilityView::OpenTitles, this, &UtilityWindow::openTitlesView);
    connect(materials, &MaterialPicker::EditMaterial, this, &UtilityWindow::editMaterial);
    connect(materials, &MaterialPicker::MaterialChosen, this, &UtilityWindow::editMaterial);
    connect(material, &MaterialView::GoBack, this, &UtilityWindow::goBack);
    connect(this, &UtilityWindow::LeavingWidget, material, &MaterialView::widgetClosing);
    connect(titles, &TitlesView::GoBack, this, &UtilityWindow::goBack);
    connect(this, &UtilityWindow::LeavingWidget, titles, &TitlesView::widgetClosing);
}

void UtilityWindow::setDocumentModel(const QSharedPointer<DocumentModel>& document)
{
    documentModel = document;
    materials->setDocumentModel(document);
}

void UtilityWindow::setLibrary(const QSharedPointer<MaterialLibrary>& library)
{
    materials->setLibrary(library);
    material->setLibrary(library);
}

QSize UtilityWindow::sizeHint() const
{
    return QSize(384, 128);
}

void UtilityWindow::openMaterialPicker()
{
    setCurrentWidget(materials);
}

void UtilityWindow::editMaterial(const MaterialRef& edited)
{
    if (!edited)
        return;
    material->setMaterial(edited);
    material->setRemoveable(documentModel && !documentModel->isMaterialUsed(edited));
    setCurrentWidget(material);
}

void UtilityWindow::openTitlesView()
{
    titles->setTitles(documentModel ? documentModel->titles() : TitlesRef());
    titles->setEnabled(bool(documentModel));
    setCurrentWidget(titles);
}

void UtilityWindow::applyEditorPage()
{
    if (auto* page = qobject_cast<EditorPage*>(pages()->currentWidget()))
        page->applyEdits();
}

// The page stays, and the next show starts at the root page: what it shows
// would be lost unless handed on now.
void UtilityWindow::closeEvent(QCloseEvent* event)
{
    if (isWindow())
        Application::saveWidgetGeometry(this, QString());
    applyEditorPage();
    event->accept();
}

void UtilityWindow::showEvent(QShowEvent* event)
{
    if (isWindow())
        Application::restoreWidgetGeometry(this, QString());
    NavigationStack::showEvent(event);
}
