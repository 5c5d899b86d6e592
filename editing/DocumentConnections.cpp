#include "DocumentConnections.h"

#include "DocumentModel.h"
#include "EditingActions.h"

void disconnectFromDocument(QObject* receiver, DocumentModel* document)
{
    if (!receiver || !document)
        return;
    EditingActions* actions = EditingActions::of(document);
    for (QObject* side : {static_cast<QObject*>(document), static_cast<QObject*>(actions)}) {
        QObject::disconnect(side, nullptr, receiver, nullptr);
        QObject::disconnect(receiver, nullptr, side, nullptr);
    }
}
