#pragma once

#include "FileUtilities.h"

#include <QByteArray>
#include <QString>

// The native model file: a 16-bit reserved value, then the scrambled,
// compressed XML text and a checksum over the compressed bytes, each as a
// 32-bit big-endian length followed by its bytes.
namespace NativeContainer {

enum class Status {
    Ok,
    // The file could not be read, or it is plain XML rather than a container.
    CannotLoad,
    // Lengths, checksum or compressed bytes are damaged.
    Corrupt,
    // Memory ran out while the file was read and unpacked.
    OutOfMemory,
    // A sound model, but larger than this version reads.
    TooLarge,
};

// The message a user sees for a refused file; empty for Ok.
QString messageFor(Status status);

// Throws std::bad_alloc when memory runs out, also where zlib's does.
QByteArray pack(const QByteArray& xmlText);
// The container around bytes already compressed in qCompress's layout.
QByteArray packCompressed(const QByteArray& compressed);
// Fills *xmlText only for Ok. For TooLarge, *tooLarge says what is too large.
Status unpack(const QByteArray& fileBytes, QByteArray* xmlText, QString* tooLarge = nullptr);

// Files are opened through QFile, so any path Qt can name works, resources
// included; only regular files are read. For CannotLoad and OutOfMemory,
// *reason says why, with the path; for TooLarge, what is too large. Given
// `read`, the stamp of the file whose bytes were read.
Status readFile(const QString& path, QByteArray* xmlText, QString* reason = nullptr, FileStamp* read = nullptr);

// Why a text cannot be read back: longer than a model text may be, or over
// the reading budget. Empty for a text that reads.
QString whyUnreadable(const QByteArray& xmlText);
// Goes through the atomic writer: on failure an existing file stays as it
// was. A text that could not be read back is not written. *reason says why a
// write failed, and `written` stamps the file written. Running out of
// memory while packing throws std::bad_alloc.
bool writeFile(const QString& path, const QByteArray& xmlText, QString* reason = nullptr,
               FileStamp* written = nullptr);

} // namespace NativeContainer
