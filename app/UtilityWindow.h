#pragma once

#include "ModelRefs.h"
#include "NavigationStack.h"

#include <QSharedPointer>

class DocumentModel;
class MaterialLibrary;
class MaterialPicker;
class MaterialView;
class TitlesView;
class UnitSystem;
class UtilityView;

// The utility window of a main window: the utility page at the root, with
// the material picker, the material page and the titles page pushed on top.
class UtilityWindow : public NavigationStack
{
    Q_OBJECT

public:
    UtilityWindow(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent, Qt::WindowFlags flags);

    void setDocumentModel(const QSharedPointer<DocumentModel>& document);
    void setLibrary(const QSharedPointer<MaterialLibrary>& library);

    UtilityView* utilityView() const { return utilities; }
    MaterialPicker* materialPicker() const { return materials; }
    MaterialView* materialView() const { return material; }
    TitlesView* titlesView() const { return titles; }

    QSize sizeHint() const override;

public slots:
    void editMaterial(const MaterialRef& material);
    void openMaterialPicker();
    void openTitlesView();
    // The editor page shown, if any, hands on its edits and stays shown.
    void applyEditorPage();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QSharedPointer<DocumentModel> documentModel;
    UtilityView* utilities;
    MaterialPicker* materials;
    MaterialView* material;
    TitlesView* titles;
};
