// The one schema of the journal and the experiment file: its version in user_version, our
// mark in application_id, forward-only migrations, and the checks every opening runs.
#pragma once

#include "SqliteDb.h"

#include <QString>

#include <span>

namespace kurvimat::session {

/// "KRVM": tells our databases from every other SQLite file.
inline constexpr qint64 KurvimatApplicationId = 0x4B52564D;
/// The schema this program writes; files of a higher version are refused. Version 2 added the
/// point chunks' checksums, version 3 the record size of each set's chunks (loaded points as
/// read, in double precision), version 4 the further columns of a set.
inline constexpr int SchemaVersion = 4;
/// The first version whose chunks carry checksums; older files are read unchecked.
inline constexpr int ChecksumVersion = 2;
/// The first version whose point sets name their chunks' record size; older ones hold floats.
inline constexpr int PointBytesVersion = 3;
/// The first version that keeps the columns beside time, A and B.
inline constexpr int ColumnsVersion = 4;

/// One step from the version before toVersion to toVersion.
struct Migration {
    int toVersion;
    const char* sql;
};

/// The program's migrations, version 1 first (an empty database becomes version 1).
std::span<const Migration> schemaMigrations();

enum class SchemaCheck {
    Current,     ///< ours, at SchemaVersion (or migrated to it)
    Foreign,     ///< a database that is not ours
    Newer,       ///< ours, from a newer program
    Corrupt,     ///< integrity_check failed, or the file is no database at all
    Unavailable, ///< could not be read now (failureIsTemporary): no verdict on the file
};

/// application_id and user_version, then the schema's text against the one the migrations make
/// at that version (schemaIsOurs), and only then integrity_check: no index expression, CHECK,
/// view or trigger a foreign schema brings is ever evaluated.
SchemaCheck checkSchema(SqliteDb& db, int currentVersion = SchemaVersion);

/// Whether sqlite_schema holds exactly what migrations make at version: the same tables and
/// indexes with the same SQL text, nothing more. Reads sqlite_schema only.
bool schemaIsOurs(SqliteDb& db, int version,
                  std::span<const Migration> migrations = schemaMigrations());

/// Makes an empty database ours at the last version of migrations, or brings one of ours from
/// an older version forward, in one transaction. Refuses (false) a database of a higher
/// version than migrations know, or a foreign one; then nothing changes.
bool migrate(SqliteDb& db, std::span<const Migration> migrations = schemaMigrations());

} // namespace kurvimat::session
