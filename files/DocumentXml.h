#pragma once

#include "ModelRefs.h"
#include "XmlForm.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QSharedPointer>
#include <QString>

#include <functional>

class CurrentState;
class DocumentModel;
class QXmlStreamReader;
class QXmlStreamWriter;
class ReportModel;
class SelectionModel;
class StructureModel;
class ViewPoint;
class ViewPointMemory;
class XmlTextBudget;

// The XML text of one window's model: the "Content" root holding the
// "Document" element, the window's "ViewPoint" and its "CurrentState".
//
// Every model object is written once, after the objects it refers to, under
// a "ref" id; one written-id set serves a whole "Document" element, and one id
// map a whole parse. Element names are read without regard to case.
//
// Each reader is entered on its own start element and leaves on its end
// element, or with the reader at the end of input or in error. A reference
// to an id that was never defined, a member without both nodes and a load
// without a member raise an error on the reader, so the whole text is
// refused instead of building a broken model.
namespace DocumentXml {

typedef QMap<QString, VaroObjectRef> IdMap;

// What writeContent writes, from its root down to the forms of the objects:
// the lists of objects and where each kind stands. The reading budget takes
// all it knows of a model text from here.
extern const XmlForm::Element contentForm;
// The "Document" element, which a model text must hold.
extern const XmlForm::Element documentForm;
extern const XmlForm::Element structureForm;
// The names of the kinds of object that a list holds, in small letters, as
// the reader compares them.
QSet<QString> objectNames(const XmlForm::Element& list);

// Walks the element the reader stands on, handing every start element below
// it (name in lower case) to the handler, which may read it to its end or
// leave it to be descended into. Stops on the element's own end.
void walkElement(QXmlStreamReader& reader, const std::function<void(const QString& name)>& handle);
// A default object of the element's kind reads itself and only then enters
// the id map under its "ref", so that it cannot refer to itself. Null for an
// unknown element or a reading error.
VaroObjectRef readObject(QXmlStreamReader& reader, IdMap* idMap);

// Empty without a document; the view point and current state are left out
// when null. Empty too, and *whyNotWritten says so, when the text would be
// longer than a model file may hold. Running out of memory throws std::bad_alloc.
QByteArray writeContent(const DocumentModel* document, const ViewPoint* viewPoint, const CurrentState* currentState,
                        QString* whyNotWritten = nullptr);
// Fills the three objects, which the caller made new; true when the text had
// no error and, given a document, held a "Document" element. What was read
// before an error stays, for the caller to discard. Running out of memory
// counts as an error, and sets *outOfMemory; a sound model larger than this
// version reads or saves sets *tooLarge, with the message as *errorText.
bool readContent(const QByteArray& text, DocumentModel* document, ViewPoint* viewPoint, CurrentState* currentState,
                 QString* errorText = nullptr, bool* outOfMemory = nullptr, bool* tooLarge = nullptr);
// As readContent, the way a model opens: one that lacks them gains the
// default load cases (DocumentModel::incorporateDefaults) before it is held to
// what a model file may hold, so that what opens with them can be saved.
bool openContent(const QByteArray& text, DocumentModel* document, ViewPoint* viewPoint, CurrentState* currentState,
                 QString* errorText = nullptr, bool* outOfMemory = nullptr, bool* tooLarge = nullptr);
// The most that the text of a model just read can be, cost and nest as when
// it is saved, given the budget that followed its text, told to bound it: a
// model that opens is written and counted only where one of these passes a
// limit of what a model file may hold.
struct SavedTextBound
{
    qint64 length = 0;
    qint64 cost = 0;
    // The longest stretch without markup.
    qint64 run = 0;
    int depth = 0;
    bool passesALimit() const;
    // Within every limit, the length perhaps aside.
    bool withinAllButLength() const;
};
// The load cases `added` after the text are counted with it.
SavedTextBound boundOfSavedText(const XmlTextBudget& budget, const DocumentModel& document, const ViewPoint* viewPoint,
                                const CurrentState* currentState, const QList<LoadCaseRef>& added = {});
qint64 longestSavedText(const XmlTextBudget& budget, const DocumentModel& document, const ViewPoint* viewPoint,
                        const CurrentState* currentState);
// Which limit of a model file the text that the model would be saved as
// passes, and by how much, as the reader's budget says it; empty when it
// can be saved. The text is written and counted, not kept, and read by the
// budget unless only its length is in question.
QString whyNotSavable(const DocumentModel& document, const ViewPoint* viewPoint, const CurrentState* currentState,
                      bool onlyLength = false);

void writeDocument(QXmlStreamWriter& writer, const DocumentModel& document);
void readDocument(QXmlStreamReader& reader, DocumentModel& document, IdMap* idMap);

void writeStructure(QXmlStreamWriter& writer, const StructureModel& structure, QSet<QString>* written);
// Returns the geometry groups met here, for the caller to add to the group
// library, so that a node's group that the library lacked still comes back.
QList<GroupRef> readStructure(QXmlStreamReader& reader, StructureModel& structure, IdMap* idMap);

void writeSelection(QXmlStreamWriter& writer, const SelectionModel& selection, const QSet<QString>& written);
void readSelection(QXmlStreamReader& reader, SelectionModel& selection, IdMap* idMap);

// Nothing at all when there are no reports.
void writeReports(QXmlStreamWriter& writer, const ReportModel& reports, QSet<QString>* written);
void readReports(QXmlStreamReader& reader, ReportModel& reports, IdMap* idMap);

void writeViewPointMemory(QXmlStreamWriter& writer, const ViewPointMemory& memory);
void readViewPointMemory(QXmlStreamReader& reader, ViewPointMemory& memory);

} // namespace DocumentXml
