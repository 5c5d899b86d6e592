#include "FactorListPage.h"

#include "CalculatorField.h"
#include "LoadCaseLibrary.h"
#include "SingleEmitter.h"
#include "SuperLoadCase.h"

#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSet>

#include <cmath>

namespace {

// 2^-128: anything smaller is no factor at all.
const double smallestFactor = std::ldexp(1.0, -128);

bool sameFactors(const QMap<LoadCaseRef, double>& a, const QMap<LoadCaseRef, double>& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.cbegin(), j = b.cbegin(); i != a.cend(); ++i, ++j)
        if (i.key() != j.key() || !(i.value() == j.value()))
            return false;
    return true;
}

} // namespace

FactorListPage::FactorListPage(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : EditorPage(parent, flags), unitSystem(unitSystem)
{
}

void FactorListPage::setLibrary(const QSharedPointer<LoadCaseLibrary>& newLibrary)
{
    replaceLibrary(library, newLibrary);
}

QScrollArea* FactorListPage::createFactorArea()
{
    factorArea = new QScrollArea(this);
    factorArea->setFocusPolicy(Qt::NoFocus);
    factorArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    factorArea->setFrameShape(QFrame::NoFrame);
    factorArea->setWidgetResizable(true);
    return factorArea;
}

void FactorListPage::rebuildFactorList()
{
    factorFields.clear();
    delete factorArea->takeWidget();
    SuperLoadCase* copy = superCopy();
    if (!copy || !library)
        return;

    auto* inner = new QWidget;
    inner->setFocusPolicy(Qt::NoFocus);
    inner->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* grid = new QGridLayout(inner);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(4);
    for (const LoadCaseRef& loadCase : listedCases()) {
        const int row = grid->rowCount();
        auto* name = new QLabel(loadCase->name(), inner);
        // A name is never read as markup.
        name->setTextFormat(Qt::PlainText);
        grid->addWidget(name, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        auto* field = new CalculatorField(copy->factorForLoadCase(loadCase), unitSystem, UnitSystem::Factor, inner);
        field->setMinimumWidth(64);
        field->setMaximumWidth(64);
        grid->addWidget(field, row, 1);
        factorFields.insert(field, loadCase);
        connectCalculatorField(field, QVariant::fromValue(loadCase));
        connect(field, &CalculatorField::ValueCalculated, this, &FactorListPage::factorChanged);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 0);
    factorArea->setWidget(inner);
    checkCalculatorRequest();
}

CalculatorField* FactorListPage::calculatorField(const QVariant& item) const
{
    return factorFields.key(item.value<LoadCaseRef>());
}

QSet<LoadCaseRef> FactorListPage::heldCases() const
{
    if (!library)
        return {};
    const QList<LoadCaseRef> held =
        library->loadings() + library->autoCases() + library->swayCases() + library->combinations();
    return QSet<LoadCaseRef>(held.cbegin(), held.cend());
}

bool FactorListPage::mergeSuperCase(const SuperLoadCase& agreed, const SuperLoadCase& entry)
{
    SuperLoadCase* copy = superCopy();
    bool changed = false;
    copy->setName(merged(copy->name(), agreed.name(), entry.name(), changed));
    copy->setColour(merged(copy->colour(), agreed.colour(), entry.colour(), changed));
    // A factor not held is none: each case's factor is a field of its own.
    const QMap<LoadCaseRef, double> mine = copy->factors();
    const QMap<LoadCaseRef, double> was = agreed.factors();
    const QMap<LoadCaseRef, double> now = entry.factors();
    const QSet<LoadCaseRef> held = heldCases();
    QMap<LoadCaseRef, double> factors = mine;
    bool factorsChanged = false;
    for (const QMap<LoadCaseRef, double>* map : {&mine, &was, &now})
        for (auto i = map->cbegin(); i != map->cend(); ++i) {
            // A case that has left the model takes no factor: what was typed
            // for it is no longer the user's edit, and handed on it would
            // bring the case back.
            double v = 0.0;
            if (library && !held.contains(i.key()))
                factorsChanged = factorsChanged || mine.contains(i.key());
            else
                v = merged(mine.value(i.key()), was.value(i.key()), now.value(i.key()), factorsChanged);
            if (v == 0.0)
                factors.remove(i.key());
            else
                factors.insert(i.key(), v);
        }
    if (factorsChanged)
        copy->setFactors(factors);
    return changed || factorsChanged;
}

void FactorListPage::factorChanged()
{
    SuperLoadCase* copy = superCopy();
    if (!copy)
        return;
    // Factors of cases the list does not show stay while their case is in the
    // library; the shown rows replace theirs. A row can outlive its case
    // until the list is rebuilt: it no longer counts.
    const QSet<LoadCaseRef> held = heldCases();
    QMap<LoadCaseRef, double> factors;
    const QMap<LoadCaseRef, double> present = copy->factors();
    for (auto i = present.cbegin(); i != present.cend(); ++i)
        if (held.contains(i.key()))
            factors.insert(i.key(), i.value());
    for (auto i = factorFields.cbegin(); i != factorFields.cend(); ++i) {
        if (!held.contains(i.value()))
            continue;
        const double v = i.key()->valueAsSI();
        if (std::fabs(v) < smallestFactor)
            factors.remove(i.value());
        else
            factors.insert(i.value(), v);
    }
    if (sameFactors(factors, copy->factors()))
        return;
    copy->setFactors(factors);
    emitter->trigger();
}
