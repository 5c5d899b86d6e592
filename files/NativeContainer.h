#pragma once

#include "FileUtilities.h"

#include <QByteArray>
#include <QString>

// The native model file: a 16-bit reserved value, then the scrambled,
// compressed XML text and a checksum over the compressed bytes, each as a
// 32-bit big-endian length followed by its bytes.
namespace NativeContainer {

constexpr qint64 maximumTextSize = maximumModelTextSize;

enum class Status {
    Ok,
    // The file could not be read, or it is plain XML rather than a container.
    CannotLoad,
    // Lengths, checksum or compressed bytes are damaged.
    Corrupt,
};

// The message a user sees for a refused file; empty for Ok.
QString messageFor(Status status);

// Throws std::bad_alloc when memory runs out, also where zlib's does.
QByteArray pack(const QByteArray& xmlText);
// The container around bytes already compressed in qCompress's layout.
QByteArray packCompressed(const QByteArray& compressed);
// Fills *xmlText only for Ok.
Status unpack(const QByteArray& fileBytes, QByteArray* xmlText);

// Files are opened through QFile, so any path Qt can name works, resources
// included; only regular files are read.
Status readFile(const QString& path, QByteArray* xmlText);
// Goes through the atomic writer: on failure an existing file stays as it
// was. Running out of memory while packing throws std::bad_alloc.
bool writeFile(const QString& path, const QByteArray& xmlText);

} // namespace NativeContainer
