// The session's files on POSIX systems (Linux, the BSDs, macOS).
#include "FilePlatform.h"

#include <sys/stat.h>

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kurvimat::session {

namespace {

bool syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        path_ = other.path_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileLock::tryLock(const QString& path, bool* heldElsewhere) {
    release();
    if (heldElsewhere) *heldElsewhere = false;
    // flock locks belong to the open file description, so a second FileLock in this process
    // is refused like another program; CLOEXEC keeps child programs from inheriting it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (heldElsewhere) *heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void FileLock::release(bool removeFile) {
    if (fd_ < 0) return;
    // Deleted while still held, so that no other program locks a file about to vanish.
    if (removeFile) ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
}

FileIdentity fileIdentity(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

bool syncFile(const QString& path) { return syncPath(path, O_RDONLY); }

// A new or renamed file's name is only safe once its folder is on the disk too.
bool syncFolder(const QString& folder) { return syncPath(folder, O_RDONLY | O_DIRECTORY); }

// rename() replaces an existing target atomically.
bool replaceFile(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace kurvimat::session
