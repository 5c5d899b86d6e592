#include "EditingActions.h"

#include "ConsolidationIndex.h"
#include "DocumentModel.h"
#include "GroupLibrary.h"
#include "Libraries.h"
#include "LoadAxisLibrary.h"
#include "LoadCaseLibrary.h"
#include "MaterialLibrary.h"
#include "MemberAxisLibrary.h"
#include "MemberPinLibrary.h"
#include "SectionLibrary.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "SupportLibrary.h"
#include "UnitSystem.h"

#include <QUndoCommand>

EditingActions::EditingActions(DocumentModel* document)
    : QObject(document), doc(document), consolidated(new ConsolidationBaseline)
{
    // Changes the index cannot see: what makes objects mergeable or how
    // they round.
    const QSharedPointer<Libraries> libraries = document->libraries();
    const QList<TreeLibrary_base*> all = {libraries->groupLibrary().data(),     libraries->loadAxisLibrary().data(),
                                          libraries->loadCaseLibrary().data(),  libraries->materialLibrary().data(),
                                          libraries->memberAxisLibrary().data(), libraries->memberPinLibrary().data(),
                                          libraries->sectionLibrary().data(),   libraries->supportLibrary().data()};
    for (TreeLibrary_base* library : all)
        connect(library, &TreeLibrary_base::Changed, this, &EditingActions::forgetConsolidatedState);
    connect(document->unitSystem().data(), &UnitSystem::UnitSystemChanged, this,
            &EditingActions::forgetConsolidatedState);
}

EditingActions::~EditingActions() = default;

EditingActions* EditingActions::of(DocumentModel* document)
{
    if (!document)
        return nullptr;
    EditingActions* actions = document->findChild<EditingActions*>(QString(), Qt::FindDirectChildrenOnly);
    return actions ? actions : new EditingActions(document);
}

QSharedPointer<StructureModel> EditingActions::structure() const
{
    return doc->structureModel();
}

QSharedPointer<SelectionModel> EditingActions::selection() const
{
    return doc->selectionModel();
}

UndoHistory* EditingActions::undoStack() const
{
    return doc->structureUndoStack().data();
}

void EditingActions::push(QUndoCommand* command)
{
    undoStack()->push(command);
}

void EditingActions::warn(const QString& message)
{
    emit doc->WarningMessage(message);
}

double EditingActions::lengthStep() const
{
    const QSharedPointer<UnitSystem> units = doc->unitSystem();
    return units->convertPreferredToSI(units->minimumPreferredValue(UnitSystem::Length), UnitSystem::Length);
}

double EditingActions::consolidationDistance() const
{
    return 1.75 * lengthStep();
}

double EditingActions::explosionDistance() const
{
    return 0.9990234375 * lengthStep();
}
