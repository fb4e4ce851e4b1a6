#include "SessionTestSupport.h"

#include "ExperimentFile.h"
#include "FitModels.h"
#include "MeasurementStore.h"
#include "PlotNotes.h"
#include "Schema.h"
#include "Session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <sys/stat.h>

#include <sqlite3.h>

using kurvimat::acquisition::PointCapacity;

namespace kurvimat::session::test {
namespace {

// With exact, a run loaded with epoch seconds and eight-digit counts, kept as read.
Experiment sampleExperiment(bool exact = true) {
    Experiment e;
    e.runs.push_back(makeRun(PointSet::Origin::Recorded, 3600, 1765267800000, "Abkühlung"));
    if (exact) { // recorded points with a quantity beside them
        auto square = signals::QuantityColumn::named(QStringLiteral("U² (V²)"),
                                                     signals::ColumnOrigin::Calculated);
        square.formula = QStringLiteral("U*U");
        for (float a : e.runs[0].points.valuesA())
            square.values.push_back(double(a) * a);
        EXPECT_TRUE(e.runs[0].points.setColumns({square}));
        e.runs[0].constants = {QStringLiteral("k = 2,5 N/m")};
    }
    e.runs.push_back(makeRun(PointSet::Origin::Loaded, 12, 1765267900000, "Tabelle"));
    if (exact) {
        Run run = makeRun(PointSet::Origin::Loaded, 0, 1765268000000, "Zeitstempel");
        const std::vector<double> t{1709288100, 1709288101, 1709288102, 1709288103},
            a{99999999, 45352.427083, 45352.427095, 45352.427106}, b{0.1, 0.2, 0.3, -1e-7};
        // Two further columns, one with a point without a value.
        auto current = signals::QuantityColumn::named(QStringLiteral("I (mA)"));
        current.values = {1.5, std::nan(""), 271.828182, -2};
        auto power = signals::QuantityColumn::named(QStringLiteral("P in mW"));
        power.values = {0, 1e30, 2, 3};
        const signals::QuantityColumn columns[] = {current, power};
        run.points =
            PointSet::loaded(true, QStringLiteral("Zeit"), QStringLiteral("N"), t, a, b, columns);
        e.runs.push_back(run);
    }
    e.data = makeSet(PointSet::Origin::Recorded, 200, true, false);
    e.snapshot = makeSet(PointSet::Origin::Loaded, 50);
    e.definitionA = QStringLiteral("Spannung (V): U [0;5]");
    e.definitionB = QStringLiteral("Temperatur (°C): 100*U-50 [-50;450]");
    e.settings = {{setting::IntervalMs, qint64(2)},
                  {setting::TriggerRising, false},
                  {setting::AxisAMax, 4.75},
                  {setting::TriggerMode, QStringLiteral("einzel")},
                  {setting::ShownRuns, QStringLiteral("0;1")},
                  {setting::RunFit, QStringLiteral("1;0;linear;0;2.5")},
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
        if (written == &e) { // the numbers as read come back, not their floats
            const PointSet& p = read.experiment->runs.back().points;
            ASSERT_TRUE(p.exact());
            EXPECT_EQ(p.exactTimes()[1], 1709288101.0);
            EXPECT_EQ(p.exactValuesA()[0], 99999999.0);
            EXPECT_EQ(p.times()[3], 3.0f);
            EXPECT_EQ(p.columns(), written->runs.back().points.columns());
            EXPECT_EQ(p.columns().at(1).unit, QStringLiteral("mW"));
        }
        EXPECT_EQ(read.experiment->data, written->data);
        EXPECT_EQ(read.experiment->snapshot, written->snapshot);
        EXPECT_EQ(read.experiment->definitionA, written->definitionA);
        EXPECT_EQ(read.experiment->definitionB, written->definitionB);
        EXPECT_EQ(read.experiment->settings, written->settings);
    }
    // No temporary file stays behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(PlotNotes, ReadBackWithinBoundsAndKeptByTheSession) {
    const PlotNotes two{{QStringLiteral("Freier Fall"), 0.4, 0.01, true},
                        {QStringLiteral("g ≈ 9,81 m/s²\nohne \"Luft\""), 0.125, 0.5}};
    EXPECT_EQ(readNotes(notesText(two)), two);
    QString many = QStringLiteral("[");
    for (int i = 0; i < MaxPlotNotes + 5; ++i)
        many += QStringLiteral("{\"text\":\"%1\",\"x\":0.5,\"y\":0.5},").arg(QString(3000, u'x'));
    many.back() = u']';
    struct Case {
        const char* what;
        QString text;
        PlotNotes expected;
    } const cases[] = {
        {"nothing", QString(), {}},
        {"no list", QStringLiteral(R"({"text":"a","x":0,"y":0})"), {}},
        {"not JSON", QStringLiteral("[{\"text\":\"a\",\"x\":0,"), {}},
        {"places that are no numbers, a blank text",
         QStringLiteral(
             R"([{"text":"a","x":"0.5","y":0},{"text":"b","y":0},{"text":" ","x":0,"y":0}])"),
         {}},
        {"off the plot",
         QStringLiteral(R"([{"text":"a","x":-3,"y":7}])"),
         {{QStringLiteral("a"), 0, 1}}},
        {"two titles",
         QStringLiteral(
             R"([{"text":"a","x":0,"y":0,"title":true},{"text":"b","x":0,"y":0,"title":true}])"),
         {{QStringLiteral("a"), 0, 0, true}, {QStringLiteral("b"), 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readNotes(c.text), c.expected);
    }
    const PlotNotes bounded = readNotes(many);
    ASSERT_EQ(bounded.size(), std::size_t(MaxPlotNotes));
    EXPECT_EQ(bounded.back().text.size(), MaxNoteLength);

    // The session's notes: in its fingerprint (unsaved work), undone, carried by an experiment.
    Session session;
    const std::size_t empty = session.fingerprint({});
    session.setNotes(two, true);
    EXPECT_NE(session.fingerprint({}), empty);
    EXPECT_EQ(session.undoStep(), UndoStep::ChangeNotes);
    ASSERT_TRUE(session.undo());
    EXPECT_TRUE(session.notes().empty());
    EXPECT_EQ(session.fingerprint({}), empty);
    session.setNotes(two);
    Session other;
    other.setNotes({{QStringLiteral("alt"), 0, 0}});
    other.applyExperiment(session.experiment());
    EXPECT_EQ(other.notes(), two);
    other.applyExperiment(Session().experiment());
    EXPECT_TRUE(other.notes().empty());
}

TEST(ExperimentFile, FailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("versuch.kurvimat");
    ASSERT_EQ(writeExperiment(path, sampleExperiment()), std::nullopt);
    const QByteArray before = bytesOf(path);
    // What could not be opened again is not written.
    Experiment nan, longRun, longData;
    nan.settings["axis"] = std::numeric_limits<double>::quiet_NaN();
    longRun.runs.push_back(makeRun(PointSet::Origin::Loaded, PointCapacity + 1, 0, "Lang"));
    longData.snapshot = makeSet(PointSet::Origin::Recorded, PointCapacity + 1);
    for (const Experiment* bad : {&nan, &longRun, &longData}) {
        const auto error = writeExperiment(path, *bad);
        ASSERT_TRUE(error.has_value());
        EXPECT_TRUE(error->startsWith("Datei \"" + path + "\" kann nicht erstellt werden."));
        EXPECT_EQ(bytesOf(path), before);
    }
    EXPECT_TRUE(writeExperiment(path, longRun)->contains(QStringLiteral("„Lang“ hat 10001")));
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
        const QByteArray newerVersion =
            "PRAGMA user_version = " + QByteArray::number(SchemaVersion + 1);
        ASSERT_TRUE(db && db->exec(newerVersion.constData()));
    }
    QByteArray corruptPage = bytes;
    // The header of a table's b-tree page (page 3: point_sets); point bytes themselves carry
    // no checksum in SQLite, only their count and finiteness are checked.
    for (int i = 0; i < 16; ++i)
        corruptPage[2 * 4096 + i] = char(0xA5 ^ i);
    QByteArray wrongMark = bytes; // ours in every way but the application id
    wrongMark[68] = 0;

    // Another version's (or another program's) fit model, by name or by an old number.
    const auto withFit = [&](const char* fit) {
        Experiment e = sampleExperiment();
        e.settings[setting::Fit] = QString::fromUtf8(fit);
        const QString path = dir.filePath("mit-kurve.kurvimat");
        EXPECT_EQ(writeExperiment(path, e), std::nullopt);
        return bytesOf(path);
    };
    const QString unknownFit = "zeigt eine Ausgleichskurve, die diese Kurvimat-Version nicht kennt";
    // A run's constants changed behind their checksum, or no lines of constants.
    const auto withConstants = [&](const char* value) {
        const QString path = dir.filePath("konstanten.kurvimat");
        EXPECT_EQ(writeExperiment(path, sampleExperiment()), std::nullopt);
        {
            auto db = SqliteDb::open(path, SQLITE_OPEN_READWRITE);
            const QByteArray change = QByteArray("UPDATE meta SET value = ") + value +
                                      " WHERE key LIKE 'run_constants %'";
            EXPECT_TRUE(db && db->exec(change.constData()));
        }
        return bytesOf(path);
    };

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
        {"a fit model by a name no model has", dir.filePath("g.kurvimat"), withFit("0;spline;0;10"),
         unknownFit + " („spline“)"},
        {"an old file's model number no model has", dir.filePath("h.kurvimat"), withFit("1;9;0;10"),
         unknownFit + " („9“)"},
        {"a model number that is no whole number", dir.filePath("i.kurvimat"),
         withFit("1;2.5;0;10"), unknownFit},
        {"a fit setting that is no list", dir.filePath("j.kurvimat"), withFit("Gerade"),
         unknownFit},
        {"a run's constants changed", dir.filePath("k.kurvimat"),
         withConstants("CAST(substr(value, 1, length(value) - 1) || '7' AS BLOB)"),
         "die Konstanten von „Abkühlung“ stimmen nicht"},
        {"a run's constants as text", dir.filePath("l.kurvimat"), withConstants("'k = 1'"), broken},
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

// A shown fit is stored by its model's name; files of earlier versions hold the model's number,
// and open with the same model.
TEST(ExperimentFile, FitModelByNameAndOldNumber) {
    using analysis::FitModel;
    const struct Row {
        const char* setting;
        std::optional<FitModel> model; ///< none: refused
    } rows[] = {
        {"0;exponential;0;250", FitModel::Exponential},
        {"1;damped_sine;0.5;4.5", FitModel::DampedSine},
        {"0;xy_linear;-2;2", FitModel::XYLinear},
        {"0;0;0;250", FitModel::Linear},
        {"1;1;0;250", FitModel::Proportional},
        {"0;2;0;250", FitModel::Exponential},
        {"0;3;0;250", FitModel::DampedSine},
        {"0;4;0;250", FitModel::XYLinear},
        {"0;-1;0;250", std::nullopt},
        {"0;Exponential;0;250", std::nullopt},
        {"0;exponential;0", std::nullopt},
        {"0;exponential;a;250", std::nullopt},
        {"0;quadratic;0;250", FitModel::Quadratic},
        {"1;power_law;0.5;9", FitModel::PowerLaw},
        {"0;xy_quadratic;-2;2", FitModel::XYQuadratic},
        {"0;6;0;250", std::nullopt}, // newer models have no number
        // The user's model: its formula percent-encoded (";" is the list's), then each
        // parameter with its start value; a file's text is compiled, never run.
        {"0;user;0;250;a*(1-EXP(-b*x));a=500;b=0.0001", FitModel::User},
        {"1;user;0;250;MIN(a%3Bx)%2Bc;a=1;c=-2.5e-3", FitModel::User},
        {"0;user;0;250", std::nullopt},
        {"0;user;0;250;a*x", std::nullopt},
        {"0;user;0;250;a*x;b=1", std::nullopt},       // a is no parameter
        {"0;user;0;250;a*x;a=1;A=2", std::nullopt},   // twice
        {"0;user;0;250;a*x;a=x", std::nullopt},
        {"0;user;0;250;a*x;a", std::nullopt},
        {"0;user;0;250;a*(x;a=1", std::nullopt},
        {"0;user;0;250;a*x;a=1;b=1;c=1;d=1;f=1;g=1;h=1", std::nullopt},
        {"0;user;0;250;a*x;x=1", std::nullopt},
        {"0;user;0;250;a*ABL(x%3Bx);a=1", std::nullopt},
        {"0;user;0;250;a*x\u00e9;a=1", std::nullopt},
        {"0;linear;0;250;a*x;a=1", std::nullopt},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.setting);
        const auto fit = readFitSetting(QString::fromUtf8(r.setting));
        ASSERT_EQ(fit.has_value(), r.model.has_value());
        if (!fit) continue;
        EXPECT_EQ(fit->model, *r.model);
        // Written again, by name; read back the same.
        const QString text = fitSettingText(*fit);
        EXPECT_TRUE(text.section(u';', 1, 1).front().isLetter()) << text.toStdString();
        const auto again = readFitSetting(text);
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(again->model, fit->model);
        EXPECT_EQ(again->channelB, fit->channelB);
        EXPECT_EQ(again->from, fit->from);
        EXPECT_EQ(again->to, fit->to);
        ASSERT_EQ(again->user != nullptr, fit->model == FitModel::User);
        if (fit->user) EXPECT_EQ(*again->user, *fit->user);
    }
    // Read back as written, the formula whole; a text beyond the bound is refused unread.
    const auto user = readFitSetting("1;user;0;250;MIN(a%3Bx)%2Bc;a=1;c=-2.5e-3");
    ASSERT_TRUE(user && user->user);
    EXPECT_EQ(user->user->Formula, QStringLiteral("MIN(a;x)+c"));
    EXPECT_EQ(user->user->Names, (std::vector<QString>{"a", "c"}));
    EXPECT_EQ(user->user->Start, (std::vector<double>{1, -2.5e-3}));
    const QString longFormula = "0;user;0;250;a" + QString(MaxFitSettingLength, u'+') + "x;a=1";
    EXPECT_FALSE(readFitSetting(longFormula).has_value());
    EXPECT_FALSE(readFitSetting(QString()).has_value());
}

// The peak of this process's resident memory since the last reset, in bytes (the kernel resets
// it when 5 is written to clear_refs).
qint64 peakResidentBytes(bool reset) {
    if (reset) {
        QFile clear("/proc/self/clear_refs");
        if (clear.open(QIODevice::WriteOnly)) clear.write("5");
    }
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ')[0].toLongLong() * 1024;
    return 0;
}

// A copy of a good file changed through SQLite (writable_schema edits the schema's text
// without building what it says).
QByteArray crafted(const QString& dir, const QByteArray& good, const char* sql) {
    const QString path = dir + "/bearbeitet.sqlite";
    QFile::remove(path);
    writeBytes(path, good);
    {
        auto db = SqliteDb::open(path, SQLITE_OPEN_READWRITE);
        EXPECT_TRUE(db && db->exec(sql)) << sql << (db ? db->errorText().toStdString() : "");
    }
    return bytesOf(path);
}

// Files made to hang, flood or fool the reader: each is refused (or opened) with its message,
// within a time far above a normal opening's and in memory about twice its size.
TEST(ExperimentFile, CraftedFilesAreRefusedInTimeAndMemory) {
    QTemporaryDir dir;
    const QString good = dir.filePath("gut.kurvimat");
    Experiment sample = sampleExperiment();
    // A value that is found once in the file: the last point's B of the first run.
    const float marker = 2.6603f;
    SamplePoint last = sample.runs[0].points.point(3599);
    sample.runs[0].points.clear();
    for (int i = 0; i < 3599; ++i)
        sample.runs[0].points.append(makeSet(PointSet::Origin::Recorded, 3600).point(i));
    last.b = marker;
    sample.runs[0].points.append(last);
    // Another, the snapshot's last B.
    const float snapshotMarker = 3.1337f;
    SamplePoint lastShot = sample.snapshot->point(49);
    lastShot.b = snapshotMarker;
    sample.snapshot = makeSet(PointSet::Origin::Loaded, 49);
    sample.snapshot->append(lastShot);
    ASSERT_EQ(writeExperiment(good, sample), std::nullopt);
    const QByteArray bytes = bytesOf(good);
    const auto flipped = [&bytes](const QByteArray& find, int bit) {
        QByteArray b = bytes;
        const qsizetype at = b.indexOf(find);
        EXPECT_GE(at, 0);
        if (at >= 0) b[at + find.size() - 1] = char(b[at + find.size() - 1] ^ (1 << bit));
        return b;
    };
    const QByteArray markerBytes(reinterpret_cast<const char*>(&marker), 4); // little-endian
    const QByteArray snapshotBytes(reinterpret_cast<const char*>(&snapshotMarker), 4);
    const double columnMarker = 271.828182; // in a further column of "Zeitstempel"
    const QByteArray columnBytes(reinterpret_cast<const char*>(&columnMarker), 8);
    const QString tmp = dir.path();
    const QString foreign = "ist keine Kurvimat-Versuchsdatei";
    const QString damaged = "stimmen nicht mit ihrer Prüfsumme überein";
    const QString tooLarge = "größer, als eine Kurvimat-Versuchsdatei sein kann";
    struct Row {
        const char* name;
        QByteArray file; // empty: made by prepare
        QString message; // empty: opened
        std::function<void(const QString& path)> prepare = {};
    };
    const Row rows[] = {
        {"a normal file (the reference)", bytes, ""},
        {"an index whose expression runs per row",
         crafted(tmp, bytes,
                 "CREATE INDEX x ON point_sets(length(name));"
                 "PRAGMA writable_schema = ON;"
                 "UPDATE sqlite_schema SET sql = 'CREATE INDEX x ON point_sets(length(hex("
                 "zeroblob(1e8+id*0))))' WHERE name = 'x'"),
         foreign},
        {"a CHECK constraint",
         crafted(tmp, bytes,
                 "PRAGMA writable_schema = ON;"
                 "UPDATE sqlite_schema SET sql = replace(sql, 'deleted INTEGER NOT NULL DEFAULT "
                 "0', 'deleted INTEGER NOT NULL DEFAULT 0 CHECK(length(hex(zeroblob(1e8))) > "
                 "0)') WHERE name = 'point_sets'"),
         foreign},
        {"a view", crafted(tmp, bytes, "CREATE VIEW v AS SELECT * FROM point_sets"), foreign},
        {"a trigger",
         crafted(tmp, bytes,
                 "CREATE TRIGGER t AFTER INSERT ON meta BEGIN DELETE FROM point_sets; END"),
         foreign},
        {"100000 empty runs",
         crafted(tmp, bytes,
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                 "100000) INSERT INTO point_sets(role, interval_ms, point_count, recorded_at, "
                 "has_a, has_b, recorded, definition_a, definition_b) SELECT 'run', 2, 0, 0, 1, "
                 "1, 1, '', '' FROM n"),
         tooLarge},
        {"larger than any experiment",
         {},
         tooLarge,
         [&bytes](const QString& path) {
             writeBytes(path, bytes);
             QFile(path).resize(MaxExperimentBytes + 4096); // sparse: nothing to read
         }},
        {"a flipped bit in a chunk", flipped(markerBytes, 3), damaged},
        {"a flipped bit in the settings", flipped("Wert", 2), damaged},
        {"a flipped bit in the snapshot", flipped(snapshotBytes, 3),
         "die Punkte von „Schnappschuss“ ab Punkt 1"},
        {"a flipped bit in a further column", flipped(columnBytes, 3),
         "die Spalten von „Zeitstempel“"},
        {"a column of another set's length",
         crafted(tmp, bytes, "DELETE FROM column_chunks WHERE first = 0 AND position = 1"),
         "beschädigt"},
        {"a folder", {}, "ist ein Ordner", [](const QString& path) { QDir().mkpath(path); }},
        // Neither may block the program: a FIFO without a writer, a device without an end.
        {"a FIFO",
         {},
         "keine gewöhnliche Datei",
         [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path), 0600), 0); }},
        {"the zero device",
         {},
         "keine gewöhnliche Datei",
         [](const QString& path) { QFile::link(QStringLiteral("/dev/zero"), path); }},
        // Regular, with a size of 0: read to its end, which is no experiment.
        {"a process status file",
         {},
         foreign,
         [](const QString& path) { QFile::link(QStringLiteral("/proc/self/status"), path); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = dir.filePath(QString::fromUtf8(r.name).replace(' ', '_') + ".kurvimat");
        if (r.prepare)
            r.prepare(path);
        else
            writeBytes(path, r.file);
        const qint64 size = QFileInfo(path).isFile() ? QFileInfo(path).size() : 0;
        const qint64 before = peakResidentBytes(true);
        QElapsedTimer timer;
        timer.start();
        const ExperimentRead read = readExperiment(path);
        // A hang detector, not a speed test: a normal file of this size opens in milliseconds.
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_LT(peakResidentBytes(false) - before, 2 * std::min(size, qint64(1) << 24) + (32 << 20));
        if (r.message.isEmpty()) {
            EXPECT_TRUE(read.experiment.has_value()) << read.error.toStdString();
            continue;
        }
        EXPECT_FALSE(read.experiment.has_value());
        EXPECT_TRUE(read.error.contains(r.message)) << read.error.toStdString();
    }
    // What is damaged is named.
    EXPECT_TRUE(readExperiment(dir.filePath("a_flipped_bit_in_a_chunk.kurvimat"))
                    .error.contains("„Abkühlung“ ab Punkt 1"));
    EXPECT_TRUE(readExperiment(dir.filePath("a_flipped_bit_in_the_settings.kurvimat"))
                    .error.contains("die Einstellungen"));
    // A file nobody may read (root may: the check runs as another user).
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ExeOther);
    const QString locked = dir.filePath("gesperrt.kurvimat");
    writeBytes(locked, bytes);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(runUnprivileged([&locked] {
                  return readExperiment(locked).error.contains("Zugriff verweigert") ? 0 : 1;
              }),
              0);
}

// Files of the versions before checksums and before record sizes are opened as they are
// (version 1: nothing to check them by); saved again, they carry both.
TEST(ExperimentFile, OpensFilesOfEarlierVersions) {
    struct Row {
        const char* name;
        const char* back; // what makes the file one of that version
        bool unchecked;   // said once: its points cannot be checked
    };
    const Row rows[] = {
        {"current version", "", false},
        {"version 3, no further columns",
         "DROP TABLE column_chunks; DROP TABLE point_columns; PRAGMA user_version = 3; VACUUM",
         false},
        {"version 2, float records",
         "DROP TABLE column_chunks; DROP TABLE point_columns;"
         "ALTER TABLE point_sets DROP COLUMN point_bytes; PRAGMA user_version = 2; VACUUM",
         false},
        {"version 1, no checksums",
         "DROP TABLE column_chunks; DROP TABLE point_columns;"
         "ALTER TABLE point_sets DROP COLUMN point_bytes;"
         "ALTER TABLE point_chunks DROP COLUMN checksum; DELETE FROM meta WHERE key = 'checksum';"
         "PRAGMA user_version = 1; VACUUM",
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("alt.kurvimat");
        const Experiment e = sampleExperiment(false); // those versions kept floats alone
        ASSERT_EQ(writeExperiment(path, e), std::nullopt);
        {
            auto db = SqliteDb::open(path, SQLITE_OPEN_READWRITE);
            ASSERT_TRUE(db && db->exec(r.back));
        }
        const ExperimentRead read = readExperiment(path);
        ASSERT_TRUE(read.experiment.has_value()) << read.error.toStdString();
        EXPECT_EQ(read.experiment->settings, e.settings);
        ASSERT_EQ(read.experiment->runs.size(), e.runs.size());
        EXPECT_TRUE(sameRun(read.experiment->runs[0], e.runs[0]));
        EXPECT_EQ(read.notice.contains("lässt sich nicht prüfen"), r.unchecked);
        if (r.unchecked) EXPECT_TRUE(read.notice.startsWith("alt.kurvimat "));
        // Saved again, it is a file of this version with the same points.
        const QString again = dir.filePath("neu.kurvimat");
        ASSERT_EQ(writeExperiment(again, *read.experiment), std::nullopt);
        EXPECT_EQ(SqliteDb::open(again, SQLITE_OPEN_READONLY)->queryInt("PRAGMA user_version"),
                  SchemaVersion);
        const ExperimentRead reread = readExperiment(again);
        ASSERT_TRUE(reread.experiment.has_value()) << reread.error.toStdString();
        EXPECT_TRUE(sameRun(reread.experiment->runs[0], e.runs[0]));
        EXPECT_EQ(reread.experiment->data, read.experiment->data);
    }
}

TEST(Schema, MigratesForwardOnly) {
    const Migration v1 = schemaMigrations()[0];
    const Migration v2[] = {v1, {2, "ALTER TABLE meta ADD COLUMN note TEXT"}};
    const Migration v1only[] = {v1};
    struct Row {
        const char* name;
        const char* setup; // run on a fresh version-1 database
        std::span<const Migration> steps;
        bool ok;
        qint64 version; // after
    };
    const Row rows[] = {
        {"older: brought forward", "", v2, true, 2},
        {"current: left alone", "", v1only, true, 1},
        {"newer: refused", "PRAGMA user_version = 3", v2, false, 3},
        {"foreign: refused", "PRAGMA application_id = 7", v2, false, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto db = SqliteDb::memory();
        ASSERT_TRUE(db && migrate(*db, v1only) && db->exec(r.setup));
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
