// Feeds arbitrary bytes to the native container reader and, once the bytes
// are taken as a container's text, to the XML document reader. The first
// byte picks the road so that the fuzzer can reach the XML reader without
// forging a checksum.
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "Libraries.h"
#include "GroupLibrary.h"
#include "NativeContainer.h"
#include "ReportModel.h"
#include "SelectionModel.h"
#include "StructureModel.h"
#include "UnitSystem.h"
#include "ViewPoint.h"
#include "ViewPointMemory.h"

#include <QXmlStreamReader>

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

// The readers of a document's parts, each on fresh parts.
void readParts(const QByteArray& text)
{
    StructureModel structure;
    SelectionModel selection;
    ReportModel reports;
    ViewPointMemory memory;
    GroupLibrary groups;
    DocumentXml::IdMap idMap;
    QXmlStreamReader reader(text);
    if (!reader.readNextStartElement())
        return;
    DocumentXml::walkElement(reader, [&](const QString& name) {
        if (name == QLatin1String("structure"))
            groups.appendAll(DocumentXml::readStructure(reader, structure, &idMap));
        else if (name == QLatin1String("selection"))
            DocumentXml::readSelection(reader, selection, &idMap);
        else if (name == QLatin1String("reports"))
            DocumentXml::readReports(reader, reports, &idMap);
        else if (name == QLatin1String("viewpointmemory"))
            DocumentXml::readViewPointMemory(reader, memory);
    });
}

// The whole text as a window opens it: document, view point, current state.
void readContent(const QByteArray& text)
{
    static const QSharedPointer<UnitSystem> units(new UnitSystem);
    // Shared, as reading never changes it; building it would be most of each run.
    static const QSharedPointer<SectionLibrary> sections = Libraries().sectionLibrary();
    DocumentModel document(units, sections);
    ViewPoint viewPoint;
    CurrentState currentState;
    if (DocumentXml::readContent(text, &document, &viewPoint, &currentState))
        DocumentXml::writeContent(&document, &viewPoint, &currentState);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));
    QByteArray text;
    switch (data[0] % 4) {
    case 0:
        NativeContainer::unpack(bytes, &text);
        break;
    case 1:
        // What the writer packs must come back unchanged (no input here is
        // long enough to pass the reading budget).
        if (!bytes.isEmpty()
            && (NativeContainer::unpack(NativeContainer::pack(bytes), &text) != NativeContainer::Status::Ok
                || text != bytes))
            std::abort();
        break;
    case 2:
        readParts(bytes);
        break;
    case 3:
        readContent(bytes);
        break;
    }
    return 0;
}
