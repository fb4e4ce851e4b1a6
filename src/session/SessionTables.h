// Reading and writing the rows of the schema: point sets with their point chunks, the
// definitions in force and the settings. Shared by the journal and the experiment file.
#pragma once

#include "Run.h"
#include "Settings.h"
#include "SqliteDb.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <vector>

namespace kurvimat::session {

enum class SetRole { Run, Data, Snapshot, Recording };

/// Bytes of one point in a chunk: t, a, b, rawA, rawB, voltsA, voltsB as little-endian float32.
inline constexpr int PointRecordBytes = 28;
/// Bytes of one point of a set that keeps its numbers as read (PointSet::exact): t, a, b as
/// little-endian float64.
inline constexpr int ExactRecordBytes = 24;

/// The record size of set's chunks.
int recordBytes(const PointSet& set);
/// Points [first, first + count) of set as chunk bytes, in its record size.
QByteArray encodePoints(const PointSet& set, int first, int count);
QByteArray encodePoints(const SamplePoint* points, int count);
/// Appends the chunk's points to set. False (set unchanged) for a length that is no whole
/// number of points, a non-finite number, or more points than a set holds.
bool decodePoints(QByteArrayView chunk, PointSet& set);
/// Points as read, in double precision: appends the chunk's ExactRecordBytes records to t, a
/// and b. False (nothing appended) as decodePoints, or for a number a float cannot hold.
bool decodeExactPoints(QByteArrayView chunk, std::vector<double>& t, std::vector<double>& a,
                       std::vector<double>& b);

/// The checksum stored with a chunk: of its first index, its record size and its bytes. It
/// tells a changed bit from an accident, not from someone who writes a new checksum too.
QByteArray chunkChecksum(qint64 first, QByteArrayView chunk, int recordBytes = PointRecordBytes);

/// How readSets checks what it reads, and what it found damaged.
struct ReadCheck {
    bool checksums = true; ///< the chunks carry checksums (schema ChecksumVersion on)
    /// A set whose chunk fails its check keeps the points before that chunk instead of failing
    /// the whole read (the journal's recovery offers what can still be read).
    bool salvage = false;
    QStringList damaged; ///< German: which sets failed their check, from which point
};

/// Values of a further column in one chunk at most: little-endian float64, NaN where a point
/// has none.
inline constexpr int ColumnChunkValues = 2048;

/// The checksum of a further column's chunk: of its column, first index and bytes.
QByteArray columnChunkChecksum(qint64 position, qint64 first, QByteArrayView chunk);

/// Inserts a point set row with its points in one chunk and its further columns, each in
/// chunks of ColumnChunkValues; returns its id.
std::optional<qint64> insertSet(SqliteDb& db, SetRole role, const Run& run, int position);
/// Deletes a set with its points and columns.
bool deleteSet(SqliteDb& db, qint64 setId);
/// Appends one chunk of points to a set.
bool insertChunk(SqliteDb& db, qint64 setId, int first, const QByteArray& chunk,
                 int recordBytes = PointRecordBytes);

/// Every set of a role not marked deleted, in position order, with its points; nothing when
/// a row or chunk does not hold what this program writes or fails its checksum (check->damaged
/// then says which, unless check->salvage). Each Run's id is its row id.
std::optional<std::vector<Run>> readSets(SqliteDb& db, SetRole role, ReadCheck* check = nullptr);

bool writeDefinitions(SqliteDb& db, const QString& a, const QString& b);
/// Both lines; nothing when a row is malformed. Missing lines are empty.
std::optional<std::pair<QString, QString>> readDefinitions(SqliteDb& db);

bool writeSettings(SqliteDb& db, const Settings& settings);
std::optional<Settings> readSettings(SqliteDb& db);

} // namespace kurvimat::session
