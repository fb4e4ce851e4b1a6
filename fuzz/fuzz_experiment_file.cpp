// Experiment files as they come from disks and other programs: whole database images (an input
// that starts like one), or an edit script applied to a good file this program wrote, so that
// short inputs reach every page. A refused file says why and names the file; an accepted one
// holds only what a session can take (counts within the capacity, finite values, extents that
// bound the points), has exactly the program's schema and chunks that match their checksums,
// and comes back the same after writing it again.
#include "FuzzCheck.h"

#include "ExperimentFile.h"
#include "MeasurementStore.h"
#include "Schema.h"
#include "SessionTables.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>

#include <cmath>
#include <unistd.h>

using namespace kurvimat::acquisition;

using namespace kurvimat::session;

namespace {

QString scratchPath(const char* name) {
    const QString dir =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return QStringLiteral("%1/kurvimat-fuzz-%2-%3").arg(dir).arg(::getpid()).arg(name);
}

const QByteArray& goodFile() {
    static const QByteArray bytes = [] {
        Experiment e;
        for (int r = 0; r < 2; ++r) {
            Run run;
            run.name = QStringLiteral("Messreihe %1").arg(r + 1);
            run.intervalMs = 2;
            run.pointCount = 40;
            run.points = PointSet(r ? PointSet::Origin::Loaded : PointSet::Origin::Recorded, true,
                                  r == 0, QStringLiteral("U (V): U"), QStringLiteral("T: 2*U"));
            for (int i = 0; i < 40; ++i)
                run.points.append({i * 0.002f, float(i), float(-i), float(i), 0, i / 200.0f, 0});
            e.runs.push_back(run);
        }
        // A loaded set kept as read: epoch seconds a second apart, in double records.
        std::vector<double> t, a, b;
        for (int i = 0; i < 40; ++i)
            t.push_back(1709288100.0 + i), a.push_back(99999999.0 - i), b.push_back(0.1 * i);
        Run exact;
        exact.name = QStringLiteral("Geladen");
        // Each with a further column, one value without a number.
        auto column = kurvimat::signals::QuantityColumn::named(QStringLiteral("I (mA)"));
        column.values.assign(a.begin(), a.end());
        column.values[7] = std::nan("");
        const kurvimat::signals::QuantityColumn columns[] = {column};
        exact.points =
            PointSet::loaded(true, QStringLiteral("Zeit"), QStringLiteral("N"), t, a, b, columns);
        e.runs.push_back(exact);
        FUZZ_CHECK(e.runs[0].points.setColumns({column}));
        e.data = e.runs[0].points;
        e.snapshot = e.runs[1].points;
        e.definitionA = QStringLiteral("U (V): U");
        e.settings = {{QStringLiteral("interval_ms"), qint64(2)},
                      {QStringLiteral("xy_mode"), true},
                      {QStringLiteral("axis_a_max"), 4.5},
                      {QStringLiteral("trigger_mode"), QStringLiteral("auto")}};
        const QString path = scratchPath("good.kurvimat");
        FUZZ_CHECK(!writeExperiment(path, e));
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly));
        QByteArray all = file.readAll();
        QFile::remove(path);
        return all;
    }();
    return bytes;
}

// Records of [op, offset (3 bytes, big-endian), length, bytes...]: op 0 overwrites, op 1 cuts
// the file at the offset. Offsets wrap at the file's size.
QByteArray edit(const std::uint8_t* data, std::size_t size) {
    QByteArray file = goodFile();
    for (std::size_t at = 0; at + 5 <= size && !file.isEmpty();) {
        const int op = data[at] & 1;
        const qsizetype offset =
            qsizetype((data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3]) % file.size();
        const std::size_t length = data[at + 4];
        at += 5;
        if (op == 1) {
            file.truncate(offset);
            continue;
        }
        for (std::size_t i = 0; i < length && at < size; ++i, ++at)
            if (offset + qsizetype(i) < file.size()) file[offset + qsizetype(i)] = char(data[at]);
    }
    return file;
}

void checkSet(const PointSet& set) {
    FUZZ_CHECK(set.size() >= 0 && set.size() <= PointCapacity);
    FUZZ_CHECK(set.times().size() == set.valuesA().size());
    FUZZ_CHECK(set.rawA().size() == (set.recorded() ? set.times().size() : 0));
    // Numbers as read: one for each point, and the floats drawn are theirs.
    if (set.exact()) {
        FUZZ_CHECK(!set.recorded() && set.exactTimes().size() == set.times().size());
        for (int i = 0; i < set.size(); ++i) {
            const std::size_t k = std::size_t(i);
            FUZZ_CHECK(set.times()[k] == float(set.exactTimes()[k] - set.timeBase()));
            FUZZ_CHECK(set.valuesA()[k] == float(set.exactValuesA()[k]));
        }
    }
    FUZZ_CHECK(kurvimat::signals::ColumnsFit(set.columns(), set.times().size()));
    const Extents& x = set.extents();
    for (int i = 0; i < set.size(); ++i) {
        const SamplePoint p = set.point(i);
        for (float v : {p.t, p.a, p.b, p.rawA, p.rawB, p.voltsA, p.voltsB})
            FUZZ_CHECK(std::isfinite(v));
        FUZZ_CHECK(p.t >= x.minT && p.t <= x.maxT && p.a >= x.minA && p.a <= x.maxA &&
                   p.b >= x.minB && p.b <= x.maxB);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QByteArray magic("SQLite format 3", 16);
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray file = input.startsWith(magic) ? input : edit(data, size);
    const QString name = QStringLiteral("versuch.kurvimat");
    const ExperimentRead read = readExperimentBytes(file, name);
    if (!read.experiment) {
        FUZZ_CHECK(read.error.contains(name));
        return 0;
    }
    const Experiment& e = *read.experiment;
    // Nothing accepted escaped the schema check or the checksums.
    FUZZ_CHECK(file.size() <= MaxExperimentBytes);
    FUZZ_CHECK(e.runs.size() <= std::size_t(MaxExperimentRuns));
    {
        QByteArray image = file; // read as the main file alone, as the reader does
        if (image[18] == 2 && image[19] == 2) image[18] = image[19] = 1;
        auto db = SqliteDb::fromBytes(image);
        FUZZ_CHECK(db.has_value());
        const qint64 version = db->queryInt("PRAGMA user_version").value_or(0);
        FUZZ_CHECK(version >= 1 && version <= SchemaVersion);
        FUZZ_CHECK(schemaIsOurs(*db, int(version)));
        if (version >= ChecksumVersion) {
            // Files before the record size was kept hold float records alone.
            const QByteArray sql =
                QByteArray("SELECT c.first, c.points, c.checksum, ") +
                (version >= PointBytesVersion ? "s.point_bytes" : "28") +
                " FROM point_chunks c JOIN point_sets s ON s.id = c.set_id WHERE s.deleted = 0 "
                "AND s.role IN ('run', 'data', 'snapshot')";
            Statement chunks(*db, sql.constData());
            FUZZ_CHECK(chunks.ok());
            while (chunks.step() == SQLITE_ROW)
                FUZZ_CHECK(chunks.columnBlob(2) == chunkChecksum(chunks.columnInt(0),
                                                                 chunks.columnBlob(1),
                                                                 int(chunks.columnInt(3))));
        }
        if (version >= ColumnsVersion) {
            // The chunks the reader reads: of a column of a set it takes.
            Statement values(*db, "SELECT c.position, c.first, c.data, c.checksum "
                                  "FROM column_chunks c JOIN point_columns p USING(set_id, "
                                  "position) JOIN point_sets s ON s.id = c.set_id WHERE "
                                  "s.deleted = 0 AND s.role IN ('run', 'data', 'snapshot')");
            FUZZ_CHECK(values.ok());
            while (values.step() == SQLITE_ROW)
                FUZZ_CHECK(values.columnBlob(3) == columnChunkChecksum(values.columnInt(0),
                                                                       values.columnInt(1),
                                                                       values.columnBlob(2)));
        }
    }
    for (const Run& run : e.runs) {
        checkSet(run.points);
        FUZZ_CHECK(run.intervalMs >= 0 && run.pointCount >= 0 && run.pointCount <= PointCapacity);
    }
    if (e.data) checkSet(*e.data);
    if (e.snapshot) checkSet(*e.snapshot);
    // What was accepted is written and read back unchanged.
    const QString path = scratchPath("again.kurvimat");
    FUZZ_CHECK(!writeExperiment(path, e));
    const ExperimentRead again = readExperiment(path);
    QFile::remove(path);
    FUZZ_CHECK(again.experiment && *again.experiment == e);
    return 0;
}
