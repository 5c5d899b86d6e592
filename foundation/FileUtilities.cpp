#include "FileUtilities.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

const QStringList _nativeFileSuffixes = {QStringLiteral("varou"), QStringLiteral("varok")};
const QString _nativeFileSuffix = QStringLiteral("varou");
const QStringList _importFileFilters = {QStringLiteral("VARO Ulmar (*varou)"), QStringLiteral("VARO-K (*.varok)"),
                                        QStringLiteral("Transfer (*.varox)"), QStringLiteral("All files (*.*)")};
const QStringList _exportFileFilters = {QStringLiteral("VARO Ulmar (*varou)")};
const QStringList _exportFileSuffixes = {QStringLiteral("varou")};

bool isRegularFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

QByteArray computeChecksum(const QByteArray& data)
{
    const QByteArray md5 = QCryptographicHash::hash(data, QCryptographicHash::Md5);
    QCryptographicHash sha1(QCryptographicHash::Sha1);
    sha1.addData(data);
    sha1.addData(md5);
    return sha1.result();
}

namespace {

constexpr char flagPlain = 0;
constexpr char flagScrambled = 1;

// XOR with a keystream from a fixed-seed linear congruential generator, so the
// same function scrambles and restores.
QByteArray applyKeystream(const char* bytes, int size)
{
    QByteArray out(size, Qt::Uninitialized);
    quint32 state = 0x2545F491u;
    for (int i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        out[i] = char(bytes[i] ^ char(state >> 24));
    }
    return out;
}

qint64 injectedFaultAfter = -1;

} // namespace

QByteArray scramble(const QByteArray& data, bool on)
{
    QByteArray out;
    out.reserve(data.size() + 1);
    out.append(on ? flagScrambled : flagPlain);
    out.append(on ? applyKeystream(data.constData(), data.size()) : data);
    return out;
}

QByteArray unscramble(const QByteArray& data, bool* ok)
{
    if (ok)
        *ok = false;
    if (data.isEmpty())
        return QByteArray();
    const char flag = data.at(0);
    if (flag != flagPlain && flag != flagScrambled)
        return QByteArray();
    if (ok)
        *ok = true;
    if (flag == flagPlain)
        return data.mid(1);
    return applyKeystream(data.constData() + 1, data.size() - 1);
}

void AtomicWriteTesting::failNextWriteAfter(qint64 bytes)
{
    injectedFaultAfter = bytes;
}

bool writeQByteArrayToFileAtomically(QByteArray data, QString path)
{
    const QString temporaryPath = path + QStringLiteral(".tmp");
    QFile temporary(temporaryPath);
    auto fail = [&temporary]() {
        temporary.close();
        temporary.remove();
        return false;
    };

    if (!temporary.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;

    qint64 toWrite = data.size();
    if (injectedFaultAfter >= 0) {
        toWrite = qMin(toWrite, injectedFaultAfter);
        injectedFaultAfter = -1;
    }
    const qint64 written = temporary.write(data.constData(), toWrite);
    if (!temporary.flush() || temporary.error() != QFileDevice::NoError || written != data.size())
        return fail();
    // The bytes must be on the disk before the rename makes them the file.
    if (::fsync(temporary.handle()) != 0)
        return fail();
    temporary.close();
    if (temporary.error() != QFileDevice::NoError)
        return fail();

    if (!temporary.open(QIODevice::ReadOnly))
        return fail();
    const QByteArray readBack = temporary.readAll();
    temporary.close();
    if (readBack != data)
        return fail();

    // rename() replaces the target in one step: at every moment the path
    // holds either the old file or the new one.
    if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(path).constData()) != 0)
        return fail();
    return true;
}

iFile::iFile(const QString& path, const QString& mode)
{
    // The file system's own encoding, so that any path the user can pick opens.
    stream = std::fopen(QFile::encodeName(path).constData(), mode.toLatin1().constData());
}

iFile::~iFile()
{
    if (stream)
        std::fclose(stream);
}
