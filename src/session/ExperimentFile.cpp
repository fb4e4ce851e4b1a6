#include "ExperimentFile.h"

#include "FilePlatform.h"
#include "FitModels.h"
#include "UserFit.h"
#include "JournalWriter.h"
#include "MeasurementStore.h"
#include "Schema.h"
#include "SessionTables.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

using kurvimat::acquisition::PointCapacity;

namespace kurvimat::session {

namespace {

QString foreignText(const QString& name) {
    return QCoreApplication::translate("ExperimentFile",
                                       "Die Datei %1 ist keine Kurvimat-Versuchsdatei.")
        .arg(name);
}
QString corruptText(const QString& name) {
    return QCoreApplication::translate(
               "ExperimentFile", "Die Datei %1 ist beschädigt oder unvollständig und kann nicht "
                                 "geöffnet werden.")
        .arg(name);
}
QString newerText(const QString& name) {
    return QCoreApplication::translate(
               "ExperimentFile", "Die Datei %1 stammt aus einer neueren Kurvimat-Version und kann "
                                 "nicht geöffnet werden.")
        .arg(name);
}

QString damagedText(const QString& name, const QStringList& what) {
    return QCoreApplication::translate("ExperimentFile",
                                       "Die Datei %1 ist beschädigt und kann nicht geöffnet "
                                       "werden: %2 stimmen nicht mit ihrer Prüfsumme überein.")
        .arg(name, what.join(QStringLiteral(", ")));
}
QString tooLargeText(const QString& name) {
    return QCoreApplication::translate(
               "ExperimentFile",
               "Die Datei %1 ist größer, als eine Kurvimat-Versuchsdatei sein kann (höchstens %2 "
               "Messreihen und %3 Punkte), und wird nicht geöffnet.")
        .arg(name)
        .arg(MaxExperimentRuns)
        .arg(MaxExperimentPoints);
}
QString unknownFitText(const QString& name, const QString& setting) {
    const QString model = setting.section(QLatin1Char(';'), 1, 1);
    return QCoreApplication::translate(
               "ExperimentFile", "Die Datei %1 zeigt eine Ausgleichskurve, die diese "
                                 "Kurvimat-Version nicht kennt („%2“), und wird nicht geöffnet.")
        .arg(name, (model.isEmpty() ? setting : model).left(40));
}
QString cannotOpenText(const QString& path, const QString& reason) {
    return QCoreApplication::translate("ExperimentFile", "Datei %1 kann nicht geöffnet werden. %2")
        .arg(path, reason);
}

// Of everything but the points, which their chunks' checksums cover: the definitions, the
// settings and what each point set is (including how many points it has).
// Text by its characters: QDataStream tells a null QString from an empty one, a file does not.
void putText(QDataStream& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    out << quint32(utf8.size());
    out.writeRawData(utf8.constData(), int(utf8.size()));
}

// Of everything but the points, which their chunks' checksums cover: the definitions, the
// settings and what each point set is (including how many points it has).
QByteArray headerChecksum(const Experiment& e) {
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        putText(out, e.definitionA);
        putText(out, e.definitionB);
        out << quint32(e.settings.size());
        for (const auto& [key, value] : e.settings) {
            putText(out, key);
            out << quint8(value.index());
            std::visit(
                [&out](const auto& v) {
                    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, QString>)
                        putText(out, v);
                    else
                        out << v;
                },
                value);
        }
        const auto set = [&out](const PointSet& p) {
            out << p.recorded() << p.hasA() << p.hasB() << qint32(p.size());
            putText(out, p.definitionA());
            putText(out, p.definitionB());
            // Only sets with further columns add to it: earlier files keep their checksum.
            if (p.columns().empty()) return;
            out << quint32(p.columns().size());
            for (const signals::QuantityColumn& c : p.columns()) {
                for (const QString* text : {&c.header, &c.name, &c.unit, &c.formula})
                    putText(out, *text);
                out << quint8(c.origin);
            }
        };
        out << quint32(e.runs.size());
        for (const Run& r : e.runs) {
            putText(out, r.name);
            out << qint32(r.intervalMs) << qint32(r.pointCount) << r.recordedAtMs;
            set(r.points);
        }
        for (const auto* p : {&e.data, &e.snapshot}) {
            out << p->has_value();
            if (*p) set(**p);
        }
    }
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

unsigned bigEndian(const unsigned char* b, int at, int bytes) {
    unsigned v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | b[at + i];
    return v;
}

bool fill(SqliteDb& db, const Experiment& e) {
    bool ok = migrate(db) && db.exec("BEGIN") &&
              db.exec("INSERT INTO meta(key, value) VALUES('kind', 'experiment')");
    for (std::size_t i = 0; ok && i < e.runs.size(); ++i)
        ok = insertSet(db, SetRole::Run, e.runs[i], int(i)).has_value();
    for (const auto& [role, set] :
         {std::pair{SetRole::Data, &e.data}, std::pair{SetRole::Snapshot, &e.snapshot}}) {
        if (!ok || !*set) continue;
        Run holder;
        holder.points = **set;
        ok = insertSet(db, role, holder, 0).has_value();
    }
    if (ok) {
        Statement sum(db, "INSERT INTO meta(key, value) VALUES('checksum', ?)");
        ok = sum.ok() && sum.bindBlob(1, headerChecksum(e)).run();
    }
    return ok && writeDefinitions(db, e.definitionA, e.definitionB) &&
           writeSettings(db, e.settings) && db.exec("COMMIT");
}

// A file is the main database alone: no views or triggers run, and a query that loops (a
// crafted schema) is stopped.
void harden(SqliteDb& db) {
    sqlite3* h = db.handle();
    sqlite3_db_config(h, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(h, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(h, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(h, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

} // namespace

std::optional<QString> writeExperiment(const QString& path, const Experiment& e) {
    const auto failed = [&path](const QString& reason) {
        return QCoreApplication::translate("ExperimentFile",
                                           "Datei \"%1\" kann nicht erstellt werden. %2")
            .arg(path, reason);
    };
    const QFileInfo info(path);
    // A value of a further column counts as a point: it takes less room than one.
    const auto size = [](const PointSet& p) {
        return qint64(p.size()) * qint64(1 + p.columns().size());
    };
    qint64 points = (e.data ? size(*e.data) : 0) + (e.snapshot ? size(*e.snapshot) : 0);
    for (const Run& run : e.runs)
        points += size(run.points);
    // What could not be opened again is not written.
    if (e.runs.size() > std::size_t(MaxExperimentRuns) || points > MaxExperimentPoints)
        return failed(QCoreApplication::translate(
                          "ExperimentFile",
                          "Eine Versuchsdatei hält höchstens %1 Messreihen und %2 Punkte; diese "
                          "Sitzung hat %3 Messreihen und %4 Punkte. Löschen Sie Messreihen, die "
                          "Sie nicht mehr brauchen.")
                          .arg(MaxExperimentRuns)
                          .arg(MaxExperimentPoints)
                          .arg(e.runs.size())
                          .arg(points));
    // The reader takes no set longer than the store holds.
    const auto tooLong = [](const PointSet& p) { return p.size() > PointCapacity; };
    for (const Run& run : e.runs)
        if (tooLong(run.points))
            return failed(QCoreApplication::translate(
                              "ExperimentFile",
                              "Eine Messreihe hält höchstens %1 Punkte; „%2“ hat %3.")
                              .arg(PointCapacity)
                              .arg(run.name)
                              .arg(run.points.size()));
    if ((e.data && tooLong(*e.data)) || (e.snapshot && tooLong(*e.snapshot)))
        return failed(QCoreApplication::translate(
                          "ExperimentFile",
                          "Die Daten oder der Schnappschuss haben mehr als %1 Punkte.")
                          .arg(PointCapacity));
    auto memory = SqliteDb::memory();
    if (!memory || !fill(*memory, e))
        return failed(QCoreApplication::translate("ExperimentFile", "Die Daten sind ungültig."));
    const QString temp =
        info.dir().filePath(QStringLiteral(".%1.%2.tmp").arg(info.fileName()).arg(QCoreApplication::applicationPid()));
    QFile::remove(temp);
    int code = SQLITE_CANTOPEN;
    bool ok = false;
    {
        auto file = SqliteDb::open(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &code);
        if (file) {
            sqlite3_backup* backup =
                sqlite3_backup_init(file->handle(), "main", memory->handle(), "main");
            ok = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            sqlite3_backup_finish(backup);
            code = file->errorCode();
        }
    }
    ok = ok && syncFile(temp) && replaceFile(temp, path);
    if (!ok) {
        QFile::remove(temp);
        QFile::remove(temp + QLatin1String("-journal"));
        return failed(journalFailureText(code, info.absolutePath()));
    }
    syncFolder(info.absolutePath());
    return std::nullopt;
}

namespace {

ExperimentRead readImage(unsigned char* image, qint64 size, const QString& name) {
    const auto refuse = [image](QString text) {
        sqlite3_free(image);
        return ExperimentRead{std::nullopt, std::move(text)};
    };
    static const char magic[] = "SQLite format 3"; // with its closing zero
    if (size < 100 || std::memcmp(image, magic, sizeof magic) != 0) return refuse(foreignText(name));
    if (size > MaxExperimentBytes) return refuse(tooLargeText(name));
    // What the header says of the file's size tells a truncated file apart.
    unsigned pageSize = bigEndian(image, 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || size % pageSize != 0)
        return refuse(corruptText(name));
    const unsigned pages = bigEndian(image, 28, 4);
    if (pages != 0 && bigEndian(image, 24, 4) == bigEndian(image, 92, 4) &&
        qint64(pages) * pageSize > size)
        return refuse(corruptText(name));
    // Whose and which version, from the header: nothing of a newer or foreign file is parsed.
    const unsigned version = bigEndian(image, 60, 4);
    if (bigEndian(image, 68, 4) != unsigned(KurvimatApplicationId) || version < 1)
        return refuse(foreignText(name));
    if (version > unsigned(SchemaVersion)) return refuse(newerText(name));
    // A file saved in write-ahead mode is read as the main file alone.
    if (image[18] == 2 && image[19] == 2) image[18] = image[19] = 1;

    auto db = SqliteDb::fromImage(image, size);
    if (!db) return {std::nullopt, corruptText(name)};
    const auto fail = [](QString text) { return ExperimentRead{std::nullopt, std::move(text)}; };
    int steps = 0;
    harden(*db);
    sqlite3_progress_handler(
        db->handle(), 1000, [](void* n) { return ++*static_cast<int*>(n) > 50000 ? 1 : 0; },
        &steps);
    switch (checkSchema(*db)) {
    case SchemaCheck::Current:
        break;
    case SchemaCheck::Foreign:
        return fail(foreignText(name));
    case SchemaCheck::Newer:
        return fail(newerText(name));
    case SchemaCheck::Corrupt:
        return fail(corruptText(name));
    case SchemaCheck::Unavailable:
        return fail(cannotOpenText(
            name, QCoreApplication::translate("ExperimentFile", "Sie kann nicht gelesen werden.")));
    }
    // Point sets: the runs, the data and the snapshot.
    const auto sets = db->queryInt("SELECT count(*) FROM point_sets");
    if (!sets) return fail(corruptText(name));
    if (*sets > MaxExperimentRuns + 2) return fail(tooLargeText(name));
    if (!migrate(*db)) return fail(corruptText(name));

    Experiment e;
    ReadCheck check;
    check.checksums = int(version) >= ChecksumVersion;
    auto runs = readSets(*db, SetRole::Run, &check);
    auto data = runs ? readSets(*db, SetRole::Data, &check) : std::nullopt;
    auto snapshot = data ? readSets(*db, SetRole::Snapshot, &check) : std::nullopt;
    if (!check.damaged.isEmpty()) return fail(damagedText(name, check.damaged));
    auto definitions = readDefinitions(*db);
    auto settings = readSettings(*db);
    if (!runs || !data || !snapshot || !definitions || !settings || data->size() > 1 ||
        snapshot->size() > 1)
        return fail(corruptText(name));
    e.runs = std::move(*runs);
    for (Run& run : e.runs)
        run.id = 0; // ids belong to a session, the file has none
    if (!data->empty()) e.data = std::move(data->front().points);
    if (!snapshot->empty()) e.snapshot = std::move(snapshot->front().points);
    std::tie(e.definitionA, e.definitionB) = *definitions;
    e.settings = std::move(*settings);
    if (const auto fit = e.settings.find(QLatin1String(setting::Fit)); fit != e.settings.end()) {
        const QString* text = std::get_if<QString>(&fit->second);
        if (!text || (!text->isEmpty() && !readFitSetting(*text)))
            return fail(unknownFitText(name, text ? *text : QString()));
    }
    if (check.checksums) {
        Statement sum(*db, "SELECT value FROM meta WHERE key = 'checksum'");
        if (!sum.ok() || sum.step() != SQLITE_ROW || sum.columnType(0) != SQLITE_BLOB ||
            sum.columnBlob(0) != headerChecksum(e))
            return fail(damagedText(
                name, {QCoreApplication::translate(
                          "ExperimentFile", "die Einstellungen und die Angaben der Messreihen")}));
    }
    if (!check.checksums)
        return {std::move(e),
                {},
                QCoreApplication::translate(
                    "ExperimentFile", "%1 stammt aus einer Kurvimat-Version ohne Prüfsummen: "
                                      "Ob ihre Punkte unversehrt sind, lässt sich nicht prüfen.")
                    .arg(QFileInfo(name).fileName())};
    return {std::move(e), {}, {}};
}

} // namespace

QString fitSettingText(const FitSetting& fit) {
    const analysis::FitModelSpec* model = analysis::FindFitModel(fit.model);
    QString text = QStringLiteral("%1;%2;%3;%4")
                       .arg(fit.channelB ? 1 : 0)
                       .arg(QLatin1StringView(model ? model->Name : ""))
                       .arg(fit.from, 0, 'g', 17)
                       .arg(fit.to, 0, 'g', 17);
    if (fit.model == analysis::FitModel::User && fit.user) {
        text += u';' + QString::fromLatin1(QUrl::toPercentEncoding(fit.user->Formula));
        for (std::size_t k = 0; k < fit.user->Names.size() && k < fit.user->Start.size(); ++k)
            text += QStringLiteral(";%1=%2").arg(fit.user->Names[k]).arg(fit.user->Start[k], 0,
                                                                          'g', 17);
    }
    return text;
}

std::optional<FitSetting> readFitSetting(const QString& text) {
    if (text.size() > MaxFitSettingLength) return std::nullopt;
    const QStringList parts = text.split(QLatin1Char(';'));
    const bool user = parts.size() > 1 && parts[1] == QLatin1StringView("user");
    if (user ? parts.size() < 6 || parts.size() > 5 + analysis::MaxFitParameters
             : parts.size() != 4)
        return std::nullopt;
    std::array<double, 3> numbers{};
    for (int i : {0, 2, 3}) {
        bool ok = false;
        numbers[i == 0 ? 0 : i - 1] = parts[i].toDouble(&ok);
        if (!ok) return std::nullopt;
    }
    FitSetting fit{numbers[0] != 0, {}, numbers[1], numbers[2], nullptr};
    bool isNumber = false;
    const double number = parts[1].toDouble(&isNumber);
    if (isNumber) {
        // Earlier versions stored the model's number: only a whole number a model of theirs
        // has (the later ones were always written by name).
        const auto model = analysis::FitModel(int(number));
        if (number != std::trunc(number) || std::fabs(number) > 1000 ||
            !analysis::FindFitModel(model) || int(number) > int(analysis::FitModel::Logistic))
            return std::nullopt;
        fit.model = model;
    } else if (const auto model = analysis::FitModelNamed(parts[1])) {
        fit.model = *model;
    } else {
        return std::nullopt;
    }
    if (user) {
        // Percent-encoding is ASCII; anything else is no text this program wrote.
        const QString& encoded = parts[4];
        if (!std::all_of(encoded.begin(), encoded.end(), [](QChar c) { return c.unicode() < 128; }))
            return std::nullopt;
        analysis::UserFitModel m;
        m.Formula = QUrl::fromPercentEncoding(encoded.toLatin1());
        for (qsizetype k = 5; k < parts.size(); ++k) {
            const qsizetype equals = parts[k].indexOf(u'=');
            if (equals < 0) return std::nullopt;
            bool ok = false;
            m.Names.push_back(parts[k].left(equals));
            m.Start.push_back(parts[k].mid(equals + 1).toDouble(&ok));
            if (!ok) return std::nullopt;
        }
        if (analysis::CheckUserFitModel(m)) return std::nullopt;
        fit.user = std::make_shared<const analysis::UserFitModel>(std::move(m));
    }
    return fit;
}

ExperimentRead readExperiment(const QString& path) {
    const FileRead read = readFileBounded(path, MaxExperimentBytes);
    if (read.status == FileReadStatus::TooLarge) return {std::nullopt, tooLargeText(path)};
    if (!read.ok()) return {std::nullopt, cannotOpenText(path, fileReadReason(read.status))};
    return readExperimentBytes(read.bytes, path);
}

ExperimentRead readExperimentBytes(const QByteArray& bytes, const QString& name) {
    if (bytes.size() > MaxExperimentBytes) return {std::nullopt, tooLargeText(name)};
    auto* image = static_cast<unsigned char*>(
        sqlite3_malloc64(sqlite3_uint64(std::max<qsizetype>(bytes.size(), 1))));
    if (!image) return {std::nullopt, tooLargeText(name)};
    std::memcpy(image, bytes.constData(), std::size_t(bytes.size()));
    return readImage(image, bytes.size(), name);
}

} // namespace kurvimat::session
