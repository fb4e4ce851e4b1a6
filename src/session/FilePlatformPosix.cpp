// The session's files on POSIX systems (Linux, the BSDs, macOS).
#include "FilePlatform.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
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

FileRead readFileBounded(const QString& path, qint64 maxBytes) {
    FileRead result;
    // O_NONBLOCK: opening a FIFO with no writer returns at once instead of waiting for one.
    // What the descriptor is, is asked of the descriptor, so nothing can be swapped in between.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == ENOENT || errno == ENOTDIR ? FileReadStatus::Missing
                        : errno == EACCES || errno == EPERM ? FileReadStatus::NoAccess
                        : errno == ENXIO                    ? FileReadStatus::NotRegular
                                                            : FileReadStatus::Failed;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = S_ISDIR(st.st_mode) ? FileReadStatus::Folder : FileReadStatus::NotRegular;
        return result;
    }
    maxBytes = std::max<qint64>(maxBytes, 0);
    if (st.st_size > maxBytes) {
        ::close(fd);
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    // The size a file claims is only a hint (a /proc file says 0, a growing one more each
    // time): one byte beyond the bound tells a file that is too long.
    result.bytes.resize(std::min<qint64>(std::max<qint64>(st.st_size, 4096), maxBytes + 1));
    qint64 done = 0;
    for (;;) {
        if (done == result.bytes.size()) {
            if (done > maxBytes) break;
            result.bytes.resize(std::min<qint64>(done * 2, maxBytes + 1));
        }
        const ssize_t n =
            ::read(fd, result.bytes.data() + done, size_t(result.bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return {FileReadStatus::Failed, {}};
        }
        if (n == 0) break;
        done += n;
    }
    ::close(fd);
    if (done > maxBytes) {
        result.bytes.truncate(maxBytes);
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    result.bytes.truncate(done);
    result.status = FileReadStatus::Read;
    return result;
}

QString fileReadReason(FileReadStatus status) {
    switch (status) {
    case FileReadStatus::Read:
        return {};
    case FileReadStatus::Missing:
        return QCoreApplication::translate("FileRead", "Die Datei existiert nicht.");
    case FileReadStatus::NoAccess:
        return QCoreApplication::translate("FileRead", "Zugriff verweigert.");
    case FileReadStatus::Folder:
        return QCoreApplication::translate("FileRead", "Das ist ein Ordner, keine Datei.");
    case FileReadStatus::NotRegular:
        return QCoreApplication::translate(
            "FileRead", "Das ist keine gewöhnliche Datei (sondern ein Gerät, eine "
                        "Pipe oder ein Socket).");
    case FileReadStatus::TooLarge:
        return QCoreApplication::translate("FileRead", "Die Datei ist zu groß.");
    case FileReadStatus::Failed:
        break;
    }
    return QCoreApplication::translate("FileRead", "Sie kann nicht gelesen werden.");
}

} // namespace kurvimat::session
