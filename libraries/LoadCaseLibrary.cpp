#include "LoadCaseLibrary.h"

#include "Combination.h"
#include "GravityCase.h"
#include "Loading.h"
#include "SwayCase.h"

LoadCaseLibrary::LoadCaseLibrary()
    : branches{ItemRef(new Item(LoadCaseRef(), QStringLiteral("Loadings"))),
               ItemRef(new Item(LoadCaseRef(), QStringLiteral("Gravity cases"))),
               ItemRef(new Item(LoadCaseRef(), QStringLiteral("Sway cases"))),
               ItemRef(new Item(LoadCaseRef(), QStringLiteral("Combinations")))}
{
    for (const ItemRef& branch : branches)
        root()->appendSubnode(branch);
}

QList<LoadCaseRef> LoadCaseLibrary::loadings() const
{
    return valuesOf(branches[Loadings]);
}

QList<LoadCaseRef> LoadCaseLibrary::autoCases() const
{
    return valuesOf(branches[AutoCases]);
}

QList<LoadCaseRef> LoadCaseLibrary::swayCases() const
{
    return valuesOf(branches[SwayCases]);
}

QList<LoadCaseRef> LoadCaseLibrary::combinations() const
{
    return valuesOf(branches[Combinations]);
}

bool LoadCaseLibrary::gatherAll(QList<LoadCaseRef>* loadCases, StopChecks* checks) const
{
    for (const ItemRef& branch : branches)
        if (!appendValuesOf(branch, loadCases, checks))
            return false;
    return true;
}

LoadCaseLibrary::Branch LoadCaseLibrary::branchOf(const LoadCaseRef& loadCase)
{
    if (loadCase.objectCast<Loading>())
        return Loadings;
    if (loadCase.objectCast<GravityCase>())
        return AutoCases;
    if (loadCase.objectCast<SwayCase>())
        return SwayCases;
    if (loadCase.objectCast<Combination>())
        return Combinations;
    return BranchCount;
}

LoadCaseLibrary::ItemRef LoadCaseLibrary::append(const QSharedPointer<LoadCase>& loadCase)
{
    const Branch branch = branchOf(loadCase);
    if (branch == BranchCount)
        return ItemRef();
    return appendItem(branches[branch], loadCase, loadCase->name());
}

void LoadCaseLibrary::appendAll(const QList<LoadCaseRef>& loadCases)
{
    appendItems(loadCases, [this](const LoadCaseRef& loadCase) {
        const Branch branch = branchOf(loadCase);
        return branch == BranchCount ? TreeNodeRef() : TreeNodeRef(branches[branch]);
    });
}

bool LoadCaseLibrary::remove(const LoadCaseRef& loadCase)
{
    return removeItemByValue(root(), loadCase);
}

QString LoadCaseLibrary::uniqueLoadingName() const
{
    return firstFreeNameUnder(branches[Loadings], QStringLiteral("Loading %1"));
}

QString LoadCaseLibrary::uniqueSwayCaseName() const
{
    return firstFreeNameUnder(branches[SwayCases], QStringLiteral("Sway %1"));
}

QString LoadCaseLibrary::uniqueCombinationName() const
{
    return firstFreeNameUnder(branches[Combinations], QStringLiteral("Combination %1"));
}
