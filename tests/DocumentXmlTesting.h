#pragma once

#include "XmlTesting.h"
#include "DocumentXml.h"
#include "GroupLibrary.h"
#include "Loading.h"
#include "ReportModel.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "ViewPointMemory.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

// The parts of one document that the XML readers fill, with a writer and a
// reader laid out like the "Document" element.
struct Parts
{
    StructureModel structure;
    SelectionModel selection;
    ReportModel reports;
    ViewPointMemory memory;
    GroupLibrary groups;
    QList<LoadingRef> loadings;
};

inline QString write(Parts& parts)
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(true);
    writer.writeStartElement(QStringLiteral("Document"));
    QSet<QString> written;
    for (const LoadingRef& loading : parts.loadings)
        loading->writeRecursiveXML(writer, &written);
    DocumentXml::writeViewPointMemory(writer, parts.memory);
    DocumentXml::writeStructure(writer, parts.structure, &written);
    DocumentXml::writeSelection(writer, parts.selection, written);
    DocumentXml::writeReports(writer, parts.reports, &written);
    writer.writeEndElement();
    return text;
}

inline bool read(const QString& text, Parts& parts)
{
    QXmlStreamReader reader(text);
    DocumentXml::IdMap idMap;
    reader.readNextStartElement();
    DocumentXml::walkElement(reader, [&](const QString& name) {
        if (name == QLatin1String("loadcase"))
            parts.loadings << qSharedPointerObjectCast<Loading>(DocumentXml::readObject(reader, &idMap));
        else if (name == QLatin1String("structure"))
            parts.groups.appendAll(DocumentXml::readStructure(reader, parts.structure, &idMap));
        else if (name == QLatin1String("selection"))
            DocumentXml::readSelection(reader, parts.selection, &idMap);
        else if (name == QLatin1String("reports"))
            DocumentXml::readReports(reader, parts.reports, &idMap);
        else if (name == QLatin1String("viewpointmemory"))
            DocumentXml::readViewPointMemory(reader, parts.memory);
    });
    return !reader.hasError();
}

