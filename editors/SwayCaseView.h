#pragma once

#include "FactorListPage.h"

class ButtonBar;

// Edits a sway case: "Take component" X, Y or Z "of:" its factored
// loadings and gravity cases "and apply along" X, Y or Z.
class SwayCaseView : public EntryPage<FactorListPage, SwayCase>
{
    Q_OBJECT

public:
    explicit SwayCaseView(const UnitSystemRef& unitSystem, QWidget* parent = nullptr,
                          Qt::WindowFlags flags = Qt::WindowFlags());

    Q_INVOKABLE void setSwayCase(const SwayCaseRef& swayCase);

public slots:
    void applyComponentChanged(int index);
    void nameChanged();
    void remove();
    void repopulate() override;
    void takeComponentChanged(int index);

signals:
    void SwayCaseChanged(SwayCaseRef& target, const SwayCaseRef& copy);
    void LoadCaseRemoved(const LoadCaseRef& loadCase);

protected:
    SuperLoadCase* superCopy() const override;
    QList<LoadCaseRef> listedCases() const override;
    bool entryInModel() const override;
    bool mergeEntry() override;
    void handOnEdits() override;

private:
    ButtonBar* takeBar;
    ButtonBar* applyBar;
};
