#include "EditingActions.h"

#include "DocumentModel.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "UnitSystem.h"

#include <QUndoCommand>
#include <QUndoStack>

EditingActions::EditingActions(DocumentModel* document) : QObject(document), doc(document) {}

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

QUndoStack* EditingActions::undoStack() const
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
