#include "ExperimentFile.h"

#include "JournalWriter.h"
#include "Schema.h"
#include "SessionTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

bool syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

unsigned bigEndian(const QByteArray& b, int at, int bytes) {
    unsigned v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | std::uint8_t(b[at + i]);
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
    auto memory = SqliteDb::memory();
    if (!memory || !fill(*memory, e))
        return failed(QCoreApplication::translate("ExperimentFile", "Die Daten sind ungültig."));
    const QString temp =
        info.dir().filePath(QStringLiteral(".%1.%2.tmp").arg(info.fileName()).arg(::getpid()));
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
    ok = ok && syncPath(temp, O_RDONLY) &&
         std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        QFile::remove(temp);
        QFile::remove(temp + QLatin1String("-journal"));
        return failed(journalFailureText(code, info.absolutePath()));
    }
    syncPath(info.absolutePath(), O_RDONLY | O_DIRECTORY);
    return std::nullopt;
}

ExperimentRead readExperiment(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString reason =
            file.exists()
                ? QCoreApplication::translate("ExperimentFile", "Zugriff verweigert.")
                : QCoreApplication::translate("ExperimentFile", "Die Datei existiert nicht.");
        return {std::nullopt, QCoreApplication::translate("ExperimentFile",
                                                          "Datei %1 kann nicht geöffnet werden. %2")
                                  .arg(path, reason)};
    }
    return readExperimentBytes(file.readAll(), path);
}

ExperimentRead readExperimentBytes(const QByteArray& original, const QString& name) {
    const auto refuse = [](QString text) { return ExperimentRead{std::nullopt, std::move(text)}; };
    static const QByteArray magic("SQLite format 3", 16); // with its closing zero
    if (original.size() < 100 || !original.startsWith(magic)) return refuse(foreignText(name));
    // What the header says of the file's size tells a truncated file apart.
    unsigned pageSize = bigEndian(original, 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || original.size() % pageSize != 0)
        return refuse(corruptText(name));
    const unsigned pages = bigEndian(original, 28, 4);
    if (pages != 0 && bigEndian(original, 24, 4) == bigEndian(original, 92, 4) &&
        qint64(pages) * pageSize > original.size())
        return refuse(corruptText(name));
    QByteArray bytes = original;
    // A file saved in write-ahead mode is read as the main file alone.
    if (bytes[18] == 2 && bytes[19] == 2) bytes[18] = bytes[19] = 1;

    auto db = SqliteDb::fromBytes(bytes);
    if (!db) return refuse(corruptText(name));
    int steps = 0;
    harden(*db);
    sqlite3_progress_handler(
        db->handle(), 1000, [](void* n) { return ++*static_cast<int*>(n) > 200000 ? 1 : 0; },
        &steps);
    switch (checkSchema(*db)) {
    case SchemaCheck::Current:
        break;
    case SchemaCheck::Foreign:
        return refuse(foreignText(name));
    case SchemaCheck::Newer:
        return refuse(newerText(name));
    case SchemaCheck::Corrupt:
        return refuse(corruptText(name));
    }
    if (!migrate(*db)) return refuse(corruptText(name));

    Experiment e;
    auto runs = readSets(*db, SetRole::Run);
    auto data = readSets(*db, SetRole::Data);
    auto snapshot = readSets(*db, SetRole::Snapshot);
    auto definitions = readDefinitions(*db);
    auto settings = readSettings(*db);
    if (!runs || !data || !snapshot || !definitions || !settings || data->size() > 1 ||
        snapshot->size() > 1)
        return refuse(corruptText(name));
    e.runs = std::move(*runs);
    for (Run& run : e.runs)
        run.id = 0; // ids belong to a session, the file has none
    if (!data->empty()) e.data = std::move(data->front().points);
    if (!snapshot->empty()) e.snapshot = std::move(snapshot->front().points);
    std::tie(e.definitionA, e.definitionB) = *definitions;
    e.settings = std::move(*settings);
    return {std::move(e), {}};
}

} // namespace kurvimat::session
