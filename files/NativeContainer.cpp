#include "NativeContainer.h"

#include "FileUtilities.h"

#include <QFile>
#include <QtEndian>

namespace NativeContainer {

namespace {

// Files of the modelling edition carry the first text; this edition writes the second.
const char* const checksumTexts[] = {"7f2c9e41d8a06b35c4e19f7a2d60b8c3", "3d8a5f10c6b27e94a1f0d3c85e62b4a9"};
constexpr int writtenChecksumText = 1;
constexpr quint32 nullArrayLength = 0xFFFFFFFFu;
// zlib cannot expand by more than about 1032:1, so a larger stated size is damage,
// and refusing it keeps a forged header from asking for gigabytes.
constexpr qint64 maximumExpansion = 1100;

QByteArray checksumWith(const QByteArray& compressed, int text)
{
    return computeChecksum(compressed + QByteArray(checksumTexts[text]));
}

void appendLengthAndBytes(QByteArray& out, const QByteArray& bytes)
{
    uchar length[4];
    qToBigEndian<quint32>(quint32(bytes.size()), length);
    out.append(reinterpret_cast<const char*>(length), 4);
    out.append(bytes);
}

// Reads one length-prefixed array at *offset; false when the stated length
// runs past the bytes that remain.
bool takeLengthAndBytes(const QByteArray& in, int* offset, QByteArray* bytes)
{
    if (in.size() - *offset < 4)
        return false;
    const quint32 length = qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(in.constData() + *offset));
    *offset += 4;
    if (length == nullArrayLength || length > quint32(in.size() - *offset))
        return false;
    *bytes = in.mid(*offset, int(length));
    *offset += int(length);
    return true;
}

} // namespace

QString messageFor(Status status)
{
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::CannotLoad:
        return QStringLiteral("The file cannot be loaded.");
    case Status::Corrupt:
        break;
    }
    return QStringLiteral("The file appears to be either corrupt or not compatible with this version. "
                          "It cannot be loaded.");
}

QByteArray pack(const QByteArray& xmlText)
{
    const QByteArray compressed = qCompress(xmlText, 9);
    QByteArray out;
    out.reserve(compressed.size() + 40);
    out.append(2, '\0');
    appendLengthAndBytes(out, scramble(compressed, true));
    appendLengthAndBytes(out, checksumWith(compressed, writtenChecksumText));
    return out;
}

Status unpack(const QByteArray& fileBytes, QByteArray* xmlText)
{
    if (fileBytes.isEmpty())
        return Status::Corrupt;
    if (fileBytes.at(0) == '<')
        return Status::CannotLoad;

    int offset = 2;
    QByteArray body;
    QByteArray storedChecksum;
    if (fileBytes.size() < offset || !takeLengthAndBytes(fileBytes, &offset, &body)
        || !takeLengthAndBytes(fileBytes, &offset, &storedChecksum))
        return Status::Corrupt;

    bool unscrambled = false;
    const QByteArray compressed = unscramble(body, &unscrambled);
    // qCompress always leaves a 4-byte size and a zlib stream, so anything
    // shorter cannot hold a model.
    if (!unscrambled || compressed.size() <= 4)
        return Status::Corrupt;
    if (storedChecksum != checksumWith(compressed, 0) && storedChecksum != checksumWith(compressed, 1))
        return Status::Corrupt;

    const quint32 statedSize = qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(compressed.constData()));
    if (statedSize == 0 || qint64(statedSize) > qint64(compressed.size()) * maximumExpansion)
        return Status::Corrupt;
    const QByteArray text = qUncompress(compressed);
    if (text.isEmpty())
        return Status::Corrupt;
    *xmlText = text;
    return Status::Ok;
}

Status readFile(const QString& path, QByteArray* xmlText)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::CannotLoad;
    const qint64 size = file.size();
    const QByteArray bytes = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed || bytes.size() != size)
        return Status::CannotLoad;
    return unpack(bytes, xmlText);
}

bool writeFile(const QString& path, const QByteArray& xmlText)
{
    return writeQByteArrayToFileAtomically(pack(xmlText), path);
}

} // namespace NativeContainer
