// Feeds bytes to the XML document reader as a window opens a model, past the
// container's checksum. A text that reads must be written and read again.
// Every document shares one section library, which reading never changes:
// building it would be most of each run.
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "Libraries.h"
#include "UnitSystem.h"
#include "ViewPoint.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

bool readInto(const QByteArray& text, QByteArray* written)
{
    static const QSharedPointer<UnitSystem> units(new UnitSystem);
    static const QSharedPointer<SectionLibrary> sections = Libraries().sectionLibrary();
    DocumentModel document(units, sections);
    ViewPoint viewPoint;
    CurrentState currentState;
    if (!DocumentXml::readContent(text, &document, &viewPoint, &currentState))
        return false;
    *written = DocumentXml::writeContent(&document, &viewPoint, &currentState);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray written;
    if (!readInto(QByteArray(reinterpret_cast<const char*>(data), int(size)), &written))
        return 0;
    QByteArray again;
    if (!readInto(written, &again))
        std::abort();
    return 0;
}
