#pragma once

class DocumentModel;
class QObject;

// A window or view talks both to a document (its change signals) and to the
// document's editing actions (the action slots). Letting go of a document
// must cut both sets of connections, in either direction, at once.
void disconnectFromDocument(QObject* receiver, DocumentModel* document);
