#include "TransferReader.h"

#include <cstddef>
#include <cstdint>

// Any bytes: the reader must accept or refuse them without a fault.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > size_t(1) << 20)
        return 0;
    TransferImport result;
    TransferReader::read(QByteArray(reinterpret_cast<const char*>(data), int(size)), &result);
    return 0;
}
