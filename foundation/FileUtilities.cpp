#include "FileUtilities.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
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
bool unnamedTemporaryFiles = true;
AllocationTesting::Stage failingAllocation = AllocationTesting::Stage::None;

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

void AtomicWriteTesting::useUnnamedTemporaryFiles(bool use)
{
    unnamedTemporaryFiles = use;
}

void AllocationTesting::failNextAllocationIn(Stage stage)
{
    failingAllocation = stage;
}

bool AllocationTesting::failsNow(Stage stage)
{
    if (stage == Stage::None || failingAllocation != stage)
        return false;
    failingAllocation = Stage::None;
    return true;
}

namespace {

// The file a chain of symbolic links finally names, which need not exist
// yet; empty for a chain that does not end.
QString finalTarget(const QString& path)
{
    QFileInfo info(path);
    for (int links = 0; info.isSymLink(); ++links) {
        if (links == 40)
            return QString();
        info.setFile(info.symLinkTarget());
    }
    return info.absoluteFilePath();
}

// While it lives, exceeding the file-size limit makes write() fail with
// EFBIG instead of killing the program.
class SizeLimitSignalIgnored
{
public:
    SizeLimitSignalIgnored()
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGXFSZ, &ignore, &previous);
    }
    ~SizeLimitSignalIgnored() { ::sigaction(SIGXFSZ, &previous, nullptr); }
    Q_DISABLE_COPY(SizeLimitSignalIgnored)

private:
    struct sigaction previous = {};
};

// A new file beside the target that no other file can own: unnamed while it
// is written where the file system allows, so that a killed program leaves
// nothing behind, else created under a fresh name that must not exist yet.
// Closed, and removed unless it replaced the target, when it goes.
class TemporaryFile
{
public:
    TemporaryFile(const QString& directory, const QString& leafName, mode_t mode, bool mustBeNamed)
        : directory(QFile::encodeName(directory)), leafName(leafName)
    {
        if (unnamedTemporaryFiles && !mustBeNamed)
            descriptor = ::open(this->directory.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (descriptor >= 0)
            return;
        for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
            name = freshName();
            descriptor = ::open(name.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode);
            if (descriptor < 0 && errno != EEXIST)
                break;
        }
        if (descriptor < 0)
            name.clear();
    }
    ~TemporaryFile()
    {
        if (descriptor >= 0)
            ::close(descriptor);
        if (!name.isEmpty())
            ::unlink(name.constData());
    }
    Q_DISABLE_COPY(TemporaryFile)

    int handle() const { return descriptor; }
    // Empty while the file is unnamed.
    QString path() const { return QFile::decodeName(name); }

    // Puts the file in the target's place in one step: at every moment the
    // target holds either the old file or the new one.
    bool replace(const QByteArray& target)
    {
        if (name.isEmpty()) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(descriptor);
            for (int attempt = 0; attempt < 100 && name.isEmpty(); ++attempt) {
                name = freshName();
                if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) != 0) {
                    name.clear();
                    if (errno != EEXIST)
                        return false;
                }
            }
            if (name.isEmpty())
                return false;
        }
        if (::rename(name.constData(), target.constData()) != 0)
            return false;
        name.clear();
        return true;
    }

private:
    QByteArray freshName() const
    {
        const quint64 random = QRandomGenerator::system()->generate64();
        return directory + "/." + QFile::encodeName(leafName) + '.' + QByteArray::number(random, 36) + ".tmp";
    }

    const QByteArray directory;
    const QString leafName;
    int descriptor = -1;
    QByteArray name;
};

bool writeWhole(int descriptor, const char* bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size_t(qMin<qint64>(size, 1 << 30)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool readsBackAs(int descriptor, const QByteArray& data)
{
    if (AllocationTesting::failsNow(AllocationTesting::Stage::FileWrite))
        throw std::bad_alloc();
    QByteArray readBack(data.size(), Qt::Uninitialized);
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t got = ::pread(descriptor, readBack.data() + done, size_t(data.size() - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return readBack == data;
}

// The file that a write to `path` replaces, and what it was before.
struct Destination
{
    QByteArray name;
    QString directory, leafName;
    bool exists = false;
    struct stat existing = {};

    // False for a chain of links that does not end, and for anything but a regular file.
    bool resolve(const QString& path)
    {
        // Through a symbolic link the file it names is replaced, and the link stays.
        const QString target = finalTarget(path);
        if (target.isEmpty())
            return false;
        name = QFile::encodeName(target);
        exists = ::stat(name.constData(), &existing) == 0;
        const QFileInfo info(target);
        directory = info.absolutePath();
        leafName = info.fileName();
        return !exists || S_ISREG(existing.st_mode);
    }

    // A private file stays private while its successor is written; a new
    // one gets what the user's umask leaves of read and write for all.
    mode_t creationMode() const { return exists ? 0600 : 0666; }

    // The successor takes the replaced file's permissions and group.
    bool adoptExisting(int descriptor) const
    {
        if (!exists)
            return true;
        mode_t mode = existing.st_mode & 07777;
        // The group could not be kept (it is not one of ours): then only the owner may read.
        if (::fchown(descriptor, uid_t(-1), existing.st_gid) != 0)
            mode &= 0700;
        return ::fchmod(descriptor, mode) == 0;
    }
};

// Has `fill` write a new file beside the one `path` names and, when it
// succeeded, gives the new file the old one's permissions and group and puts
// it on the disk and in the old one's place.
template<typename Fill>
bool replaceAtomically(const QString& path, bool mustBeNamed, const Fill& fill)
{
    Destination destination;
    if (!destination.resolve(path))
        return false;

    const SizeLimitSignalIgnored sizeLimitIsAnError;
    TemporaryFile temporary(destination.directory, destination.leafName, destination.creationMode(), mustBeNamed);
    const int descriptor = temporary.handle();
    if (descriptor < 0 || !fill(temporary))
        return false;
    if (!destination.adoptExisting(descriptor))
        return false;
    // The bytes must be on the disk before the rename makes them the file.
    if (::fsync(descriptor) != 0)
        return false;
    return temporary.replace(destination.name);
}

} // namespace

bool writeQByteArrayToFileAtomically(QByteArray data, QString path)
{
    // The temporary file goes with the exception, so the target is untouched.
    try {
        return replaceAtomically(path, false, [&data](const TemporaryFile& temporary) {
            qint64 toWrite = data.size();
            if (injectedFaultAfter >= 0) {
                toWrite = qMin(toWrite, injectedFaultAfter);
                injectedFaultAfter = -1;
            }
            const int descriptor = temporary.handle();
            return writeWhole(descriptor, data.constData(), toWrite) && toWrite == data.size()
                   && readsBackAs(descriptor, data);
        });
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool writeFileAtomically(QString path, const std::function<bool(const QString&)>& write)
{
    // The writer opens the file by its name: it must have one from the start.
    return replaceAtomically(path, true, [&write](const TemporaryFile& temporary) { return write(temporary.path()); });
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
