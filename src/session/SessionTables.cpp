#include "SessionTables.h"

#include "ColumnFormula.h"
#include "MeasurementStore.h"
#include "Quantities.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <sqlite3.h>

#include <algorithm>

#include <bit>
#include <cmath>
#include <cstdint>

using kurvimat::acquisition::PointCapacity;

namespace kurvimat::session {

namespace {

const char* roleName(SetRole role) {
    switch (role) {
    case SetRole::Run:
        return "run";
    case SetRole::Data:
        return "data";
    case SetRole::Snapshot:
        return "snapshot";
    case SetRole::Recording:
        return "recording";
    }
    return "run";
}

template <typename Bits, typename Value>
void putLittleEndian(char*& out, Value v) {
    const auto bits = std::bit_cast<Bits>(v);
    for (std::size_t shift = 0; shift < 8 * sizeof bits; shift += 8)
        *out++ = char((bits >> shift) & 0xff);
}

template <typename Value, typename Bits>
Value getLittleEndian(const char*& in) {
    Bits bits = 0;
    for (std::size_t shift = 0; shift < 8 * sizeof bits; shift += 8)
        bits |= Bits(std::uint8_t(*in++)) << shift;
    return std::bit_cast<Value>(bits);
}

void putFloat(char*& out, float v) { putLittleEndian<std::uint32_t>(out, v); }
float getFloat(const char*& in) { return getLittleEndian<float, std::uint32_t>(in); }
void putDouble(char*& out, double v) { putLittleEndian<std::uint64_t>(out, v); }
double getDouble(const char*& in) { return getLittleEndian<double, std::uint64_t>(in); }

// Sets of files before the record size was kept hold float records alone.
bool hasPointBytes(SqliteDb& db) {
    return db.queryInt("SELECT count(*) FROM pragma_table_info('point_sets') "
                       "WHERE name = 'point_bytes'")
               .value_or(0) == 1;
}

// Journals and files before the further columns have no table for them.
bool hasColumns(SqliteDb& db) {
    return db.queryInt("SELECT count(*) FROM sqlite_schema WHERE name = 'point_columns'")
               .value_or(0) == 1;
}

bool insertColumns(SqliteDb& db, qint64 setId, const PointSet& p) {
    Statement column(db, "INSERT INTO point_columns(set_id, position, header, name, unit, origin, "
                         "formula) VALUES(?, ?, ?, ?, ?, ?, ?)");
    Statement chunk(db, "INSERT INTO column_chunks(set_id, position, first, data, checksum) "
                        "VALUES(?, ?, ?, ?, ?)");
    if (!column.ok() || !chunk.ok()) return false;
    for (std::size_t k = 0; k < p.columns().size(); ++k) {
        const signals::QuantityColumn& c = p.columns()[k];
        // What readSets would refuse is not written.
        if (c.formula.size() > analysis::MaxColumnFormulaLength ||
            c.values.size() != std::size_t(p.size()))
            return false;
        column.reset();
        if (!column.bind(1, setId)
                 .bind(2, qint64(k))
                 .bind(3, c.header)
                 .bind(4, c.name)
                 .bind(5, c.unit)
                 .bind(6, qint64(c.origin))
                 .bind(7, c.formula)
                 .run())
            return false;
        for (std::size_t first = 0; first < c.values.size(); first += ColumnChunkValues) {
            const std::size_t n = std::min<std::size_t>(ColumnChunkValues, c.values.size() - first);
            QByteArray bytes(qsizetype(n * 8), Qt::Uninitialized);
            char* out = bytes.data();
            for (std::size_t i = first; i < first + n; ++i)
                putDouble(out, c.values[i]);
            chunk.reset();
            if (!chunk.bind(1, setId)
                     .bind(2, qint64(k))
                     .bind(3, qint64(first))
                     .bindBlob(4, bytes)
                     .bindBlob(5, columnChunkChecksum(qint64(k), qint64(first), bytes))
                     .run())
                return false;
        }
    }
    return true;
}

// The further columns of a set of `points` points; nothing when a row does not hold what
// insertColumns writes, damaged names the column whose chunk fails its checksum.
std::optional<signals::QuantityColumns> readColumns(SqliteDb& db, qint64 setId, std::size_t points,
                                                    bool& damaged) {
    signals::QuantityColumns columns;
    Statement rows(db, "SELECT position, header, name, unit, origin, formula FROM point_columns "
                       "WHERE set_id = ? ORDER BY position");
    Statement chunks(db, "SELECT first, data, checksum FROM column_chunks "
                         "WHERE set_id = ? AND position = ? ORDER BY first");
    if (!rows.ok() || !chunks.ok()) return std::nullopt;
    rows.bind(1, setId);
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        const qint64 position = rows.columnInt(0), origin = rows.columnInt(4);
        if (position != qint64(columns.size()) || columns.size() >= signals::MaxQuantityColumns ||
            origin < 0 || origin >= signals::ColumnOriginCount)
            return std::nullopt;
        for (int i = 1; i <= 5; ++i)
            if (i != 4 && rows.columnType(i) != SQLITE_TEXT) return std::nullopt;
        signals::QuantityColumn c;
        c.header = rows.columnText(1), c.name = rows.columnText(2), c.unit = rows.columnText(3);
        c.origin = signals::ColumnOrigin(origin);
        c.formula = rows.columnText(5);
        if (c.header.size() > signals::MaxColumnHeaderLength ||
            c.name.size() > signals::MaxColumnHeaderLength ||
            c.unit.size() > signals::MaxColumnHeaderLength ||
            c.formula.size() > analysis::MaxColumnFormulaLength)
            return std::nullopt;
        c.values.reserve(points);
        chunks.reset();
        chunks.bind(1, setId).bind(2, position);
        int crc;
        while ((crc = chunks.step()) == SQLITE_ROW) {
            const qint64 first = chunks.columnInt(0);
            const QByteArrayView bytes = chunks.columnBlobView(1);
            if (chunks.columnType(1) != SQLITE_BLOB || chunks.columnType(2) != SQLITE_BLOB ||
                chunks.columnBlobView(2) != columnChunkChecksum(position, first, bytes)) {
                damaged = true;
                return std::nullopt;
            }
            if (first != qint64(c.values.size()) || bytes.size() % 8 != 0 ||
                c.values.size() + std::size_t(bytes.size() / 8) > points)
                return std::nullopt;
            const char* in = bytes.data();
            for (qsizetype i = 0; i < bytes.size() / 8; ++i) {
                const double v = getDouble(in);
                // A loaded value a float holds, or none.
                if (!std::isnan(v) && !std::isfinite(float(v))) return std::nullopt;
                c.values.push_back(v);
            }
        }
        if (crc != SQLITE_DONE || c.values.size() != points) return std::nullopt;
        columns.push_back(std::move(c));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return columns;
}

// A run's constants live in the meta table, which schema 4 has: programs before them pass
// over the row and open the file or journal without them. The value is the MD5 of the key and
// the text, then the lines as UTF-8.
QString constantsKey(qint64 setId) {
    return QStringLiteral("run_constants %1").arg(setId);
}

QByteArray constantsChecksum(const QString& key, QByteArrayView text) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(key.toUtf8() + ':');
    hash.addData(text);
    return hash.result();
}

constexpr qsizetype ChecksumBytes = 16;

// Lines readConstant takes, no more of them and no longer than a run keeps.
bool constantsFit(const QStringList& lines) {
    if (lines.size() > MaxQuantityConstants) return false;
    qsizetype bytes = 0;
    for (const QString& line : lines) {
        if (line.contains(u'\n') || !Quantities::readConstant(line, nullptr)) return false;
        bytes += line.toUtf8().size() + 1;
    }
    return bytes <= MaxRunConstantsBytes + 1;
}

bool insertConstants(SqliteDb& db, qint64 setId, const QStringList& lines) {
    // What readSets would refuse is not written: the run keeps its points without them.
    if (lines.isEmpty() || !constantsFit(lines)) return true;
    const QString key = constantsKey(setId);
    const QByteArray text = lines.join(u'\n').toUtf8();
    Statement s(db, "INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)");
    return s.ok() && s.bind(1, key).bindBlob(2, constantsChecksum(key, text) + text).run();
}

enum class ConstantsRead { Read, Damaged, Foreign };

ConstantsRead readConstants(Statement& s, qint64 setId, QStringList& lines) {
    const QString key = constantsKey(setId);
    s.reset();
    s.bind(1, key);
    const int rc = s.step();
    if (rc == SQLITE_DONE) return ConstantsRead::Read;
    if (rc != SQLITE_ROW || s.columnType(0) != SQLITE_BLOB) return ConstantsRead::Foreign;
    const QByteArrayView value = s.columnBlobView(0);
    if (value.size() <= ChecksumBytes || value.size() > ChecksumBytes + MaxRunConstantsBytes)
        return ConstantsRead::Foreign;
    const QByteArrayView text = value.sliced(ChecksumBytes);
    if (value.first(ChecksumBytes) != constantsChecksum(key, text)) return ConstantsRead::Damaged;
    lines = QString::fromUtf8(text).split(u'\n');
    return constantsFit(lines) ? ConstantsRead::Read : ConstantsRead::Foreign;
}

const char* kindName(const SettingValue& v) {
    static const char* const names[] = {"bool", "int", "real", "text"};
    return names[v.index()];
}

} // namespace

QByteArray encodePoints(const SamplePoint* points, int count) {
    QByteArray bytes(qsizetype(count) * PointRecordBytes, Qt::Uninitialized);
    char* out = bytes.data();
    for (int i = 0; i < count; ++i) {
        const SamplePoint& p = points[i];
        for (float v : {p.t, p.a, p.b, p.rawA, p.rawB, p.voltsA, p.voltsB})
            putFloat(out, v);
    }
    return bytes;
}

int recordBytes(const PointSet& set) {
    return set.exact() ? ExactRecordBytes : PointRecordBytes;
}

QByteArray encodePoints(const PointSet& set, int first, int count) {
    if (set.exact()) {
        QByteArray bytes(qsizetype(count) * ExactRecordBytes, Qt::Uninitialized);
        char* out = bytes.data();
        for (std::size_t i = std::size_t(first); i < std::size_t(first + count); ++i)
            for (const auto* v : {&set.exactTimes(), &set.exactValuesA(), &set.exactValuesB()})
                putDouble(out, (*v)[i]);
        return bytes;
    }
    std::vector<SamplePoint> points;
    points.reserve(std::size_t(count));
    for (int i = first; i < first + count; ++i)
        points.push_back(set.point(i));
    return encodePoints(points.data(), count);
}

bool decodePoints(QByteArrayView chunk, PointSet& set) {
    if (chunk.size() % PointRecordBytes != 0) return false;
    const auto count = chunk.size() / PointRecordBytes;
    if (set.size() + count > PointCapacity) return false;
    // Checked whole before anything is appended; no copy between: the largest file is
    // mostly this loop and the memory it fills.
    const char* in = chunk.data();
    for (qsizetype i = 0; i < count * 7; ++i)
        if (!std::isfinite(getFloat(in))) return false;
    in = chunk.data();
    for (qsizetype i = 0; i < count; ++i) {
        SamplePoint p;
        for (float* v : {&p.t, &p.a, &p.b, &p.rawA, &p.rawB, &p.voltsA, &p.voltsB})
            *v = getFloat(in);
        set.append(p);
    }
    return true;
}

bool decodeExactPoints(QByteArrayView chunk, std::vector<double>& t, std::vector<double>& a,
                       std::vector<double>& b) {
    if (chunk.size() % ExactRecordBytes != 0) return false;
    const auto count = std::size_t(chunk.size() / ExactRecordBytes);
    if (t.size() + count > std::size_t(PointCapacity)) return false;
    std::vector<double> read(count * 3);
    const char* in = chunk.constData();
    for (double& v : read) {
        v = getDouble(in);
        // What a loaded point can be: a number a float holds (the reader's bound).
        if (!std::isfinite(float(v))) return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        t.push_back(read[3 * i]);
        a.push_back(read[3 * i + 1]);
        b.push_back(read[3 * i + 2]);
    }
    return true;
}

std::optional<qint64> insertSet(SqliteDb& db, SetRole role, const Run& run, int position) {
    Statement s(db, "INSERT INTO point_sets(role, position, name, interval_ms, point_count, "
                    "recorded_at, has_a, has_b, recorded, definition_a, definition_b, "
                    "point_bytes) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const PointSet& p = run.points;
    // What readSets would refuse is not written.
    if (!s.ok() || p.size() > PointCapacity) return std::nullopt;
    s.bind(1, QString::fromLatin1(roleName(role)))
        .bind(2, qint64(position))
        .bind(3, run.name)
        .bind(4, qint64(run.intervalMs))
        .bind(5, qint64(run.pointCount))
        .bind(6, run.recordedAtMs)
        .bind(7, qint64(p.hasA()))
        .bind(8, qint64(p.hasB()))
        .bind(9, qint64(p.recorded()))
        .bind(10, p.definitionA())
        .bind(11, p.definitionB())
        .bind(12, qint64(recordBytes(p)));
    if (!s.run()) return std::nullopt;
    const qint64 id = sqlite3_last_insert_rowid(db.handle());
    if (!p.empty() && !insertChunk(db, id, 0, encodePoints(p, 0, p.size()), recordBytes(p)))
        return std::nullopt;
    if (!p.columns().empty() && !insertColumns(db, id, p)) return std::nullopt;
    if (!insertConstants(db, id, run.constants)) return std::nullopt;
    return id;
}

bool deleteSet(SqliteDb& db, qint64 setId) {
    Statement chunks(db, "DELETE FROM point_chunks WHERE set_id = ?");
    Statement values(db, "DELETE FROM column_chunks WHERE set_id = ?");
    Statement columns(db, "DELETE FROM point_columns WHERE set_id = ?");
    Statement set(db, "DELETE FROM point_sets WHERE id = ?");
    Statement constants(db, "DELETE FROM meta WHERE key = ?");
    return chunks.ok() && values.ok() && columns.ok() && set.ok() && constants.ok() &&
           chunks.bind(1, setId).run() && values.bind(1, setId).run() &&
           columns.bind(1, setId).run() && set.bind(1, setId).run() &&
           constants.bind(1, constantsKey(setId)).run();
}

QByteArray columnChunkChecksum(qint64 position, qint64 first, QByteArrayView chunk) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(QByteArray("column ") + QByteArray::number(position) + '/' +
                 QByteArray::number(first) + ':');
    hash.addData(chunk);
    return hash.result();
}

QByteArray chunkChecksum(qint64 first, QByteArrayView chunk, int recordBytes) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    // Float chunks keep the checksum of the files before the record size was kept; another
    // size is part of what is checked, so a changed size does not read the bytes otherwise.
    QByteArray index = QByteArray::number(first);
    if (recordBytes != PointRecordBytes) index += '/' + QByteArray::number(recordBytes);
    index += ':';
    hash.addData(index);
    hash.addData(chunk);
    return hash.result();
}

bool insertChunk(SqliteDb& db, qint64 setId, int first, const QByteArray& chunk,
                 int recordBytes) {
    Statement s(db,
                "INSERT INTO point_chunks(set_id, first, points, checksum) VALUES(?, ?, ?, ?)");
    return s.ok() && s.bind(1, setId)
                         .bind(2, qint64(first))
                         .bindBlob(3, chunk)
                         .bindBlob(4, chunkChecksum(first, chunk, recordBytes))
                         .run();
}

namespace {

// What a set without a name of its own is called where its damage is said.
QString unnamedSet(SetRole role) {
    switch (role) {
    case SetRole::Data:
        return QCoreApplication::translate("SessionTables", "Daten");
    case SetRole::Snapshot:
        return QCoreApplication::translate("SessionTables", "Schnappschuss");
    case SetRole::Run:
    case SetRole::Recording:
        break;
    }
    return QCoreApplication::translate("SessionTables", "Aufzeichnung");
}

} // namespace

std::optional<std::vector<Run>> readSets(SqliteDb& db, SetRole role, ReadCheck* check) {
    ReadCheck defaults;
    ReadCheck& c = check ? *check : defaults;
    Statement sets(db, hasPointBytes(db)
                           ? "SELECT id, name, interval_ms, point_count, recorded_at, has_a, "
                             "has_b, recorded, definition_a, definition_b, point_bytes "
                             "FROM point_sets WHERE role = ? AND deleted = 0 ORDER BY position, id"
                           : "SELECT id, name, interval_ms, point_count, recorded_at, has_a, "
                             "has_b, recorded, definition_a, definition_b, 28 "
                             "FROM point_sets WHERE role = ? AND deleted = 0 ORDER BY position, id");
    Statement chunks(db, c.checksums ? "SELECT first, points, checksum FROM point_chunks "
                                       "WHERE set_id = ? ORDER BY first"
                                     : "SELECT first, points FROM point_chunks "
                                       "WHERE set_id = ? ORDER BY first");
    // Reserved whole, so a set read in many chunks is not copied as its vectors grow.
    Statement bytes(db, "SELECT total(length(points)) FROM point_chunks WHERE set_id = ?");
    Statement constants(db, "SELECT value FROM meta WHERE key = ?");
    if (!sets.ok() || !chunks.ok() || !bytes.ok() || !constants.ok()) return std::nullopt;
    sets.bind(1, QString::fromLatin1(roleName(role)));
    const auto isFlag = [](qint64 v) { return v == 0 || v == 1; };
    const bool columnsKept = hasColumns(db);
    std::vector<Run> runs;
    int rc;
    while ((rc = sets.step()) == SQLITE_ROW) {
        Run run;
        run.id = sets.columnInt(0);
        run.name = sets.columnText(1);
        const qint64 interval = sets.columnInt(2), count = sets.columnInt(3);
        const qint64 hasA = sets.columnInt(5), hasB = sets.columnInt(6), rec = sets.columnInt(7);
        const qint64 size = sets.columnInt(10);
        // Numbers as read are those of loaded points.
        const bool exact = size == ExactRecordBytes && rec == 0;
        if (interval < 0 || interval > 60000 || count < 0 || count > PointCapacity ||
            !isFlag(hasA) || !isFlag(hasB) || !isFlag(rec) ||
            (size != PointRecordBytes && !exact))
            return std::nullopt;
        run.intervalMs = int(interval);
        run.pointCount = int(count);
        run.recordedAtMs = sets.columnInt(4);
        run.points = PointSet(rec ? PointSet::Origin::Recorded : PointSet::Origin::Loaded,
                              hasA != 0, hasB != 0, sets.columnText(8), sets.columnText(9));
        bytes.reset();
        bytes.bind(1, run.id);
        if (bytes.step() != SQLITE_ROW) return std::nullopt;
        const auto reserved = std::size_t(
            std::clamp(bytes.columnDouble(0) / double(size), 0.0, double(PointCapacity)));
        std::vector<double> t, a, b;
        if (exact)
            for (auto* v : {&t, &a, &b})
                v->reserve(reserved);
        else
            run.points.reserve(int(reserved));
        const auto read = [&] { return exact ? int(t.size()) : run.points.size(); };
        chunks.reset();
        chunks.bind(1, run.id);
        int crc;
        while ((crc = chunks.step()) == SQLITE_ROW) {
            const qint64 first = chunks.columnInt(0);
            const QByteArrayView points = chunks.columnBlobView(1);
            const bool intact = !c.checksums ||
                                (chunks.columnType(2) == SQLITE_BLOB &&
                                 chunks.columnBlobView(2) == chunkChecksum(first, points, int(size)));
            // Chunks follow each other without a gap or an overlap.
            if (intact && first == read() && chunks.columnType(1) == SQLITE_BLOB &&
                (exact ? decodeExactPoints(points, t, a, b) : decodePoints(points, run.points)))
                continue;
            // A checksum that fails names the damage; a row of another shape is no file of ours.
            if (!intact || c.salvage)
                c.damaged << QCoreApplication::translate("SessionTables",
                                                         "die Punkte von „%1“ ab Punkt %2")
                                 .arg(run.name.isEmpty() ? unnamedSet(role) : run.name)
                                 .arg(first + 1);
            if (!c.salvage) return std::nullopt;
            break; // what came before the damage stays
        }
        if (crc != SQLITE_DONE && crc != SQLITE_ROW) return std::nullopt;
        signals::QuantityColumns columns;
        if (columnsKept) {
            bool damaged = false;
            auto kept = readColumns(db, run.id, std::size_t(read()), damaged);
            if (kept) {
                columns = std::move(*kept);
            } else if (damaged || c.salvage) {
                c.damaged << QCoreApplication::translate("SessionTables", "die Spalten von „%1“")
                                 .arg(run.name.isEmpty() ? unnamedSet(role) : run.name);
                if (!c.salvage) return std::nullopt;
            } else {
                return std::nullopt;
            }
        }
        if (exact)
            run.points = PointSet::loaded(hasB != 0, run.points.definitionA(),
                                          run.points.definitionB(), t, a, b);
        if (!run.points.setColumns(std::move(columns))) return std::nullopt;
        switch (readConstants(constants, run.id, run.constants)) {
        case ConstantsRead::Read:
            break;
        case ConstantsRead::Damaged:
            c.damaged << QCoreApplication::translate("SessionTables", "die Konstanten von „%1“")
                             .arg(run.name.isEmpty() ? unnamedSet(role) : run.name);
            if (!c.salvage) return std::nullopt;
            run.constants.clear();
            break;
        case ConstantsRead::Foreign:
            return std::nullopt;
        }
        runs.push_back(std::move(run));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return runs;
}

bool writeDefinitions(SqliteDb& db, const QString& a, const QString& b) {
    Statement s(db, "INSERT OR REPLACE INTO definitions(channel, line) VALUES(?, ?)");
    if (!s.ok() || !s.bind(1, QStringLiteral("A")).bind(2, a).run()) return false;
    s.reset();
    return s.bind(1, QStringLiteral("B")).bind(2, b).run();
}

std::optional<std::pair<QString, QString>> readDefinitions(SqliteDb& db) {
    Statement s(db, "SELECT channel, line FROM definitions");
    if (!s.ok()) return std::nullopt;
    std::pair<QString, QString> lines;
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        if (s.columnType(1) != SQLITE_TEXT) return std::nullopt;
        (s.columnText(0) == QLatin1String("A") ? lines.first : lines.second) = s.columnText(1);
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return lines;
}

bool writeSettings(SqliteDb& db, const Settings& settings) {
    Statement s(db, "INSERT OR REPLACE INTO settings(key, kind, value) VALUES(?, ?, ?)");
    if (!s.ok()) return false;
    for (const auto& [key, value] : settings) {
        // SQLite keeps a NaN as NULL, which would make the file unreadable.
        if (const double* d = std::get_if<double>(&value); d && !std::isfinite(*d)) return false;
        s.reset();
        s.bind(1, key).bind(2, QString::fromLatin1(kindName(value)));
        std::visit(
            [&s](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, bool>)
                    s.bind(3, qint64(v));
                else
                    s.bind(3, v);
            },
            value);
        if (!s.run()) return false;
    }
    return true;
}

std::optional<Settings> readSettings(SqliteDb& db) {
    Statement s(db, "SELECT key, kind, value FROM settings");
    if (!s.ok()) return std::nullopt;
    Settings settings;
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        const QString kind = s.columnText(1);
        const int type = s.columnType(2);
        SettingValue value;
        if (kind == QLatin1String("bool") && type == SQLITE_INTEGER && s.columnInt(2) >= 0 &&
            s.columnInt(2) <= 1)
            value = s.columnInt(2) != 0;
        else if (kind == QLatin1String("int") && type == SQLITE_INTEGER)
            value = s.columnInt(2);
        else if (kind == QLatin1String("real") && type == SQLITE_FLOAT &&
                 std::isfinite(s.columnDouble(2)))
            value = s.columnDouble(2);
        else if (kind == QLatin1String("text") && type == SQLITE_TEXT)
            value = s.columnText(2);
        else
            return std::nullopt;
        settings[s.columnText(0)] = std::move(value);
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return settings;
}

} // namespace kurvimat::session
