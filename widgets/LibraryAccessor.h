#pragma once

#include "DocumentModel.h"
#include "EditorPageFactory.h"
#include "LibraryPicker.h"

#include <QStackedWidget>

// What the group and load-case accessors share: a stack whose page 0 is a
// picker and whose other pages are editor pages, which always reopens on the
// picker and never leaves an editor page without writing it back.
class LibraryAccessor : public QStackedWidget
{
    Q_OBJECT

public:
    // The picker becomes page 0, "Picker".
    LibraryAccessor(LibraryPicker_base* picker, QWidget* parent, Qt::WindowFlags flags);

    // The picker notes what the document does not use.
    void setDocumentModel(const DocumentModelRef& document);

public slots:
    // The editor page shown, if any, writes its edits back first.
    void goToRoot();
    // The editor page shown, if any, hands on its edits and stays shown.
    void applyEditorPage();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // Null when the program installed no maker for the page.
    QWidget* addEditorPage(EditorPageFactory::Page page, const QSharedPointer<UnitSystem>& unitSystem,
                           const QString& name);
    // Shows the page, which already holds its object, offering removal
    // exactly when asked to. Whoever hands a page its object calls goToRoot()
    // before, since that drops the edits of the page shown.
    void openEditorPage(QWidget* page, bool removeable);

    DocumentModelRef documentModel;

private slots:
    // The page has written itself back.
    void pageWentBack();

private:
    LibraryPicker_base* const pickerPage;
};
