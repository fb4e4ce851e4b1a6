// A thin owner of an SQLite connection and its prepared statements: error codes and texts as
// return values, nothing thrown.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace kurvimat::session {

class SqliteDb {
public:
    SqliteDb() = default;
    explicit SqliteDb(sqlite3* db) : db_(db) {}
    SqliteDb(SqliteDb&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
    SqliteDb& operator=(SqliteDb&& other) noexcept;
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;
    ~SqliteDb() { close(); }

    /// Opens (flags: SQLITE_OPEN_*). On failure the code is returned in code and the system's
    /// errno in systemError (each if given).
    static std::optional<SqliteDb> open(const QString& path, int flags, int* code = nullptr,
                                        int* systemError = nullptr);
    /// An empty in-memory database.
    static std::optional<SqliteDb> memory();
    /// An in-memory database holding a copy of bytes (a whole database file image).
    static std::optional<SqliteDb> fromBytes(const QByteArray& bytes);
    /// An in-memory database over image, size bytes from sqlite3_malloc64, which it takes over
    /// (freed also on failure): a file read straight into it is its one copy.
    static std::optional<SqliteDb> fromImage(unsigned char* image, qint64 size);

    sqlite3* handle() const { return db_; }
    explicit operator bool() const { return db_ != nullptr; }
    void close();

    /// Runs one or more statements without results; false on the first failure.
    bool exec(const char* sql);
    /// The first column of the first row of a query returning one integer (PRAGMAs).
    std::optional<qint64> queryInt(const char* sql);
    /// "ok", or the first line integrity_check complains with.
    QString integrityCheck();
    /// The error code of the last failed call (extended codes).
    int errorCode() const;
    QString errorText() const;
    /// The system's errno behind the last failed call, 0 when none is known.
    int systemError() const;

private:
    sqlite3* db_ = nullptr;
};

/// Whether a failure with this (extended) code says the file cannot be used now (no space, no
/// permission, locked, an I/O error, no memory) rather than that it is damaged: such a file is
/// tried again later, never given up.
bool failureIsTemporary(int code);

class Statement {
public:
    Statement(const SqliteDb& db, const char* sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool ok() const { return stmt_ != nullptr; }
    Statement& bind(int index, qint64 value);
    Statement& bind(int index, double value);
    Statement& bind(int index, const QString& value);
    Statement& bindBlob(int index, const QByteArray& value);
    /// SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    /// step() for a statement without results: true when it ran to its end.
    bool run() { return step() == 101 /* SQLITE_DONE */; }
    void reset();

    qint64 columnInt(int index) const;
    double columnDouble(int index) const;
    QString columnText(int index) const;
    QByteArray columnBlob(int index) const;
    /// The column's bytes without a copy, valid until the statement steps or resets.
    QByteArrayView columnBlobView(int index) const;
    /// SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    int columnType(int index) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace kurvimat::session
