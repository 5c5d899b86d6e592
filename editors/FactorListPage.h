#pragma once

#include "EditorPage.h"
#include "ModelRefs.h"
#include "UnitSystem.h"

#include <QMap>
#include <QSet>

class CalculatorField;
class LoadCaseLibrary;
class QScrollArea;

// The pages of load cases made of other load cases: a scrolling list with
// one calculator field per load case the case may take a factor of.
class FactorListPage : public EditorPage
{
    Q_OBJECT

public:
    FactorListPage(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags);

    Q_INVOKABLE void setLibrary(const QSharedPointer<LoadCaseLibrary>& library);

public slots:
    void factorChanged();

protected:
    // The row of the load case, found again after each rebuild.
    CalculatorField* calculatorField(const QVariant& item) const override;

    // The working copy, null when there is none.
    virtual SuperLoadCase* superCopy() const = 0;
    // The load cases offered, in the order they are listed.
    virtual QList<LoadCaseRef> listedCases() const = 0;

    // The load cases the library holds; none without a library.
    QSet<LoadCaseRef> heldCases() const;
    QScrollArea* createFactorArea();
    // Drops the rows; with a copy and a library, lists a row per offered case.
    void rebuildFactorList();
    // Takes the entry's name, colour and each factor into the copy where the
    // copy still holds the agreed one; true when the copy changed.
    bool mergeSuperCase(const SuperLoadCase& agreed, const SuperLoadCase& entry);

    QSharedPointer<LoadCaseLibrary> library;
    UnitSystemRef unitSystem;
    QMap<CalculatorField*, LoadCaseRef> factorFields;
    QScrollArea* factorArea = nullptr;
};
