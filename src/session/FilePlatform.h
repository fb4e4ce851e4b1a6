// What the session asks of the operating system's files, and all it asks: the lock of a
// journal, a file's identity, writing through to the disk, replacing a file in one step and
// reading a file a user named without being held up by it.
// Everything else of the session is Qt and C++. One file implements it per system
// (FilePlatformPosix.cpp; a port adds its own, chosen in CMakeLists.txt).
#pragma once

#include <QByteArray>
#include <QString>

namespace kurvimat::session {

// An exclusive lock on a file next to a journal, held while the journal's program lives; the
// system drops it when that program ends in any way, which is how a stale journal is told.
class FileLock {
public:
    FileLock() = default;
    FileLock(FileLock&& other) noexcept : fd_(other.fd_), path_(other.path_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { release(); }

    /// Creates the file if needed and takes the lock without waiting; false if another
    /// process (or another FileLock of this one) holds it or the file cannot be made, which
    /// heldElsewhere (if given) tells apart.
    bool tryLock(const QString& path, bool* heldElsewhere = nullptr);
    bool locked() const { return fd_ >= 0; }
    /// Releases the lock, and deletes the lock file when removeFile is set.
    void release(bool removeFile = false);

private:
    int fd_ = -1; // the system's descriptor of the open lock file
    QString path_;
};

/// Which file a name stands for: device and inode, zero when there is none. A journal deleted
/// or replaced under its name is told by it.
struct FileIdentity {
    quint64 device = 0, inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity fileIdentity(const QString& path);

/// Writes a file's contents, or a folder's names, through to the disk; false when it could not.
bool syncFile(const QString& path);
bool syncFolder(const QString& folder);

/// Puts `from` in the place of `to` in one step, so that a reader finds the old file or the
/// new one, never a mixture; false (nothing changed) when it could not.
bool replaceFile(const QString& from, const QString& to);

/// What reading a named file found. Only a regular file is read: a FIFO, a device or a
/// socket could block the program or never end, a folder is no file.
enum class FileReadStatus { Read, Missing, NoAccess, Folder, NotRegular, TooLarge, Failed };

struct FileRead {
    FileReadStatus status = FileReadStatus::Failed;
    // What was read of the file, never more than the bound asked for.
    QByteArray bytes;
    bool ok() const { return status == FileReadStatus::Read; }
};

/// The most a text the program reads may hold (a measurement text, the signal list): 10000
/// points of three columns are well under a megabyte.
inline constexpr qint64 MaxTextFileBytes = 16 * 1024 * 1024;

/// Reads the regular file `path`, at most `maxBytes` of it, without waiting on anything but
/// the disk; a file longer than that is TooLarge, however little its size claims (a /proc
/// file says 0).
FileRead readFileBounded(const QString& path, qint64 maxBytes);

/// Why a read was refused, as a German sentence for the user (the file named by the caller).
QString fileReadReason(FileReadStatus status);

} // namespace kurvimat::session
