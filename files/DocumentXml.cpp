#include "DocumentXml.h"

#include "GeometryGroup.h"
#include "GroupLibrary.h"
#include "Load.h"
#include "Member.h"
#include "ModelXml.h"
#include "Report.h"
#include "ReportModel.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "ViewPoint.h"
#include "ViewPointMemory.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace DocumentXml {

namespace {

const QSet<QString>& structureElements()
{
    static const QSet<QString> names = {
        QStringLiteral("geometrygroup"), QStringLiteral("loadaxis"),    QStringLiteral("member"),
        QStringLiteral("memberaxis"),    QStringLiteral("node"),        QStringLiteral("pointload"),
        QStringLiteral("sectiontype"),   QStringLiteral("support"),     QStringLiteral("torqueload"),
        QStringLiteral("trapezoidload"),
    };
    return names;
}

} // namespace

void walkElement(QXmlStreamReader& reader, const std::function<void(const QString& name)>& handle)
{
    int depth = 1;
    while (!reader.atEnd() && !reader.hasError()) {
        reader.readNext();
        if (reader.isStartElement()) {
            handle(reader.name().toString().toLower());
            ++depth;
        }
        if (reader.isEndElement() && --depth == 0)
            break;
    }
}

VaroObjectRef readObject(QXmlStreamReader& reader, IdMap* idMap)
{
    const QString ref = reader.attributes().value(QStringLiteral("ref")).toString();
    const VaroObjectRef object = makeObjectForElement(reader.name().toString());
    if (!object)
        return object;
    object->readXML(reader, idMap);
    if (reader.hasError())
        return VaroObjectRef();
    idMap->insert(ref, object);
    return object;
}


void writeStructure(QXmlStreamWriter& writer, const StructureModel& structure, QSet<QString>* written)
{
    writer.writeStartElement(QStringLiteral("Structure"));
    for (const VaroObjectRef& object : structure.everything())
        object->writeRecursiveXML(writer, written);
    writer.writeEndElement();
}

void readStructure(QXmlStreamReader& reader, StructureModel& structure, GroupLibrary& groups, IdMap* idMap)
{
    QList<VaroObjectRef> listed;
    walkElement(reader, [&](const QString& name) {
        if (!structureElements().contains(name))
            return;
        const VaroObjectRef object = readObject(reader, idMap);
        if (!object)
            return;
        if (const MemberRef member = qSharedPointerObjectCast<Member>(object)) {
            if (!member->nodeA() || !member->nodeB() || member->nodeA() == member->nodeB())
                reader.raiseError(QStringLiteral("A member needs two different nodes."));
        } else if (const LoadRef load = qSharedPointerObjectCast<Load>(object)) {
            if (!load->member())
                reader.raiseError(QStringLiteral("A load needs a member."));
        } else if (const GroupRef group = qSharedPointerObjectCast<GeometryGroup>(object)) {
            // A group the libraries lack (an older file) would otherwise be dropped.
            groups.append(group);
            return;
        }
        listed.append(object);
    });
    // Everything enters in one change, so the structure signals once.
    structure.appendObjects(listed);
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
    QMap<VaroObjectRef, int> counts;
    walkElement(reader, [&](const QString& name) {
        if (name != QLatin1String("ref"))
            return;
        const QStringRef countText = reader.attributes().value(QStringLiteral("count"));
        const int count = countText.isNull() ? 1 : ModelXml::integerFrom(reader, countText.toString(), 1);
        const VaroObjectRef object = idMap->value(ModelXml::elementText(reader).trimmed());
        if (!object || objects.contains(object))
            return;
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
        if (name == QLatin1String("report"))
            if (const ReportRef report = qSharedPointerObjectCast<Report>(readObject(reader, idMap)))
                list.append(report);
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
            bool ok = false;
            slot = ModelXml::elementText(reader).trimmed().toInt(&ok);
            if (!ok)
                slot = 0;
        } else if (name == QLatin1String("viewpoint")) {
            const ViewPointRef viewPoint(new ViewPoint);
            viewPoint->readXML(reader);
            memory.setValueAt(slot, viewPoint);
        }
    });
}

} // namespace DocumentXml
