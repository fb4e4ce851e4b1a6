#include "SqliteDb.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <cstring>

namespace kurvimat::session {

SqliteDb& SqliteDb::operator=(SqliteDb&& other) noexcept {
    if (this != &other) {
        close();
        db_ = other.db_;
        other.db_ = nullptr;
    }
    return *this;
}

std::optional<SqliteDb> SqliteDb::open(const QString& path, int flags, int* code,
                                       int* systemError) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (code) *code = db ? sqlite3_extended_errcode(db) : rc;
        if (systemError) *systemError = db ? sqlite3_system_errno(db) : 0;
        sqlite3_close(db);
        return std::nullopt;
    }
    sqlite3_extended_result_codes(db, 1);
    // A busy lock is another program's: waiting does not help, so fail at once.
    sqlite3_busy_timeout(db, 0);
    return SqliteDb(db);
}

std::optional<SqliteDb> SqliteDb::memory() {
    return open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

std::optional<SqliteDb> SqliteDb::fromBytes(const QByteArray& bytes) {
    const auto size = sqlite3_int64(bytes.size());
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(size ? size : 1)));
    if (!copy) return std::nullopt;
    if (size) std::memcpy(copy, bytes.constData(), std::size_t(size));
    return fromImage(copy, size);
}

std::optional<SqliteDb> SqliteDb::fromImage(unsigned char* image, qint64 size) {
    auto db = memory();
    if (!db) {
        sqlite3_free(image);
        return std::nullopt;
    }
    // Frees image itself, also on failure.
    if (sqlite3_deserialize(db->handle(), "main", image, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) !=
        SQLITE_OK)
        return std::nullopt;
    return db;
}

void SqliteDb::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool SqliteDb::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<qint64> SqliteDb::queryInt(const char* sql) {
    Statement s(*this, sql);
    if (!s.ok() || s.step() != SQLITE_ROW) return std::nullopt;
    return s.columnInt(0);
}

QString SqliteDb::integrityCheck() {
    Statement s(*this, "PRAGMA integrity_check(1)");
    if (!s.ok()) return errorText();
    const int rc = s.step();
    if (rc != SQLITE_ROW) return errorText();
    return s.columnText(0);
}

int SqliteDb::errorCode() const {
    return db_ ? sqlite3_extended_errcode(db_) : SQLITE_MISUSE;
}

int SqliteDb::systemError() const {
    return db_ ? sqlite3_system_errno(db_) : 0;
}

QString SqliteDb::errorText() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_))
               : QCoreApplication::translate("SqliteDb", "keine Datenbank");
}

bool failureIsTemporary(int code) {
    switch (code & 0xff) {
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_IOERR:
    case SQLITE_NOMEM:
    case SQLITE_PROTOCOL:
        return true;
    default:
        return false;
    }
}

Statement::Statement(const SqliteDb& db, const char* sql) {
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, qint64 value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::bind(int index, double value) {
    sqlite3_bind_double(stmt_, index, value);
    return *this;
}

Statement& Statement::bind(int index, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text64(stmt_, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

Statement& Statement::bindBlob(int index, const QByteArray& value) {
    sqlite3_bind_blob64(stmt_, index, value.constData(), sqlite3_uint64(value.size()),
                        SQLITE_TRANSIENT);
    return *this;
}

int Statement::step() {
    return stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE;
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

qint64 Statement::columnInt(int i) const {
    return sqlite3_column_int64(stmt_, i);
}
double Statement::columnDouble(int i) const {
    return sqlite3_column_double(stmt_, i);
}

QString Statement::columnText(int i) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt_, i));
}

QByteArray Statement::columnBlob(int i) const {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
    return QByteArray(data, sqlite3_column_bytes(stmt_, i));
}

QByteArrayView Statement::columnBlobView(int i) const {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
    return QByteArrayView(data, sqlite3_column_bytes(stmt_, i));
}

int Statement::columnType(int i) const {
    return sqlite3_column_type(stmt_, i);
}

} // namespace kurvimat::session
