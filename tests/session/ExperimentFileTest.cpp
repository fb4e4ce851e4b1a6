#include "SessionTestSupport.h"

#include "ExperimentFile.h"
#include "Schema.h"

#include <QFile>

#include <sqlite3.h>

namespace kurvimat::session::test {
namespace {

Experiment sampleExperiment() {
    Experiment e;
    e.runs.push_back(makeRun(PointSet::Origin::Recorded, 3600, 1765267800000, "Abkühlung"));
    e.runs.push_back(makeRun(PointSet::Origin::Loaded, 12, 1765267900000, "Tabelle"));
    e.data = makeSet(PointSet::Origin::Recorded, 200, true, false);
    e.snapshot = makeSet(PointSet::Origin::Loaded, 50);
    e.definitionA = QStringLiteral("Spannung (V): U [0;5]");
    e.definitionB = QStringLiteral("Temperatur (°C): 100*U-50 [-50;450]");
    e.settings = {{setting::IntervalMs, qint64(2)},
                  {setting::TriggerRising, false},
                  {setting::AxisAMax, 4.75},
                  {setting::TriggerMode, QStringLiteral("einzel")},
                  {QStringLiteral("Zusatz äöü"), QStringLiteral("Wert")}};
    return e;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(ExperimentFile, RoundTripAndReplace) {
    QTemporaryDir dir;
    const QString path = dir.filePath("versuch.kurvimat");
    const Experiment e = sampleExperiment();
    ASSERT_EQ(writeExperiment(path, e), std::nullopt);
    Experiment emptied;
    emptied.settings[setting::XyMode] = true;
    const Experiment& empty = emptied;
    // Each row: written, then read back whole; the second replaces the first in place.
    for (const Experiment* written : {&e, &empty}) {
        if (written == &empty) {
            ASSERT_EQ(writeExperiment(path, empty), std::nullopt);
        }
        const ExperimentRead read = readExperiment(path);
        ASSERT_TRUE(read.experiment.has_value()) << read.error.toStdString();
        ASSERT_EQ(read.experiment->runs.size(), written->runs.size());
        for (std::size_t i = 0; i < written->runs.size(); ++i)
            EXPECT_TRUE(sameRun(read.experiment->runs[i], written->runs[i]));
        EXPECT_EQ(read.experiment->data, written->data);
        EXPECT_EQ(read.experiment->snapshot, written->snapshot);
        EXPECT_EQ(read.experiment->definitionA, written->definitionA);
        EXPECT_EQ(read.experiment->definitionB, written->definitionB);
        EXPECT_EQ(read.experiment->settings, written->settings);
    }
    // No temporary file stays behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(ExperimentFile, FailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("versuch.kurvimat");
    ASSERT_EQ(writeExperiment(path, sampleExperiment()), std::nullopt);
    const QByteArray before = bytesOf(path);
    Experiment bad;
    bad.settings["axis"] = std::numeric_limits<double>::quiet_NaN();
    const auto error = writeExperiment(path, bad);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith("Datei \"" + path + "\" kann nicht erstellt werden."));
    EXPECT_EQ(bytesOf(path), before);
    EXPECT_TRUE(
        writeExperiment(dir.filePath("fehlt/versuch.kurvimat"), sampleExperiment()).has_value());
}

TEST(ExperimentFile, RefusesWhatItCannotTrust) {
    QTemporaryDir dir;
    const QString good = dir.filePath("gut.kurvimat");
    ASSERT_EQ(writeExperiment(good, sampleExperiment()), std::nullopt);
    const QByteArray bytes = bytesOf(good);
    ASSERT_GT(bytes.size(), 4 * 4096);

    const QString foreignDb = dir.filePath("fremd.sqlite");
    {
        auto db = SqliteDb::open(foreignDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        ASSERT_TRUE(db &&
                    db->exec("CREATE TABLE kunden(name TEXT); INSERT INTO kunden VALUES('x')"));
    }
    const QString newer = dir.filePath("neuer.kurvimat");
    ASSERT_EQ(writeExperiment(newer, sampleExperiment()), std::nullopt);
    {
        auto db = SqliteDb::open(newer, SQLITE_OPEN_READWRITE);
        ASSERT_TRUE(db && db->exec("PRAGMA user_version = 2"));
    }
    QByteArray corruptPage = bytes;
    // The header of a table's b-tree page (page 3: point_sets); point bytes themselves carry
    // no checksum in SQLite, only their count and finiteness are checked.
    for (int i = 0; i < 16; ++i)
        corruptPage[2 * 4096 + i] = char(0xA5 ^ i);
    QByteArray wrongMark = bytes; // ours in every way but the application id
    wrongMark[68] = 0;

    const QString foreign = "ist keine Kurvimat-Versuchsdatei.";
    const QString broken = "ist beschädigt oder unvollständig";
    struct Row {
        const char* name;
        QString path;
        std::optional<QByteArray> content; // written to path first
        QString message;
    };
    const Row rows[] = {
        {"truncated inside a page", dir.filePath("a.kurvimat"), bytes.left(bytes.size() / 2 + 700),
         broken},
        {"truncated at a page end", dir.filePath("b.kurvimat"), bytes.left(3 * 4096), broken},
        {"a corrupt page", dir.filePath("c.kurvimat"), corruptPage, broken},
        {"a foreign SQLite database", foreignDb, std::nullopt, foreign},
        {"another application id", dir.filePath("d.kurvimat"), wrongMark, foreign},
        {"a measurement text", dir.filePath("e.kurvimat"),
         QByteArray("Zeit in s\tU (V)\tT (C)\r\n0\t1\t2\r\n"), foreign},
        {"an empty file", dir.filePath("f.kurvimat"), QByteArray(), foreign},
        {"a newer schema", newer, std::nullopt, "stammt aus einer neueren Kurvimat-Version"},
        {"no such file", dir.filePath("fehlt.kurvimat"), std::nullopt,
         "kann nicht geöffnet werden"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.content) writeBytes(r.path, *r.content);
        const QByteArray before = bytesOf(r.path);
        const ExperimentRead read = readExperiment(r.path);
        EXPECT_FALSE(read.experiment.has_value());
        EXPECT_TRUE(read.error.contains(r.path)) << read.error.toStdString();
        EXPECT_TRUE(read.error.contains(r.message)) << read.error.toStdString();
        EXPECT_EQ(bytesOf(r.path), before); // refused, and nothing changed
        EXPECT_FALSE(QFile::exists(r.path + "-journal") || QFile::exists(r.path + "-wal"));
    }
}

TEST(Schema, MigratesForwardOnly) {
    const Migration v1 = schemaMigrations()[0];
    const Migration v2[] = {v1, {2, "ALTER TABLE meta ADD COLUMN note TEXT"}};
    struct Row {
        const char* name;
        const char* setup; // run on a fresh version-1 database
        std::span<const Migration> steps;
        bool ok;
        qint64 version; // after
    };
    const Row rows[] = {
        {"older: brought forward", "", v2, true, 2},
        {"current: left alone", "", schemaMigrations(), true, 1},
        {"newer: refused", "PRAGMA user_version = 3", v2, false, 3},
        {"foreign: refused", "PRAGMA application_id = 7", v2, false, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto db = SqliteDb::memory();
        ASSERT_TRUE(db && migrate(*db) && db->exec(r.setup));
        EXPECT_EQ(migrate(*db, r.steps), r.ok);
        EXPECT_EQ(db->queryInt("PRAGMA user_version"), r.version);
        EXPECT_EQ(db->exec("SELECT note FROM meta"), r.version == 2);
    }
    auto empty = SqliteDb::memory();
    ASSERT_TRUE(empty && migrate(*empty));
    EXPECT_EQ(checkSchema(*empty), SchemaCheck::Current);
}

} // namespace
} // namespace kurvimat::session::test
