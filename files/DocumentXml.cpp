#include "DocumentXml.h"

#include "Combination.h"
#include "CurrentState.h"
#include "DocumentModel.h"
#include "FileUtilities.h"
#include "GeometryGroup.h"
#include "GravityCase.h"
#include "GroupLibrary.h"
#include "Libraries.h"
#include "Load.h"
#include "LoadAxis.h"
#include "LoadCase.h"
#include "LoadCaseLibrary.h"
#include "Loading.h"
#include "MaterialLibrary.h"
#include "Member.h"
#include "MemberAxis.h"
#include "ModelXml.h"
#include "Node.h"
#include "PointLoad.h"
#include "ReadingBudget.h"
#include "Report.h"
#include "ReportModel.h"
#include "SectionType.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "Support.h"
#include "SwayCase.h"
#include "Titles.h"
#include "TorqueLoad.h"
#include "TrapezoidLoad.h"
#include "ViewPoint.h"
#include "ViewPointMemory.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <new>

namespace DocumentXml {

namespace {

// The kinds of object the structure's list holds, as the reader compares their names.
const QSet<QString>& structureElements()
{
    static const QSet<QString> names = objectNames(structureForm);
    return names;
}

// Any of the four kinds of load case.
bool isLoadCaseElement(const QString& name)
{
    static const QSet<QString> names = [] {
        QSet<QString> kinds;
        for (const ModelXml::ObjectKind& kind : ModelXml::objectKinds())
            if (XmlForm::derivesFrom(kind.form, &LoadCase::xmlForm))
                kinds.insert(QString::fromLatin1(kind.form->name).toLower());
        return kinds;
    }();
    return names.contains(name);
}

} // namespace

void walkElement(QXmlStreamReader& reader, const std::function<void(const QString& name)>& handle)
{
    int depth = 1;
    while (!reader.atEnd() && !reader.hasError()) {
        reader.readNext();
        if (reader.isStartElement()) {
            handle(ModelXml::elementName(reader));
            ++depth;
        }
        if (reader.isEndElement() && --depth == 0)
            break;
    }
}

VaroObjectRef readObject(QXmlStreamReader& reader, IdMap* idMap)
{
    const QString ref = reader.attributes().value(QStringLiteral("ref")).toString();
    const VaroObjectRef object = makeObjectForElement(ModelXml::elementName(reader));
    if (!object)
        return object;
    object->readXML(reader, idMap);
    if (reader.hasError())
        return VaroObjectRef();
    idMap->insert(ref, object);
    return object;
}

namespace {

// Holds a text up to the longest a model file may hold and refuses the rest,
// so that a model too large to save is told so before its whole text is
// built, however deeply it nests: the text may never pass what a byte array
// holds.
class BoundedText : public QIODevice
{
public:
    // Keeps the text in `text`, or hands it to `budget` a piece at a time, or only counts it.
    explicit BoundedText(QByteArray* text = nullptr, XmlTextBudget* budget = nullptr) : text(text), budget(budget)
    {
        open(QIODevice::WriteOnly);
    }
    bool isOverflowed() const { return overflowed; }
    // The budget has read what is left.
    void finish()
    {
        if (budget)
            budget->take(piece);
        piece.clear();
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (overflowed || count + size > limit) {
            overflowed = true;
            return -1;
        }
        if (text)
            text->append(data, int(size));
        count += size;
        if (budget) {
            // The writer writes a few bytes at a time; the budget reads a whole tag best.
            piece.append(data, int(size));
            if (piece.size() >= pieceSize)
                finish();
        }
        return size;
    }

private:
    static constexpr int pieceSize = 1 << 20;
    QByteArray* text;
    XmlTextBudget* budget;
    QByteArray piece;
    const qint64 limit = FileLimits::current().modelTextSize;
    qint64 count = 0;
    bool overflowed = false;
};

// The device tells whether the text became longer than a model file may hold.
void writeContentTo(QIODevice* device, const DocumentModel& document, const ViewPoint* viewPoint,
                    const CurrentState* currentState)
{
    QXmlStreamWriter writer(device);
    writer.setAutoFormatting(true);
    // One tab per level.
    writer.setAutoFormattingIndent(-1);
    writer.writeStartDocument(QStringLiteral("1.0"));
    writer.writeComment(QStringLiteral(" VARO Ulmar model. The numbers in \"ref\" only link the objects of this file. "));
    writer.writeStartElement(QStringLiteral("Content"));
    writeDocument(writer, document);
    if (viewPoint)
        viewPoint->writeXML(writer);
    if (currentState)
        currentState->writeXML(writer);
    writer.writeEndElement();
    writer.writeEndDocument();
}

} // namespace

// What the budget bounds of the objects the text holds, and what a new
// document read from it writes of its own. Its titles, the load cases that
// opening added after the text, and the window's camera and state are
// written here, as they are small; a section type may have taken a library
// material instead of its own, which is written here too and counted with
// each. Last, the declaration, the comment and the root.
SavedTextBound boundOfSavedText(const XmlTextBudget& budget, const DocumentModel& document, const ViewPoint* viewPoint,
                                const CurrentState* currentState, const QList<LoadCaseRef>& added)
{
    TrackedReadLocker locker(document.documentLock());
    QByteArray own;
    {
        QXmlStreamWriter writer(&own);
        writer.setAutoFormatting(true);
        writer.setAutoFormattingIndent(-1);
        writer.writeStartElement(QStringLiteral("Content"));
        writer.writeStartElement(QStringLiteral("Document"));
        document.titles()->writeXML(writer);
        QSet<QString> written;
        for (const LoadCaseRef& loadCase : added)
            loadCase->writeRecursiveXML(writer, &written);
        writer.writeEndElement();
        if (viewPoint)
            viewPoint->writeXML(writer);
        if (currentState)
            currentState->writeXML(writer);
        writer.writeEndElement();
    }
    XmlTextBudget ownBudget;
    ownBudget.take(own);
    SavedTextBound bound;
    bound.length = budget.savedMost() + own.size();
    bound.cost = budget.mostCost() + ownBudget.cost();
    bound.run = qMax(budget.longestRun(), ReadingBudget::longestRunOf(own));
    bound.depth = budget.deepestNesting();
    const qint64 sectionTypes = budget.count(SectionType::xmlForm);
    if (sectionTypes > 0) {
        const QSharedPointer<MaterialLibrary> library = document.libraries()->materialLibrary();
        qint64 longest = 0;
        qint64 costliest = 0;
        for (const MaterialRef& material :
             library->valuesOf(library->root()->subnode(0)) + library->valuesOf(library->root()->subnode(1))) {
            QByteArray text;
            QXmlStreamWriter writer(&text);
            writer.setAutoFormatting(true);
            writer.setAutoFormattingIndent(-1);
            material->writeXML(writer);
            // Each line as deep as a section type's fields, each element read as a value.
            longest = qMax(longest, text.size() + (text.count('\n') + 1) * qint64(8));
            costliest = qMax<qint64>(costliest, 3 * text.count('<') + text.size() / ReadingBudget::charactersPerUnit);
            bound.run = qMax(bound.run, ReadingBudget::longestRunOf(text));
        }
        bound.length += sectionTypes * longest;
        bound.cost += sectionTypes * costliest;
    }
    const qint64 frame = 4096;
    bound.length += frame;
    bound.cost += frame / ReadingBudget::charactersPerUnit;
    return bound;
}

bool SavedTextBound::passesALimit() const
{
    return length > FileLimits::current().modelTextSize || !withinAllButLength();
}

bool SavedTextBound::withinAllButLength() const
{
    const FileLimits limits = FileLimits::current();
    return cost <= limits.cost && run <= limits.textRun && depth < ReadingBudget::maximumDepth;
}

qint64 longestSavedText(const XmlTextBudget& budget, const DocumentModel& document, const ViewPoint* viewPoint,
                        const CurrentState* currentState)
{
    return boundOfSavedText(budget, document, viewPoint, currentState).length;
}

QString whyNotSavable(const DocumentModel& document, const ViewPoint* viewPoint, const CurrentState* currentState,
                      bool onlyLength)
{
    XmlTextBudget budget(true);
    BoundedText text(nullptr, onlyLength ? nullptr : &budget);
    writeContentTo(&text, document, viewPoint, currentState);
    if (text.isOverflowed())
        return ReadingBudget::savedTextTooLong();
    text.finish();
    return budget.describeExcess();
}

QByteArray writeContent(const DocumentModel* document, const ViewPoint* viewPoint, const CurrentState* currentState,
                        QString* whyNotWritten)
{
    if (!document)
        return QByteArray();
    QByteArray text;
    BoundedText device(&text);
    writeContentTo(&device, *document, viewPoint, currentState);
    if (device.isOverflowed()) {
        if (whyNotWritten)
            *whyNotWritten =
                QCoreApplication::translate("DocumentXml",
                                            "The model is too large to save: its text is over the %L1 MB that a "
                                            "model file may hold.")
                    .arg(inMegabytes(FileLimits::current().modelTextSize));
        return QByteArray();
    }
    return text;
}

namespace {

// The reader takes a byte-order mark or a first character of two or four
// bytes as the sign of UTF-16 or UTF-32.
bool isUtf8Start(const QByteArray& text)
{
    if (text.startsWith("\xFE\xFF") || text.startsWith("\xFF\xFE"))
        return false;
    return !text.left(4).contains('\0');
}

QString readContentParts(const QByteArray& text, DocumentModel* document, ViewPoint* viewPoint,
                         CurrentState* currentState, bool withDefaults, bool* tooLarge)
{
    // Before anything is built: a text that asks for more than any model holds.
    XmlTextBudget budget(true);
    budget.boundSavedText();
    if (!budget.take(text)) {
        if (!budget.isTooLarge())
            return QStringLiteral("The text cannot be read: %1.").arg(budget.describeExcess());
        *tooLarge = true;
        return ReadingBudget::tooLargeToOpen(budget.describeExcess());
    }
    // Refused before it is parsed: a text without a model may be as long as one.
    if (document && !budget.holdsDocument())
        return QStringLiteral("The text holds no document.");
    // The budget reads bytes as UTF-8, which is all a model text is written
    // in; in another encoding the reader would see elements that it does not.
    if (!isUtf8Start(text))
        return QStringLiteral("A model text is UTF-8.");
    IdMap idMap;
    // Read from a device, the text is decoded a piece at a time rather than
    // held a second time, twice as large, while the model is built.
    QBuffer device;
    device.setData(text);
    device.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&device);
    bool documentRead = false;
    // The root's name does not matter; the parts are honoured at any depth.
    int depth = 0;
    while (!reader.atEnd() && !reader.hasError()) {
        reader.readNext();
        if (reader.isStartDocument() && !reader.documentEncoding().isEmpty()
            && reader.documentEncoding().compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0)
            reader.raiseError(QStringLiteral("A model text is UTF-8."));
        // No model text declares a document type; one could declare entities
        // that make objects the budget above never saw.
        if (reader.isDTD())
            reader.raiseError(QStringLiteral("A model text declares no document type."));
        if (reader.isStartElement()) {
            ++depth;
            const QString name = ModelXml::elementName(reader);
            if (name == QLatin1String("document") && document) {
                readDocument(reader, *document, &idMap);
                documentRead = true;
            } else if (name == QLatin1String("viewpoint") && viewPoint) {
                viewPoint->readXML(reader);
            } else if (name == QLatin1String("currentstate") && currentState) {
                currentState->readXML(reader, &idMap);
            }
        }
        if (reader.isEndElement() && --depth == 0)
            break;
    }
    if (reader.hasError())
        return reader.errorString();
    // Text without a model in it (a bare root, or nothing but white space) is no model file.
    if (document && !documentRead)
        return QStringLiteral("The text holds no document.");
    // Whatever opens can be saved, by every limit that the save holds the
    // text to, with what opening adds: only where a bound of the text it would
    // be saved as passes one is that text written and counted, though not kept.
    const QList<LoadCaseRef> added = document && withDefaults ? document->incorporateDefaults() : QList<LoadCaseRef>();
    // The window shows the load case the text names, else the first loading,
    // and saves it with the model.
    if (document && withDefaults && currentState)
        currentState->setLoadCase(document->loadCaseShownFor(currentState->loadCase()));
    const SavedTextBound bound =
        document ? boundOfSavedText(budget, *document, viewPoint, currentState, added) : SavedTextBound();
    if (bound.passesALimit()) {
        const QString why = whyNotSavable(*document, viewPoint, currentState, bound.withinAllButLength());
        if (!why.isEmpty()) {
            *tooLarge = true;
            return ReadingBudget::tooLargeToOpen(why);
        }
    }
    return QString();
}

} // namespace

namespace {

bool readContentOf(const QByteArray& text, DocumentModel* document, ViewPoint* viewPoint, CurrentState* currentState,
                   bool withDefaults, QString* errorText, bool* outOfMemory, bool* tooLarge)
{
    QString error;
    bool memoryRanOut = false;
    bool over = false;
    try {
        if (AllocationTesting::failsNow(AllocationTesting::Stage::DocumentRead))
            throw std::bad_alloc();
        error = readContentParts(text, document, viewPoint, currentState, withDefaults, &over);
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("There is not enough memory to read the text.");
        memoryRanOut = true;
    }
    if (errorText)
        *errorText = error;
    if (outOfMemory)
        *outOfMemory = memoryRanOut;
    if (tooLarge)
        *tooLarge = over;
    return error.isEmpty();
}

} // namespace

bool readContent(const QByteArray& text, DocumentModel* document, ViewPoint* viewPoint, CurrentState* currentState,
                 QString* errorText, bool* outOfMemory, bool* tooLarge)
{
    return readContentOf(text, document, viewPoint, currentState, false, errorText, outOfMemory, tooLarge);
}

bool openContent(const QByteArray& text, DocumentModel* document, ViewPoint* viewPoint, CurrentState* currentState,
                 QString* errorText, bool* outOfMemory, bool* tooLarge)
{
    return readContentOf(text, document, viewPoint, currentState, true, errorText, outOfMemory, tooLarge);
}

void writeDocument(QXmlStreamWriter& writer, const DocumentModel& document)
{
    TrackedReadLocker locker(document.documentLock());
    writer.writeStartElement(QStringLiteral("Document"));
    document.titles()->writeXML(writer);

    QSet<QString> written;
    for (const GeometryGroupRef& group : document.libraries()->groupLibrary()->geometryGroups())
        group->writeRecursiveXML(writer, &written);
    const QSharedPointer<LoadCaseLibrary> loadCases = document.libraries()->loadCaseLibrary();
    for (const QList<LoadCaseRef>& kind :
         {loadCases->loadings(), loadCases->autoCases(), loadCases->swayCases(), loadCases->combinations()})
        for (const LoadCaseRef& loadCase : kind)
            loadCase->writeRecursiveXML(writer, &written);

    writeViewPointMemory(writer, *document.viewPointMemory());
    writeStructure(writer, *document.structureModel(), &written);
    // Where a long text has grown most, with the document still locked.
    if (AllocationTesting::failsNow(AllocationTesting::Stage::DocumentText))
        throw std::bad_alloc();
    writeSelection(writer, *document.selectionModel(), written);
    writeReports(writer, *document.reportModel(), &written);
    writer.writeEndElement();
}

void readDocument(QXmlStreamReader& reader, DocumentModel& document, IdMap* idMap)
{
    // Keeps the analysis thread off the document while it fills.
    DocumentWriteGuard guard(&document);

    // The entries join their libraries once, at the end, in the order they
    // stand in the file with the groups the structure adds: each join looks
    // through the whole library, so joining as they come would cost time in
    // proportion to the square of their number.
    QList<GroupRef> groups;
    QList<LoadCaseRef> loadCases;
    QList<VaroObjectRef> nodes;
    walkElement(reader, [&](const QString& name) {
        if (name == QLatin1String("node") || name == QLatin1String("support")) {
            // Written before a gravity case whose axis names the node; the
            // node stays in the structure.
            const VaroObjectRef object = readObject(reader, idMap);
            if (qSharedPointerObjectCast<Node>(object))
                nodes.append(object);
        } else if (name == QLatin1String("geometrygroup")) {
            if (const GroupRef group = qSharedPointerObjectCast<Group>(readObject(reader, idMap)))
                groups.append(group);
        } else if (isLoadCaseElement(name)) {
            if (const LoadCaseRef loadCase = qSharedPointerObjectCast<LoadCase>(readObject(reader, idMap)))
                loadCases.append(loadCase);
        } else if (name == QLatin1String("structure")) {
            groups += readStructure(reader, *document.structureModel(), idMap);
        } else if (name == QLatin1String("selection")) {
            readSelection(reader, *document.selectionModel(), idMap);
        } else if (name == QLatin1String("reports")) {
            readReports(reader, *document.reportModel(), idMap);
        } else if (name == QLatin1String("titles")) {
            document.titles()->readXML(reader);
        } else if (name == QLatin1String("viewpointmemory")) {
            readViewPointMemory(reader, *document.viewPointMemory());
        }
    });
    if (!nodes.isEmpty())
        document.structureModel()->appendObjects(nodes);
    const QSharedPointer<Libraries> libraries = document.libraries();
    libraries->groupLibrary()->appendAll(groups);
    libraries->loadCaseLibrary()->appendAll(loadCases);
    if (!reader.hasError())
        document.consolidateWithLibraries(idMap->values());
}

namespace {

// Nodes that the structure's members and loads still point at, through
// their ends or axes, without the structure holding them: an axis towards a
// node that was deleted or merged away. In the structure's order.
QList<VaroObjectRef> detachedNodes(const StructureModel& structure)
{
    const QList<NodeRef> nodes = structure.nodes();
    const QSet<NodeRef> inStructure(nodes.cbegin(), nodes.cend());
    QList<NodeRef> pointedAt;
    for (const MemberRef& member : structure.members()) {
        pointedAt << member->nodeA() << member->nodeB();
        if (member->axis())
            pointedAt << member->axis()->axis().node();
    }
    for (const LoadRef& load : structure.loads())
        if (load->axis())
            pointedAt << load->axis()->axis().node();
    QList<VaroObjectRef> detached;
    QSet<NodeRef> seen;
    for (const NodeRef& node : pointedAt) {
        if (!node || inStructure.contains(node) || seen.contains(node))
            continue;
        seen.insert(node);
        detached << node;
    }
    return detached;
}

} // namespace

void writeStructure(QXmlStreamWriter& writer, const StructureModel& structure, QSet<QString>* written)
{
    writer.writeStartElement(QStringLiteral("Structure"));
    const QList<VaroObjectRef> everything = structure.everything();
    const int nodeCount = structure.nodes().size();
    for (int i = 0; i < nodeCount; ++i)
        everything.at(i)->writeRecursiveXML(writer, written);
    // Written apart before the objects that point at them, so that they
    // never join the structure when it is read.
    QList<VaroObjectRef> detached;
    for (const VaroObjectRef& node : detachedNodes(structure))
        if (!written->contains(node->xmlId()))
            detached << node;
    if (!detached.isEmpty()) {
        writer.writeStartElement(QStringLiteral("DetachedNodes"));
        for (const VaroObjectRef& node : detached)
            node->writeRecursiveXML(writer, written);
        writer.writeEndElement();
    }
    for (int i = nodeCount; i < everything.size(); ++i)
        everything.at(i)->writeRecursiveXML(writer, written);
    writer.writeEndElement();
}

QList<GroupRef> readStructure(QXmlStreamReader& reader, StructureModel& structure, IdMap* idMap)
{
    QList<VaroObjectRef> listed;
    QList<GroupRef> groupsMet;
    bool detached = false;
    std::function<void(const QString&)> handle = [&](const QString& name) {
        if (name == QLatin1String("detachednodes") && !detached) {
            detached = true;
            walkElement(reader, handle);
            detached = false;
            return;
        }
        // A load case that the library lost while a load still names it.
        if (isLoadCaseElement(name)) {
            readObject(reader, idMap);
            return;
        }
        if (!structureElements().contains(name))
            return;
        const VaroObjectRef object = readObject(reader, idMap);
        if (!object)
            return;
        // A member from a node to itself is the analysis's to refuse: the
        // transfer import makes one, and what was saved must open again.
        if (const MemberRef member = qSharedPointerObjectCast<Member>(object)) {
            if (!member->nodeA() || !member->nodeB())
                reader.raiseError(QStringLiteral("A member needs two nodes."));
        } else if (const LoadRef load = qSharedPointerObjectCast<Load>(object)) {
            if (!load->member())
                reader.raiseError(QStringLiteral("A load needs a member."));
        } else if (const GroupRef group = qSharedPointerObjectCast<GeometryGroup>(object)) {
            // A group the libraries lack (an older file) would otherwise be dropped.
            groupsMet.append(group);
            return;
        }
        if (!detached)
            listed.append(object);
    };
    walkElement(reader, handle);
    // Everything enters in one change, so the structure signals once.
    structure.appendObjects(listed);
    return groupsMet;
}

void writeSelection(QXmlStreamWriter& writer, const SelectionModel& selection, const QSet<QString>& written)
{
    writer.writeStartElement(QStringLiteral("Selection"));
    const QMap<VaroObjectRef, int> counts = selection.copyCounts();
    for (const VaroObjectRef& object : selection.selection()) {
        const QString id = object->xmlId();
        // An object that nothing else wrote (deleted but still selected) is left out.
        if (!written.contains(id))
            continue;
        writer.writeStartElement(QStringLiteral("ref"));
        const int count = counts.value(object, 1);
        if (count != 1)
            writer.writeAttribute(QStringLiteral("count"), QString::number(count));
        writer.writeCharacters(id);
        writer.writeEndElement();
    }
    writer.writeEndElement();
}

void readSelection(QXmlStreamReader& reader, SelectionModel& selection, IdMap* idMap)
{
    QList<VaroObjectRef> objects;
    // Looked up in a set, so that a selection of many objects reads in linear time.
    QSet<VaroObjectRef> selected;
    QMap<VaroObjectRef, int> counts;
    walkElement(reader, [&](const QString& name) {
        if (name != QLatin1String("ref"))
            return;
        const QStringRef countText = reader.attributes().value(QStringLiteral("count"));
        const int count = countText.isNull() ? 1 : ModelXml::integerFrom(reader, countText.toString(), 1);
        const VaroObjectRef object = idMap->value(ModelXml::elementText(reader).trimmed());
        if (!object || selected.contains(object))
            return;
        selected.insert(object);
        objects.append(object);
        if (count >= 2)
            counts.insert(object, count);
    });
    if (!objects.isEmpty())
        selection.selectObjects(objects, counts);
}

void writeReports(QXmlStreamWriter& writer, const ReportModel& reports, QSet<QString>* written)
{
    const QList<ReportRef> list = reports.reports();
    if (list.isEmpty())
        return;
    writer.writeStartElement(QStringLiteral("Reports"));
    for (const ReportRef& report : list)
        report->writeRecursiveXML(writer, written);
    writer.writeEndElement();
}

void readReports(QXmlStreamReader& reader, ReportModel& reports, IdMap* idMap)
{
    QList<ReportRef> list;
    walkElement(reader, [&](const QString& name) {
        if (name == QLatin1String("report")) {
            if (const ReportRef report = qSharedPointerObjectCast<Report>(readObject(reader, idMap)))
                list.append(report);
        } else if (isLoadCaseElement(name)) {
            // A load case that only a report names (it left the library after
            // the report took it) lives on through the report alone.
            readObject(reader, idMap);
        }
    });
    reports.appendReports(list);
}

void writeViewPointMemory(QXmlStreamWriter& writer, const ViewPointMemory& memory)
{
    writer.writeStartElement(QStringLiteral("ViewPointMemory"));
    const QMap<int, ViewPointRef> stored = memory.values();
    for (auto i = stored.constBegin(); i != stored.constEnd(); ++i) {
        if (i.key() < 0 || !i.value())
            continue;
        writer.writeTextElement(QStringLiteral("index"), QString::number(i.key()));
        i.value()->writeXML(writer);
    }
    writer.writeEndElement();
}

void readViewPointMemory(QXmlStreamReader& reader, ViewPointMemory& memory)
{
    int slot = 0;
    walkElement(reader, [&](const QString& name) {
        if (name == QLatin1String("index")) {
            slot = ModelXml::integerFrom(reader, ModelXml::elementText(reader), 0);
        } else if (name == QLatin1String("viewpoint")) {
            const ViewPointRef viewPoint(new ViewPoint);
            viewPoint->readXML(reader);
            memory.setValueAt(slot, viewPoint);
        }
    });
}

} // namespace DocumentXml
