// Takes the bytes as the compressed document and builds a container with a
// valid checksum around them, so that mutation reaches the decompression and
// the XML reader behind it.
#include "CurrentState.h"
#include "DocumentModel.h"
#include "DocumentXml.h"
#include "Libraries.h"
#include "NativeContainer.h"
#include "UnitSystem.h"
#include "ViewPoint.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QSharedPointer<UnitSystem> units(new UnitSystem);
    // Shared, as reading never changes it; building it would be most of each run.
    static const QSharedPointer<SectionLibrary> sections = Libraries().sectionLibrary();
    const QByteArray compressed(reinterpret_cast<const char*>(data), int(size));
    QByteArray text;
    if (NativeContainer::unpack(NativeContainer::packCompressed(compressed), &text) != NativeContainer::Status::Ok)
        return 0;
    DocumentModel document(units, sections);
    ViewPoint viewPoint;
    CurrentState currentState;
    DocumentXml::readContent(text, &document, &viewPoint, &currentState);
    return 0;
}
