#pragma once

#include "LibraryAccessor.h"
#include "LoadCaseLibrary.h"
#include "LoadCasePicker.h"

// The load-case window: the load-case picker, and the loading, sway case and
// combination editor pages opened from its edit buttons.
class LoadCaseAccessor : public LibraryAccessor
{
    Q_OBJECT

public:
    LoadCaseAccessor(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent = nullptr,
                     Qt::WindowFlags flags = Qt::WindowFlags());

    void setLibrary(const QSharedPointer<LoadCaseLibrary>& library);

    LoadCasePicker* loadCasePicker() const { return picker; }
    QWidget* loadingView() const { return loadingPage; }
    QWidget* swayCaseView() const { return swayCasePage; }
    QWidget* combinationView() const { return combinationPage; }

    QSize sizeHint() const override { return QSize(288, 384); }

public slots:
    // Loadings, sway cases and combinations are edited, and offered for
    // removal exactly when the document would let them go.
    void editLoadCase(const LoadCaseRef& loadCase);

private:
    LoadCasePicker* const picker;
    QWidget* const loadingPage;
    QWidget* const swayCasePage;
    QWidget* const combinationPage;
};
