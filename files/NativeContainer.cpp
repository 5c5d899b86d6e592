#include "NativeContainer.h"

#include "FileUtilities.h"
#include "ReadingBudget.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <new>

#include <zlib.h>

namespace NativeContainer {

namespace {

// Files of the modelling edition carry the first text; this edition writes the second.
const char* const checksumTexts[] = {"7f2c9e41d8a06b35c4e19f7a2d60b8c3", "3d8a5f10c6b27e94a1f0d3c85e62b4a9"};
constexpr int writtenChecksumText = 1;
constexpr quint32 nullArrayLength = 0xFFFFFFFFu;
// zlib cannot expand by more than about 1032:1, so a larger stated size is damage,
// and refusing it keeps a forged header from asking for gigabytes.
constexpr qint64 maximumExpansion = 1100;
// How much is inflated before the budget looks at it.
constexpr qint64 outputPiece = qint64(1) << 20;

// Inflates Qt's layout (a 32-bit stated size, then a zlib stream). The stated
// size is only a hint, as for qUncompress, but the output never grows past
// the longest model text, so a forged stream cannot ask for more than that. The text
// is held to the reading budget as it comes out, so a stream that would
// build more than a model may stops before the rest of it is built. Over the
// budget's cost, the rest is inflated into one piece again and again, and
// only counted, so that the user learns how large the model is.
Status inflateBounded(const QByteArray& compressed, QByteArray* text, QString* tooLarge)
{
    XmlTextBudget budget(true);
    const qint64 maximumTextSize = FileLimits::current().modelTextSize;
    const quint32 statedSize = qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(compressed.constData()));
    if (statedSize == 0 || statedSize > maximumTextSize || qint64(statedSize) > compressed.size() * maximumExpansion)
        return Status::Corrupt;

    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK)
        return Status::Corrupt;
    struct End
    {
        z_stream* stream;
        ~End() { inflateEnd(stream); }
    } end{&stream};

    // Room for the size stated, which only the pages written take from
    // memory; the budget sees the text a piece at a time as it comes out.
    QByteArray out;
    out.reserve(int(statedSize) + 1);
    QByteArray counted;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData() + 4));
    stream.avail_in = uInt(compressed.size() - 4);
    for (;;) {
        const uLong before = stream.total_out;
        if (qint64(before) > maximumTextSize)
            return Status::Corrupt;
        char* piece = nullptr;
        if (budget.isExceeded()) {
            if (counted.isEmpty()) {
                out = QByteArray();
                counted.resize(int(outputPiece));
            }
            piece = counted.data();
            stream.avail_out = uInt(qMin<qint64>(outputPiece, maximumTextSize + 1 - qint64(before)));
        } else {
            out.resize(int(qMin<qint64>(qint64(before) + outputPiece, maximumTextSize + 1)));
            piece = out.data() + before;
            stream.avail_out = uInt(out.size() - qint64(before));
        }
        stream.next_out = reinterpret_cast<Bytef*>(piece);
        const int result = inflate(&stream, Z_NO_FLUSH);
        // Past the cost the budget counts on; past any other limit it stops.
        budget.take(piece, qint64(stream.total_out - before));
        if (budget.isExceeded() && budget.exceededLimit() != XmlTextBudget::Limit::Cost)
            break;
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK && result != Z_BUF_ERROR)
            return Status::Corrupt;
        if (stream.avail_out > 0)
            return Status::Corrupt; // the input ended inside the stream
    }
    if (budget.isExceeded()) {
        if (!budget.isTooLarge())
            return Status::Corrupt;
        if (tooLarge)
            *tooLarge = ReadingBudget::tooLargeToOpen(budget.describeExcess());
        return Status::TooLarge;
    }
    if (stream.total_out == 0 || qint64(stream.total_out) > maximumTextSize)
        return Status::Corrupt;
    out.truncate(int(stream.total_out));
    *text = out;
    return Status::Ok;
}

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

namespace {
Status unpackBytes(const QByteArray& fileBytes, QByteArray* xmlText, QString* tooLarge);
} // namespace

QString messageFor(Status status)
{
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::CannotLoad:
    case Status::OutOfMemory:
        return QStringLiteral("The file cannot be loaded.");
    case Status::TooLarge:
        return QStringLiteral("The model is too large to open.");
    case Status::Corrupt:
        break;
    }
    return QStringLiteral("The file appears to be either corrupt or not compatible with this version. "
                          "It cannot be loaded.");
}

QByteArray pack(const QByteArray& xmlText)
{
    QByteArray compressed = qCompress(xmlText, 9);
    // qCompress tells of a lack of memory only by an empty result, around
    // which the container would be a file that never opens.
    if (AllocationTesting::failsNow(AllocationTesting::Stage::Compression))
        compressed.clear();
    if (compressed.isEmpty())
        throw std::bad_alloc();
    return packCompressed(compressed);
}

QByteArray packCompressed(const QByteArray& compressed)
{
    QByteArray out;
    out.reserve(compressed.size() + 40);
    out.append(2, '\0');
    appendLengthAndBytes(out, scramble(compressed, true));
    appendLengthAndBytes(out, checksumWith(compressed, writtenChecksumText));
    return out;
}

Status unpack(const QByteArray& fileBytes, QByteArray* xmlText, QString* tooLarge)
{
    try {
        if (AllocationTesting::failsNow(AllocationTesting::Stage::FileRead))
            throw std::bad_alloc();
        return unpackBytes(fileBytes, xmlText, tooLarge);
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
}

namespace {

Status unpackBytes(const QByteArray& fileBytes, QByteArray* xmlText, QString* tooLarge)
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

    QByteArray text;
    const Status status = inflateBounded(compressed, &text, tooLarge);
    if (status == Status::Ok)
        *xmlText = text;
    return status;
}

} // namespace

Status readFile(const QString& path, QByteArray* xmlText, QString* reason, FileStamp* read)
{
    const auto refuse = [&](Status status, int error) {
        if (reason)
            *reason = describeFileError(error, path);
        return status;
    };
    QFile file(path);
    if (isRegularFile(path) && FileReadTesting::refusesNow())
        return refuse(Status::CannotLoad, EACCES);
    // A pipe or device named like a model would hang the reading or never end.
    if (!isRegularFile(path) || !file.open(QIODevice::ReadOnly))
        return refuse(Status::CannotLoad, whyNotOpened(path, file));
    const qint64 size = file.size();
    if (size > FileLimits::current().modelTextSize)
        return Status::Corrupt;
    QByteArray bytes;
    try {
        bytes = file.readAll();
    } catch (const std::bad_alloc&) {
        return refuse(Status::OutOfMemory, ENOMEM);
    }
    const bool readFailed = file.error() != QFileDevice::NoError;
    if (read && !readFailed)
        *read = FileStamp::of(file.handle(), bytes);
    file.close();
    if (readFailed || bytes.size() != size)
        return refuse(Status::CannotLoad, FileError::unreadable);
    const Status status = unpack(bytes, xmlText, reason);
    return status == Status::OutOfMemory ? refuse(status, ENOMEM) : status;
}

QString whyUnreadable(const QByteArray& xmlText)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("NativeContainer", text); };
    const qint64 maximumTextSize = FileLimits::current().modelTextSize;
    if (xmlText.size() > maximumTextSize)
        return tr("The model is too large to save: its text of %L1 MB is over the %L2 MB that a model file may hold.")
            .arg((qint64(xmlText.size()) + (1 << 20) - 1) >> 20)
            .arg(inMegabytes(maximumTextSize));
    XmlTextBudget budget(true);
    if (!budget.take(xmlText))
        return tr("The model is too large to save: %1.").arg(budget.describeExcess());
    return QString();
}

bool writeFile(const QString& path, const QByteArray& xmlText, QString* reason, FileStamp* written)
{
    // What the reader would refuse is not saved: the file on disk stays a model that opens.
    const QString unreadable = whyUnreadable(xmlText);
    if (!unreadable.isEmpty()) {
        if (reason)
            *reason = unreadable;
        return false;
    }
    return writeQByteArrayToFileAtomically(pack(xmlText), path, reason, written);
}

} // namespace NativeContainer
