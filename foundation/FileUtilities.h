#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <functional>

// File-name suffixes and dialog filters of the native and transfer formats.
extern const QStringList _nativeFileSuffixes;
extern const QString _nativeFileSuffix;
extern const QStringList _importFileFilters;
extern const QStringList _exportFileFilters;
extern const QStringList _exportFileSuffixes;

// True for a regular file or a link to one; pipes, devices and folders are
// never read as models.
bool isRegularFile(const QString& path);

// What a file was when the program last read or wrote it. Another
// program's rewrite may keep the size and set the modification time back,
// and a touch or a new hard link changes times without changing a byte, so
// the status tells only that the file may have changed; the checksum of the
// bytes then decides.
struct FileStamp
{
    qint64 size = -1;
    // Nanoseconds since the epoch.
    qint64 modified = 0;
    qint64 statusChanged = 0;
    quint64 device = 0;
    quint64 inode = 0;
    // Of the bytes read or written; empty when they were not seen.
    QByteArray checksum;
    // When the status was taken: a change in the same tick of a coarse
    // clock leaves the times as they were.
    qint64 takenAt = 0;

    // From stat() on the path, links followed, without a checksum; invalid
    // when no file is at the path.
    static FileStamp of(const QString& path);
    // From fstat() on an open file, with the checksum of the bytes given.
    static FileStamp of(int descriptor, const QByteArray& bytes);
    static QByteArray checksumOf(const QByteArray& bytes);
    // Read a piece at a time; empty when the file cannot be read.
    static QByteArray checksumOfFile(const QString& path);
    bool isValid() const { return size >= 0; }
    bool isSameFileAs(const FileStamp& other) const
    {
        return isValid() && other.isValid() && device == other.device && inode == other.inode;
    }
    // Whether the bytes at the path differ from those stamped: read again
    // only when the status differs, or may not show a change. False for an
    // invalid stamp, which knows no bytes; true when the file has gone.
    bool bytesDifferAt(const QString& path) const;
};

// One file by any two names, links and "..", or letter case on a disk that
// ignores it: the same device and inode. For a path not there, the same
// absolute path.
bool isSameFile(const QString& a, const QString& b);

// 20 bytes: SHA-1 over the data followed by the data's raw 16-byte MD5.
QByteArray computeChecksum(const QByteArray& data);

// One leading flag byte (0 plain, 1 scrambled), then the body, scrambled when
// `on` is true. This keeps casual readers and editors out of model files; it
// is not meant as protection against anyone determined.
QByteArray scramble(const QByteArray& data, bool on);

// The body of a block made by scramble(). A block without a flag byte, or with
// an unknown flag, gives an empty array and sets *ok to false.
QByteArray unscramble(const QByteArray& data, bool* ok = nullptr);

// Why a file could not be read or written beyond what errno says.
namespace FileError {
enum : int {
    notAFile = -1,
    // Its user may not write it, although its folder would take a new file in its place.
    writeProtected = -2,
    // A writer failed without a reason the system gave.
    incomplete = -3,
    unreadable = -4,
    missing = -5,
};
}

// The cause (an errno or a FileError) in words for the user, followed by the
// path: "The disk is full: /home/ann/frame.varou". Empty for 0.
QString describeFileError(int error, const QString& path);

// Why `file`, opened for reading by `path`, did not open: missing, not a
// regular file, permission denied or otherwise unreadable.
int whyNotOpened(const QString& path, const QFileDevice& file);

// A file command's fixed sentence, then on a line of its own the cause
// (describeFileError) when there is one.
QString withReason(const QString& message, const QString& reason);

// Writes the bytes to a new file beside the target that no other file can
// own, checks them by reading them back, and only then puts that file in the
// target's place in one step, so an existing file is never lost to a failed
// write. A symbolic link is written through to the file it names; an
// existing target's permissions and group carry over, and a target its user
// may not write is refused. False on any failure, a full disk, the
// file-size limit and a lack of memory included, with nothing left behind
// and, given `reason`, the cause and path there (describeFileError).
// Given `written`, the stamp of the new file in the target's place.
bool writeQByteArrayToFileAtomically(QByteArray data, QString path, QString* reason = nullptr,
                                     FileStamp* written = nullptr);

// The same for a writer that needs a file name, a printer say: `write` fills
// the new file at the path it is given and says whether all went well. A new
// target gets the permissions the user's umask leaves; false, with the
// target untouched, when the writer fails.
bool writeFileAtomically(QString path, const std::function<bool(const QString& partialPath)>& write,
                         QString* reason = nullptr);

namespace AtomicWriteTesting {
// Makes the next atomic write stop after this many bytes with the error
// given, by default as a full disk would. A negative count switches the
// fault off.
void failNextWriteAfter(qint64 bytes, int error = ENOSPC);
// Off, the writer takes the named temporary file that file systems without
// unnamed ones get.
void useUnnamedTemporaryFiles(bool use);
}

// Root reads every file whatever its permissions, so a test run as root has
// the next model file that is opened refused as one without read permission.
namespace FileReadTesting {
void refuseNextOpen();
// True once, and disarms, after refuseNextOpen().
bool refusesNow();
}

// Running out of memory cannot be made to happen on demand, so a test arms
// one stage of a save or an open and the allocation that stage makes most
// of fails there once, as it would when memory is exhausted.
namespace AllocationTesting {
enum class Stage { None, DocumentText, Compression, FileWrite, FileRead, DocumentRead };
void failNextAllocationIn(Stage stage);
// True once, and disarms, when a test armed this stage.
bool failsNow(Stage stage);
}

// One C standard-I/O stream, closed when the wrapper goes.
class iFile
{
public:
    iFile(const QString& path, const QString& mode);
    ~iFile();
    iFile(const iFile&) = delete;
    iFile& operator=(const iFile&) = delete;

    bool isOpen() const { return stream != nullptr; }
    FILE* file() const { return stream; }

private:
    FILE* stream = nullptr;
};
