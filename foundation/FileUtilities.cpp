#include "FileUtilities.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
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

namespace {

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp stampOf(const struct stat& status)
{
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    FileStamp stamp;
    stamp.size = qint64(status.st_size);
    stamp.modified = nanoseconds(status.st_mtim);
    stamp.statusChanged = nanoseconds(status.st_ctim);
    stamp.device = quint64(status.st_dev);
    stamp.inode = quint64(status.st_ino);
    stamp.takenAt = nanoseconds(now);
    return stamp;
}

// Some disks keep times to two seconds.
constexpr qint64 coarsestTimeTick = qint64(2) * 1000000000;

} // namespace

FileStamp FileStamp::of(const QString& path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return FileStamp();
    return stampOf(status);
}

FileStamp FileStamp::of(int descriptor, const QByteArray& bytes)
{
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0)
        return FileStamp();
    FileStamp stamp = stampOf(status);
    stamp.checksum = checksumOf(bytes);
    return stamp;
}

QByteArray FileStamp::checksumOf(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

bool FileStamp::bytesDifferAt(const QString& path) const
{
    if (!isValid())
        return false;
    const FileStamp now = of(path);
    if (!now.isValid())
        return true;
    const bool sameStatus = now.size == size && now.modified == modified && now.statusChanged == statusChanged
                            && now.isSameFileAs(*this);
    if (sameStatus && statusChanged < takenAt - coarsestTimeTick)
        return false;
    return now.size != size || checksum.isEmpty() || checksumOfFile(path) != checksum;
}

QByteArray FileStamp::checksumOfFile(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result();
}

bool isSameFile(const QString& a, const QString& b)
{
    const FileStamp x = FileStamp::of(a), y = FileStamp::of(b);
    if (x.isValid() && y.isValid())
        return x.isSameFileAs(y);
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
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
int injectedFault = ENOSPC;
bool openRefused = false;
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

void AtomicWriteTesting::failNextWriteAfter(qint64 bytes, int error)
{
    injectedFaultAfter = bytes;
    injectedFault = error;
}

void AtomicWriteTesting::useUnnamedTemporaryFiles(bool use)
{
    unnamedTemporaryFiles = use;
}

void FileReadTesting::refuseNextOpen()
{
    openRefused = true;
}

bool FileReadTesting::refusesNow()
{
    const bool refused = openRefused;
    openRefused = false;
    return refused;
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
        if (descriptor < 0) {
            error = errno;
            name.clear();
        }
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
    // Why the file could not be made, as errno said.
    int creationError() const { return error; }
    // Empty while the file is unnamed.
    QString path() const { return QFile::decodeName(name); }

    // Puts the file in the target's place in one step: at every moment the
    // target holds either the old file or the new one. 0, or errno.
    int replace(const QByteArray& target)
    {
        if (name.isEmpty()) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(descriptor);
            for (int attempt = 0; attempt < 100 && name.isEmpty(); ++attempt) {
                name = freshName();
                if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) != 0) {
                    name.clear();
                    if (errno != EEXIST)
                        return errno;
                }
            }
            if (name.isEmpty())
                return EEXIST;
        }
        if (::rename(name.constData(), target.constData()) != 0)
            return errno;
        name.clear();
        return 0;
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
    int error = 0;
    QByteArray name;
};

// 0, or errno.
int writeWhole(int descriptor, const char* bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size_t(qMin<qint64>(size, 1 << 30)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        bytes += written;
        size -= written;
    }
    return 0;
}

// 0, or errno; bytes that came back changed are an error of the disk.
int readsBackAs(int descriptor, const QByteArray& data)
{
    if (AllocationTesting::failsNow(AllocationTesting::Stage::FileWrite))
        throw std::bad_alloc();
    QByteArray readBack(data.size(), Qt::Uninitialized);
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t got = ::pread(descriptor, readBack.data() + done, size_t(data.size() - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return EIO;
        done += got;
    }
    return readBack == data ? 0 : EIO;
}

// A writer that works by file name tells only that it failed. Whatever
// stopped it stops more bytes at the end of its file too: a full disk, the
// file-size limit. 0 when the file still grows, so the writer's reason was
// its own.
int whyTheFileStopped(int descriptor)
{
    struct stat written = {};
    if (::fstat(descriptor, &written) != 0)
        return errno;
    static const char zeros[1 << 16] = {};
    off_t at = written.st_size;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const ssize_t added = ::pwrite(descriptor, zeros, sizeof zeros, at);
        if (added < 0 && errno == EINTR)
            continue;
        if (added < 0)
            return errno;
        at += added;
    }
    return 0;
}

// The file that a write to `path` replaces, and what it was before.
struct Destination
{
    QByteArray name;
    QString directory, leafName;
    bool exists = false;
    struct stat existing = {};

    // 0, or why the target cannot be replaced: a chain of links that does
    // not end, anything but a regular file, a file its user may not write.
    int resolve(const QString& path)
    {
        // Through a symbolic link the file it names is replaced, and the link stays.
        const QString target = finalTarget(path);
        if (target.isEmpty())
            return ELOOP;
        name = QFile::encodeName(target);
        exists = ::stat(name.constData(), &existing) == 0;
        const QFileInfo info(target);
        directory = info.absolutePath();
        leafName = info.fileName();
        if (!exists)
            return 0;
        if (!S_ISREG(existing.st_mode))
            return S_ISDIR(existing.st_mode) ? EISDIR : FileError::notAFile;
        return isWriteProtected();
    }

    // The folder would let a new file take the place of a write-protected
    // one; as an editor does, the file's own permission decides. Root may
    // write anything, so for root, as for the owner, the owner's write
    // permission counts.
    int isWriteProtected() const
    {
        if (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0)
            return errno == EACCES ? FileError::writeProtected : errno;
        const uid_t user = ::geteuid();
        if ((user == 0 || user == existing.st_uid) && !(existing.st_mode & S_IWUSR))
            return FileError::writeProtected;
        return 0;
    }

    // A private file stays private while its successor is written; a new
    // one gets what the user's umask leaves of read and write for all.
    mode_t creationMode() const { return exists ? 0600 : 0666; }

    // The successor takes the replaced file's permissions and group. 0, or errno.
    int adoptExisting(int descriptor) const
    {
        if (!exists)
            return 0;
        mode_t mode = existing.st_mode & 07777;
        // The group could not be kept (it is not one of ours): then only the owner may read.
        if (::fchown(descriptor, uid_t(-1), existing.st_gid) != 0)
            mode &= 0700;
        return ::fchmod(descriptor, mode) == 0 ? 0 : errno;
    }
};

// Has `fill` write a new file beside the one `path` names and, when it
// succeeded, gives the new file the old one's permissions and group and puts
// it on the disk and in the old one's place. 0, or why not (an errno or a
// FileError); `fill` says why it failed in the same way. Given `after`, the
// new file's stamp once in place, over the bytes given.
template<typename Fill>
int replaceAtomically(const QString& path, bool mustBeNamed, const Fill& fill, FileStamp* after = nullptr,
                      const QByteArray& bytes = QByteArray())
{
    Destination destination;
    if (const int refused = destination.resolve(path))
        return refused;

    const SizeLimitSignalIgnored sizeLimitIsAnError;
    TemporaryFile temporary(destination.directory, destination.leafName, destination.creationMode(), mustBeNamed);
    const int descriptor = temporary.handle();
    if (descriptor < 0)
        return temporary.creationError();
    if (const int failed = fill(temporary))
        return failed;
    if (const int failed = destination.adoptExisting(descriptor))
        return failed;
    // The bytes must be on the disk before the rename makes them the file.
    if (::fsync(descriptor) != 0)
        return errno;
    if (const int failed = temporary.replace(destination.name))
        return failed;
    // The rename has changed the new file's status time: stamped after it.
    if (after)
        *after = FileStamp::of(descriptor, bytes);
    return 0;
}

bool succeeded(int error, const QString& path, QString* reason)
{
    if (reason)
        *reason = error ? describeFileError(error, path) : QString();
    return error == 0;
}

} // namespace

bool writeQByteArrayToFileAtomically(QByteArray data, QString path, QString* reason, FileStamp* written)
{
    int error = 0;
    // The temporary file goes with the exception, so the target is untouched.
    try {
        error = replaceAtomically(path, false, [&data](const TemporaryFile& temporary) {
            qint64 toWrite = data.size();
            int fault = 0;
            if (injectedFaultAfter >= 0) {
                toWrite = qMin(toWrite, injectedFaultAfter);
                fault = injectedFault;
                injectedFaultAfter = -1;
            }
            const int descriptor = temporary.handle();
            if (const int failed = writeWhole(descriptor, data.constData(), toWrite))
                return failed;
            if (toWrite < data.size())
                return fault;
            return readsBackAs(descriptor, data);
        }, written, data);
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    return succeeded(error, path, reason);
}

bool writeFileAtomically(QString path, const std::function<bool(const QString&)>& write, QString* reason)
{
    // The writer opens the file by its name: it must have one from the start.
    const int error = replaceAtomically(path, true, [&write](const TemporaryFile& temporary) {
        if (write(temporary.path()))
            return 0;
        const int stopped = whyTheFileStopped(temporary.handle());
        return stopped ? stopped : FileError::incomplete;
    });
    return succeeded(error, path, reason);
}

QString describeFileError(int error, const QString& path)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("FileUtilities", text); };
    QString cause;
    switch (error) {
    case 0:
        return QString();
    case ENOSPC:
    case EDQUOT:
        cause = tr("The disk is full");
        break;
    case EACCES:
    case EPERM:
        cause = tr("Permission denied");
        break;
    case ENOENT:
    case ENOTDIR:
        cause = tr("The folder does not exist");
        break;
    case EROFS:
        cause = tr("The disk is read-only");
        break;
    case EFBIG:
        cause = tr("The file is larger than the system allows");
        break;
    case ENOMEM:
        cause = tr("There is not enough memory");
        break;
    case EIO:
        cause = tr("The disk reported an error");
        break;
    case EISDIR:
        cause = tr("It is a folder");
        break;
    case FileError::notAFile:
        cause = tr("It is not a regular file");
        break;
    case FileError::writeProtected:
        cause = tr("The file is write-protected");
        break;
    case FileError::incomplete:
        cause = tr("The file was not written whole");
        break;
    case FileError::unreadable:
        cause = tr("The file is not readable");
        break;
    case FileError::missing:
        cause = tr("The file does not exist");
        break;
    default:
        cause = qt_error_string(error);
        break;
    }
    return tr("%1: %2").arg(cause, QDir::toNativeSeparators(path));
}

int whyNotOpened(const QString& path, const QFileDevice& file)
{
    if (!QFileInfo::exists(path))
        return FileError::missing;
    if (!isRegularFile(path))
        return FileError::notAFile;
    return file.error() == QFileDevice::PermissionsError ? EACCES : int(FileError::unreadable);
}

QString withReason(const QString& message, const QString& reason)
{
    return reason.isEmpty() ? message : message + QLatin1Char('\n') + reason;
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
