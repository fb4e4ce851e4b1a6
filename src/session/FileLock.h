// An exclusive lock on a file next to a journal, held while the journal's program lives; the
// kernel drops it when that program ends in any way, which is how a stale journal is told.
#pragma once

#include <QString>

namespace kurvimat::session {

class FileLock {
public:
    FileLock() = default;
    FileLock(FileLock&& other) noexcept : fd_(other.fd_), path_(other.path_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { release(); }

    /// Creates the file if needed and takes the lock without waiting; false if another
    /// process (or another FileLock of this one) holds it or the file cannot be made.
    bool tryLock(const QString& path);
    bool locked() const { return fd_ >= 0; }
    /// Releases the lock, and deletes the lock file when removeFile is set.
    void release(bool removeFile = false);

private:
    int fd_ = -1;
    QString path_;
};

/// Which file a name stands for: device and inode, zero when there is none. A journal deleted
/// or replaced under its name is told by it.
struct FileIdentity {
    quint64 device = 0, inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity fileIdentity(const QString& path);

} // namespace kurvimat::session
