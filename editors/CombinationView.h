#pragma once

#include "FactorListPage.h"

// Edits a combination's name and its factors on the loadings, gravity cases
// and sway cases of the library; its second-order mark stays as it is.
class CombinationView : public EntryPage<FactorListPage, Combination>
{
    Q_OBJECT

public:
    explicit CombinationView(const UnitSystemRef& unitSystem, QWidget* parent = nullptr,
                             Qt::WindowFlags flags = Qt::WindowFlags());

    Q_INVOKABLE void setCombination(const CombinationRef& combination);

public slots:
    void nameChanged();
    void remove();
    void repopulate() override;

signals:
    void CombinationChanged(CombinationRef& target, const CombinationRef& copy);
    void LoadCaseRemoved(const LoadCaseRef& loadCase);

protected:
    SuperLoadCase* superCopy() const override;
    QList<LoadCaseRef> listedCases() const override;
    bool entryInModel() const override;
    bool mergeEntry() override;
    void handOnEdits() override;

private:
};
