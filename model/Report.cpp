#include "Report.h"

#include "LoadCase.h"
#include "ModelXml.h"

#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

const QString Report::ChapterGroupCover = QStringLiteral("GPCS");
const QString Report::ChapterLoadCaseCover = QStringLiteral("LCCS");
const QString Report::ChapterLoadInput = QStringLiteral("LDIN");
const QString Report::ChapterMemberInput = QStringLiteral("MMIN");
const QString Report::ChapterNodeInput = QStringLiteral("NDIN");
const QString Report::ChapterMemberGraphicalResults = QStringLiteral("MMGR");
const QString Report::ChapterNodeGraphicalResults = QStringLiteral("NDGR");
const QString Report::ChapterReactionsGraphical = QStringLiteral("RRGR");
const QString Report::ChapterDeflectionsGraphical = QStringLiteral("DDGR");
const QString Report::ChapterShearForcesGraphical = QStringLiteral("SFGR");
const QString Report::ChapterBendingMomentsGraphical = QStringLiteral("BMGR");

namespace {

template <class T>
void insertBefore(QList<T>* list, const T& entry, const T& before)
{
    if (list->contains(entry))
        return;
    const int at = before ? list->indexOf(before) : -1;
    if (at < 0)
        list->append(entry);
    else
        list->insert(at, entry);
}

template <class T>
T removeReturningNext(QList<T>* list, const T& entry)
{
    const int at = list->indexOf(entry);
    if (at < 0)
        return T();
    list->removeAt(at);
    return at < list->size() ? list->at(at) : T();
}

}

Report::ReportItem::ReportItem(const QString& chapter, const ReportBlockRef& block) : chapter(chapter), block(block) {}

void Report::ReportBlock::insertItem(const ReportItemRef& item, const ReportItemRef& before)
{
    if (item)
        insertBefore(&itemList, item, before);
}

void Report::ReportBlock::insertLoadCase(const LoadCaseRef& loadCase, const LoadCaseRef& before)
{
    if (!loadCase || loadCaseList.contains(loadCase))
        return;
    insertBefore(&loadCaseList, loadCase, before);
    marker = 1;
}

Report::ReportItemRef Report::ReportBlock::removeItem(const ReportItemRef& item)
{
    return removeReturningNext(&itemList, item);
}

LoadCaseRef Report::ReportBlock::removeLoadCase(const LoadCaseRef& loadCase)
{
    return removeReturningNext(&loadCaseList, loadCase);
}

Report::Report() : root(new ReportBlock) {}

Report::ReportItemRef Report::parentOf(const ReportBlockRef& block) const
{
    QList<ReportBlockRef> pending = {root};
    while (!pending.isEmpty()) {
        const ReportBlockRef current = pending.takeFirst();
        for (const ReportItemRef& item : current->itemList) {
            if (!item->block)
                continue;
            if (item->block == block)
                return item;
            pending.append(item->block);
        }
    }
    return ReportItemRef();
}

Report::ReportBlockRef Report::parentOf(const ReportItemRef& item, const ReportBlockRef& from) const
{
    if (!from)
        return ReportBlockRef();
    if (from->itemList.contains(item))
        return from;
    for (const ReportItemRef& child : from->itemList) {
        const ReportBlockRef found = parentOf(item, child->block);
        if (found)
            return found;
    }
    return ReportBlockRef();
}

void Report::readBlock(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap, ReportBlock* block)
{
    // A block may name very many load cases; each is checked against a set, not the list.
    QSet<LoadCaseRef> named(block->loadCaseList.cbegin(), block->loadCaseList.cend());
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name == QLatin1String("item")) {
            const ReportItemRef item(new ReportItem(reader.attributes().value(QStringLiteral("chapter")).toString()));
            ModelXml::readChildren(reader, [&](const QString& inner) {
                if (inner != QLatin1String("block"))
                    return false;
                item->block.reset(new ReportBlock);
                readBlock(reader, idMap, item->block.data());
                return true;
            });
            block->itemList.append(item);
        } else if (name == QLatin1String("loadcase")) {
            const LoadCaseRef loadCase =
                resolveReference<LoadCase>(reader, idMap, ModelXml::elementText(reader).trimmed());
            if (loadCase && !named.contains(loadCase)) {
                named.insert(loadCase);
                block->loadCaseList.append(loadCase);
                block->marker = 1;
            }
        } else {
            return false;
        }
        return true;
    });
}

void Report::readXML(QXmlStreamReader& reader, QMap<QString, VaroObjectRef>* idMap)
{
    ModelXml::readChildren(reader, [&](const QString& name) {
        if (name != QLatin1String("block"))
            return false;
        root.reset(new ReportBlock);
        readBlock(reader, idMap, root.data());
        return true;
    });
}

void Report::writeBlock(QXmlStreamWriter& writer, const ReportBlock& block)
{
    writer.writeStartElement(QStringLiteral("Block"));
    for (const ReportItemRef& item : block.itemList) {
        writer.writeStartElement(QStringLiteral("Item"));
        writer.writeAttribute(QStringLiteral("chapter"), item->chapter);
        if (item->block)
            writeBlock(writer, *item->block);
        writer.writeEndElement();
    }
    for (const LoadCaseRef& loadCase : block.loadCaseList)
        writer.writeTextElement(QStringLiteral("LoadCase"), loadCase->xmlId());
    writer.writeEndElement();
}

void Report::writeXML(QXmlStreamWriter& writer, const QString& id) const
{
    writer.writeStartElement(QStringLiteral("Report"));
    writer.writeAttribute(QStringLiteral("ref"), id);
    writeBlock(writer, *root);
    writer.writeEndElement();
}

namespace {

extern const XmlForm::Element blockForm;
// 190 bytes with its chapter.
const XmlForm::Element itemForm =
    XmlForm::element("Item", {XmlForm::attribute("chapter", XmlForm::Value::Text, XmlForm::Always),
                              XmlForm::child(blockForm)})
        .costing(4, nullptr, nullptr);
// 55 bytes.
const XmlForm::Element blockForm =
    XmlForm::element("Block", {XmlForm::child(itemForm, XmlForm::Repeated),
                               XmlForm::reference("LoadCase", &LoadCase::xmlForm, XmlForm::Repeated)})
        .costing(2, nullptr, nullptr);

} // namespace

const XmlForm::Element Report::xmlForm =
    XmlForm::element("Report", {XmlForm::child(blockForm, XmlForm::Always)}, &VaroObject::xmlForm)
        .costing(8, "report", "reports"); // 460 bytes with its first block

QList<VaroObjectRef> Report::references() const
{
    QList<VaroObjectRef> list;
    QSet<LoadCaseRef> listed;
    QList<ReportBlockRef> pending = {root};
    while (!pending.isEmpty()) {
        const ReportBlockRef block = pending.takeFirst();
        for (const LoadCaseRef& loadCase : block->loadCaseList)
            if (!listed.contains(loadCase)) {
                listed.insert(loadCase);
                list.append(loadCase);
            }
        for (const ReportItemRef& item : block->itemList)
            if (item->block)
                pending.append(item->block);
    }
    return list;
}
