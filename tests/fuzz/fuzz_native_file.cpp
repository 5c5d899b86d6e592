// Feeds arbitrary bytes to the native container reader and, once the bytes
// are taken as a container's text, to the XML document reader. The first
// byte picks the road so that the fuzzer can reach the XML reader without
// forging a checksum.
#include "NativeContainer.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));
    QByteArray text;
    switch (data[0] % 2) {
    case 0:
        NativeContainer::unpack(bytes, &text);
        break;
    case 1:
        // What the writer packs must come back unchanged.
        if (!bytes.isEmpty()
            && (NativeContainer::unpack(NativeContainer::pack(bytes), &text) != NativeContainer::Status::Ok
                || text != bytes))
            std::abort();
        break;
    }
    return 0;
}
