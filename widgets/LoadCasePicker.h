#pragma once

#include "LibraryPicker.h"
#include "LoadCaseLibrary.h"

class QGridLayout;

// The load cases in four blocks (loadings, gravity cases, sway cases,
// combinations), noted when unused, with edit buttons and an add button for
// each kind a user can make.
class LoadCasePicker : public LibraryPicker<LoadCaseLibrary>
{
    Q_OBJECT

public:
    explicit LoadCasePicker(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void AddLoadCase(const LoadCaseRef& loadCase);
    void EditLoadCase(const LoadCaseRef& loadCase);
    void LoadCaseChosen(const LoadCaseRef& loadCase);

public slots:
    void addNewCombination();
    void addNewLoading();
    void addNewSwayCase();
    void editButtonClicked(PickerCell* cell);
    void repopulate() override;
    void setDocumentModel(const DocumentModelRef& document = DocumentModelRef()) override;
    void setSelection(const LoadCaseRef& loadCase = LoadCaseRef());

protected:
    void cellClicked(PickerCell* cell, const ItemRef& item) override;
    void populateGroup(const ItemRef& branch, QGridLayout* grid, bool withEditButtons);

private:
    QString noteFor(const LoadCaseRef& loadCase) const;

    QMap<PickerCell*, ItemRef> editCellItems;
};
