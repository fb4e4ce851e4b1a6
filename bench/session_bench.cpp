// One second of mode-2 points (500 points of 28 bytes) committed to the journal, against the
// same bytes appended to a plain file with fdatasync, both on the disk of the working folder
// (not /tmp, which may be memory), alternating sample by sample. Then the GUI thread's side:
// how long a report's hand-off to the journal takes when it starts a commit on the writer
// thread, against committing on the GUI thread itself. Wall time throughout: a commit waits
// for the disk, not for the CPU. Last, opening the largest experiment file allowed against
// reading its bytes into memory.
//   session_bench [FOLDER] [SAMPLES]
#include "Clock.h"
#include "ExperimentFile.h"
#include "Journal.h"
#include "Schema.h"
#include "SessionTables.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kurvimat::session;
using Clk = std::chrono::steady_clock;

namespace {

constexpr int PointsPerSecond = 500; // 2 ms interval
constexpr int PointsPerReport = 4;   // a mode-2 report every 8 ms

class BenchClock final : public Clock {
public:
    qint64 steadyMs() const override { return steady.load(); }
    qint64 wallMs() const override { return 1765267800000 + steady.load(); }
    std::atomic<qint64> steady{0};
};

double ms(Clk::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Stats {
    double median, p99, max;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) {
        return v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
    };
    return {at(0.5), at(0.99), v.back()};
}

std::vector<SamplePoint> secondOfPoints(int second) {
    std::vector<SamplePoint> points(PointsPerSecond);
    for (int i = 0; i < PointsPerSecond; ++i) {
        const int n = second * PointsPerSecond + i;
        points[std::size_t(i)] = {n * 0.002f,      float(n % 1023), float(n % 511),
                                  float(n % 1023), float(n % 511),  n % 1023 / 204.6f,
                                  n % 511 / 204.6f};
    }
    return points;
}

// A journal database as the writer holds it, with the synchronous setting under test.
struct Db {
    SqliteDb db;
    qint64 set = 0;
    int first = 0;
    Db(const QString& path, const char* synchronous) {
        db = std::move(*SqliteDb::open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
        db.exec("PRAGMA locking_mode = EXCLUSIVE");
        db.exec((QByteArray("PRAGMA synchronous = ") + synchronous).constData());
        {
            Statement s(db, "PRAGMA journal_mode = WAL");
            s.step();
        }
        migrate(db);
        Run header;
        header.intervalMs = 2;
        set = *insertSet(db, SetRole::Recording, header, 0);
    }
    void commit(const std::vector<SamplePoint>& points) {
        db.exec("BEGIN IMMEDIATE");
        insertChunk(db, set, first, encodePoints(points.data(), int(points.size())));
        first += int(points.size());
        db.exec("COMMIT");
    }
};

// The largest file an experiment may be: MaxExperimentPoints in runs of 10000 recorded
// points, opened (every check) against reading the file and hashing its bytes once, alternating.
void openLargest(const QString& folder, int samples) {
    Experiment e;
    const int runs = int(MaxExperimentPoints / 10000);
    for (int r = 0; r < runs; ++r) {
        Run run;
        run.name = QStringLiteral("Messreihe %1").arg(r + 1);
        run.intervalMs = 2;
        run.pointCount = 10000;
        run.points = PointSet(PointSet::Origin::Recorded, true, true, "A (V): U", "B (V): U");
        for (int s = 0; s < 20; ++s)
            for (const SamplePoint& p : secondOfPoints(r * 20 + s))
                run.points.append(p);
        e.runs.push_back(std::move(run));
    }
    const QString path = QDir(folder).filePath("groesste.kurvimat");
    if (const auto error = writeExperiment(path, e)) {
        std::printf("cannot write %s\n", qPrintable(*error));
        return;
    }
    std::vector<double> tRead, tOpen;
    for (int i = 0; i < samples; ++i) {
        auto t0 = Clk::now();
        {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            const QByteArray bytes = f.readAll();
            if (QCryptographicHash::hash(bytes, QCryptographicHash::Md5).isEmpty()) return;
        }
        auto t1 = Clk::now();
        const ExperimentRead read = readExperiment(path);
        auto t2 = Clk::now();
        if (!read.experiment || read.experiment->runs.size() != std::size_t(runs)) {
            std::printf("not opened: %s\n", qPrintable(read.error));
            return;
        }
        tRead.push_back(ms(t1 - t0));
        tOpen.push_back(ms(t2 - t1));
    }
    const Stats r = stats(tRead), o = stats(tOpen);
    std::printf("\nlargest experiment file (%d runs, %lld points, %.1f MB)   median ms    max ms\n",
                runs, static_cast<long long>(MaxExperimentPoints),
                double(QFile(path).size()) / 1e6);
    std::printf("%-42s %9.1f %9.1f\n", "read + MD5 of its bytes (reference)", r.median, r.max);
    std::printf("%-42s %9.1f %9.1f\n", "readExperiment (every check)", o.median, o.max);
    std::printf("goal: open <= 2000 ms: %.0f ms, %.2fx the reference\n", o.median,
                o.median / r.median);
}

} // namespace

int main(int argc, char** argv) {
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const int samples = argc > 2 ? std::atoi(argv[2]) : 200;
    QTemporaryDir dir(QDir(base).filePath("session-bench-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    std::printf("folder %s, %d samples each, alternating\n", qPrintable(dir.path()), samples);

    const std::vector<SamplePoint> second = secondOfPoints(0);
    const QByteArray bytes = encodePoints(second.data(), int(second.size()));
    const int plain = ::open(QFile::encodeName(dir.filePath("plain.bin")).constData(),
                             O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    Db full(dir.filePath("full.db"), "FULL"), normal(dir.filePath("normal.db"), "NORMAL");
    std::vector<double> tPlainSync, tPlainWrite, tFull, tNormal;
    for (int i = 0; i < samples; ++i) {
        auto t0 = Clk::now();
        if (::write(plain, bytes.constData(), std::size_t(bytes.size())) != bytes.size()) return 1;
        auto t1 = Clk::now();
        ::fdatasync(plain);
        auto t2 = Clk::now();
        full.commit(second);
        auto t3 = Clk::now();
        normal.commit(second);
        auto t4 = Clk::now();
        tPlainWrite.push_back(ms(t1 - t0));
        tPlainSync.push_back(ms(t2 - t0));
        tFull.push_back(ms(t3 - t2));
        tNormal.push_back(ms(t4 - t3));
    }
    ::close(plain);

    // The GUI thread: reports at the mode-2 pace of the journal's clock, each appended at
    // once; the clock says when a commit is due (every CommitAfterMs of reports).
    std::vector<double> tReport, tCommitReport;
    {
        BenchClock clock;
        Journal journal(dir.filePath("journal"), clock);
        Run header;
        header.intervalMs = 2;
        journal.beginRecording(header);
        journal.sync();
        const int reports = std::max(samples, 20) * int(CommitAfterMs / 8 + 1);
        for (int r = 0, n = 0; r < reports; ++r) {
            SamplePoint points[PointsPerReport];
            for (SamplePoint& p : points)
                p = second[std::size_t(n++ % PointsPerSecond)];
            const int pendingBefore = journal.pendingPoints();
            const auto t0 = Clk::now();
            journal.appendPoints(points);
            const double d = ms(Clk::now() - t0);
            tReport.push_back(d);
            if (journal.pendingPoints() < pendingBefore + PointsPerReport)
                tCommitReport.push_back(d);
            clock.steady += 8;
            // The writer works while the GUI thread goes on: a real pause between reports.
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        journal.finish();
    }

    const Stats plainSync = stats(tPlainSync), plainWrite = stats(tPlainWrite),
                fullS = stats(tFull), normalS = stats(tNormal), report = stats(tReport),
                commitReport = stats(tCommitReport);
    std::printf("\none second of mode-2 points (%lld bytes)     median ms    p99 ms    max ms   "
                "median x plain+fdatasync\n",
                static_cast<long long>(bytes.size()));
    const auto row = [&](const char* name, const Stats& s) {
        std::printf("%-42s %9.3f %9.3f %9.3f %9.2f\n", name, s.median, s.p99, s.max,
                    s.median / plainSync.median);
    };
    row("plain file: write + fdatasync (reference)", plainSync);
    row("plain file: write only", plainWrite);
    row("journal commit, WAL, synchronous=FULL", fullS);
    row("journal commit, WAL, synchronous=NORMAL", normalS);
    std::printf("\nGUI thread held per report hand-off      median ms    p99 ms    max ms\n");
    std::printf("%-42s %9.4f %9.4f %9.4f\n", "every report (writer thread commits)", report.median,
                report.p99, report.max);
    std::printf("%-42s %9.4f %9.4f %9.4f\n", "reports that start a commit", commitReport.median,
                commitReport.p99, commitReport.max);
    std::printf("%-42s %9.4f %9.4f %9.4f\n", "commit on the GUI thread instead (FULL)",
                fullS.median, fullS.p99, fullS.max);
    std::printf("\ngoals: commit <= 5x plain file: %.2fx; GUI stall p99 <= 2 ms: %.4f ms\n",
                fullS.median / plainSync.median, std::max(report.p99, commitReport.p99));
    openLargest(dir.path(), std::clamp(samples / 40, 3, 9));
    return 0;
}
