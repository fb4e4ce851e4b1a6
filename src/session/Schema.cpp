#include "Schema.h"

#include <sqlite3.h>

#include <array>
#include <optional>
#include <vector>

namespace kurvimat::session {

namespace {

// Points are stored in chunks of little-endian float32 records (see SessionTables), so that a
// second of recording is one row and not five hundred.
constexpr const char* SchemaV1 = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY NOT NULL, value);
CREATE TABLE point_sets(
    id INTEGER PRIMARY KEY,
    role TEXT NOT NULL CHECK(role IN ('run', 'data', 'snapshot', 'recording')),
    position INTEGER NOT NULL DEFAULT 0,
    name TEXT NOT NULL DEFAULT '',
    interval_ms INTEGER NOT NULL,
    point_count INTEGER NOT NULL,
    recorded_at INTEGER NOT NULL,
    has_a INTEGER NOT NULL,
    has_b INTEGER NOT NULL,
    recorded INTEGER NOT NULL,
    definition_a TEXT NOT NULL,
    definition_b TEXT NOT NULL,
    deleted INTEGER NOT NULL DEFAULT 0);
CREATE TABLE point_chunks(
    set_id INTEGER NOT NULL REFERENCES point_sets(id) ON DELETE CASCADE,
    first INTEGER NOT NULL,
    points BLOB NOT NULL,
    PRIMARY KEY(set_id, first)) WITHOUT ROWID;
CREATE TABLE definitions(
    channel TEXT PRIMARY KEY NOT NULL CHECK(channel IN ('A', 'B')),
    line TEXT NOT NULL);
CREATE TABLE settings(
    key TEXT PRIMARY KEY NOT NULL,
    kind TEXT NOT NULL CHECK(kind IN ('bool', 'int', 'real', 'text')),
    value);
)sql";

// A checksum of each chunk's first index and points (see SessionTables): SQLite checks its
// pages' structure, not the numbers in them.
constexpr const char* SchemaV2 = "ALTER TABLE point_chunks ADD COLUMN checksum BLOB;";

// The bytes of one point in the set's chunks: 28 for float records, 24 for loaded points kept
// as read (see SessionTables).
constexpr const char* SchemaV3 =
    "ALTER TABLE point_sets ADD COLUMN point_bytes INTEGER NOT NULL DEFAULT 28;";

// The quantities of a set beside time, A and B (QuantityColumn), each with its values in chunks
// of little-endian float64 (see SessionTables).
constexpr const char* SchemaV4 = R"sql(
CREATE TABLE point_columns(
    set_id INTEGER NOT NULL REFERENCES point_sets(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    header TEXT NOT NULL,
    name TEXT NOT NULL,
    unit TEXT NOT NULL,
    origin INTEGER NOT NULL,
    formula TEXT NOT NULL,
    PRIMARY KEY(set_id, position)) WITHOUT ROWID;
CREATE TABLE column_chunks(
    set_id INTEGER NOT NULL,
    position INTEGER NOT NULL,
    first INTEGER NOT NULL,
    data BLOB NOT NULL,
    checksum BLOB NOT NULL,
    PRIMARY KEY(set_id, position, first),
    FOREIGN KEY(set_id, position) REFERENCES point_columns(set_id, position) ON DELETE CASCADE)
    WITHOUT ROWID;
)sql";

constexpr Migration Migrations[] = {{1, SchemaV1}, {2, SchemaV2}, {3, SchemaV3}, {4, SchemaV4}};

using SchemaRows = std::vector<std::array<QString, 3>>;

std::optional<SchemaRows> schemaRows(SqliteDb& db) {
    Statement s(db, "SELECT type, name, sql FROM sqlite_schema ORDER BY name");
    if (!s.ok()) return std::nullopt;
    SchemaRows rows;
    int rc;
    while ((rc = s.step()) == SQLITE_ROW)
        rows.push_back({s.columnText(0), s.columnText(1), s.columnText(2)});
    if (rc != SQLITE_DONE) return std::nullopt;
    return rows;
}

} // namespace

std::span<const Migration> schemaMigrations() {
    return Migrations;
}

bool schemaIsOurs(SqliteDb& db, int version, std::span<const Migration> migrations) {
    auto own = SqliteDb::memory();
    if (!own) return false;
    std::vector<Migration> upTo;
    for (const Migration& m : migrations)
        if (m.toVersion <= version) upTo.push_back(m);
    if (upTo.empty() || upTo.back().toVersion != version || !migrate(*own, upTo)) return false;
    const auto expected = schemaRows(*own);
    const auto found = schemaRows(db);
    return expected && found && *expected == *found;
}

SchemaCheck checkSchema(SqliteDb& db, int currentVersion) {
    // A failure to read says nothing about the file when the disk, a lock or a permission
    // stood in the way.
    const auto failed = [&db](SchemaCheck otherwise) {
        return failureIsTemporary(db.errorCode()) ? SchemaCheck::Unavailable : otherwise;
    };
    const auto id = db.queryInt("PRAGMA application_id");
    const auto version = db.queryInt("PRAGMA user_version");
    if (!id || !version) {
        // A text file or any other non-database gives SQLITE_NOTADB here.
        return (db.errorCode() & 0xff) == SQLITE_NOTADB ? SchemaCheck::Foreign
                                                        : failed(SchemaCheck::Corrupt);
    }
    if (*id != KurvimatApplicationId || *version < 1) return SchemaCheck::Foreign;
    if (*version > currentVersion) return SchemaCheck::Newer;
    // Reading sqlite_schema parses its text but runs none of it; integrity_check would evaluate
    // a foreign index's expression for every row and its CHECK constraints.
    const auto found = schemaRows(db);
    if (!found) return failed(SchemaCheck::Corrupt);
    if (!schemaIsOurs(db, int(*version))) {
        return (db.errorCode() & 0xff) == SQLITE_CORRUPT ? SchemaCheck::Corrupt
                                                         : SchemaCheck::Foreign;
    }
    Statement integrity(db, "PRAGMA integrity_check(1)");
    if (!integrity.ok()) return failed(SchemaCheck::Corrupt);
    const int rc = integrity.step();
    if (rc != SQLITE_ROW) return failed(SchemaCheck::Corrupt);
    return integrity.columnText(0) == QLatin1String("ok") ? SchemaCheck::Current
                                                          : SchemaCheck::Corrupt;
}

bool migrate(SqliteDb& db, std::span<const Migration> migrations) {
    const auto id = db.queryInt("PRAGMA application_id");
    const auto version = db.queryInt("PRAGMA user_version");
    const auto tables = db.queryInt("SELECT count(*) FROM sqlite_schema");
    if (!id || !version || !tables) return false;
    const bool empty = *id == 0 && *version == 0 && *tables == 0;
    if (!empty && *id != KurvimatApplicationId) return false;
    const int last = migrations.empty() ? 0 : migrations.back().toVersion;
    if (*version > last) return false;
    if (*version == last) return true;
    if (!db.exec("BEGIN IMMEDIATE")) return false;
    bool ok = true;
    for (const Migration& m : migrations)
        if (m.toVersion > *version && ok) ok = db.exec(m.sql);
    // PRAGMAs take no bound parameters; both values are our own integers.
    const QByteArray mark = QByteArray("PRAGMA application_id = ") +
                            QByteArray::number(KurvimatApplicationId) +
                            "; PRAGMA user_version = " + QByteArray::number(last);
    ok = ok && db.exec(mark.constData());
    if (ok && db.exec("COMMIT")) return true;
    db.exec("ROLLBACK");
    return false;
}

} // namespace kurvimat::session
