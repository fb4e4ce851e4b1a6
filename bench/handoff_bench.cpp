// The window recording into the session's journal: reports decoded by the session, which notes
// for its journal what they did, and every ten reports (50 ms of 5 ms points) the
// timer tick handing the new points to the journal (whose writer thread commits meanwhile),
// against the same reports decoded by the pipeline alone on a second window's store. "dauer",
// one point per report; batches of 200 reports alternate, medians of the GUI thread's CPU time
// per report, and the longest wall time one report or tick held the GUI thread on each path.
// `handoff_bench [SAMPLES]`; the journal goes to KURVIMAT_DATA_DIR (default: a folder under
// the working folder, removed afterwards).
#include "Journal.h"
#include "program/TApplication.h"
#include "window/TFormMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace kurvimat::acquisition;

namespace {

double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A mode-5 report: five readings of a and of b, one 5 ms block.
std::array<std::uint8_t, 8> Report(int a, int b) {
    const int sa = a * 5, sb = b * 5;
    return {std::uint8_t(sa >> 7),         std::uint8_t(sb >> 7),         0, 0,
            std::uint8_t((sa & 127) << 1), std::uint8_t((sb & 127) << 1), 0, 0};
}

void prepare(TFormMain& w) {
    w.findChild<QTimer*>(QStringLiteral("TimerTakt"))->stop();
    w.session().store().InputCodeA = 2;
    w.session().store().InputCodeB = 3;
    w.session().store().PointCount = PointCapacity;
    w.findChild<QRadioButton*>(QStringLiteral("RadioButtonDauer"))->setChecked(true);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // On the disk, not in /tmp: the commits' fsync is what the writer thread waits for.
    QTemporaryDir folder(QDir::current().filePath(QStringLiteral("handoff-bench-XXXXXX")));
    if (qEnvironmentVariableIsEmpty("KURVIMAT_DATA_DIR"))
        qputenv("KURVIMAT_DATA_DIR", folder.path().toLocal8Bit());
    TApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(5, std::atoi(argv[1])) : 100;
    constexpr int Batch = 200;

    auto recording = std::make_unique<TFormMain>();
    auto reference = std::make_unique<TFormMain>();
    prepare(*recording);
    prepare(*reference);
    // The journal is opened with the window, not by the first report.
    TriggerSettings controls;
    controls.mode = TriggerMode::Dauer;

    std::vector<double> handler, pipeline;
    double longestHandler = 0, longestPipeline = 0;
    QElapsedTimer wall;
    int step = 0;
    for (int i = 0; i < samples; ++i) {
        std::vector<std::array<std::uint8_t, 8>> reports;
        for (int k = 0; k < Batch; ++k, ++step)
            reports.push_back(Report(512 + (step * 7) % 300, 300 + (step * 3) % 200));

        double start = threadSeconds();
        for (int k = 0; k < Batch; ++k) {
            const auto& r = reports[std::size_t(k)];
            wall.start();
            recording->session().feedReport(r.data(), int(r.size()));
            if (k % 10 == 9) recording->session().tickJournal();
            longestHandler = std::max(longestHandler, wall.nsecsElapsed() * 1e-9);
        }
        handler.push_back((threadSeconds() - start) / Batch);

        start = threadSeconds();
        for (const auto& r : reports) {
            wall.start();
            reference->session().pipeline().DecodeReport(r.data(), int(r.size()), controls);
            longestPipeline = std::max(longestPipeline, wall.nsecsElapsed() * 1e-9);
        }
        pipeline.push_back((threadSeconds() - start) / Batch);
    }
    kurvimat::session::Journal& journal = recording->session().journal();
    const bool synced = journal.sync();
    std::printf("%d samples of %d reports, journal %s (%d points, %d commits%s)\n", samples, Batch,
                qPrintable(journal.path()), journal.recordingSize(), journal.commits(),
                synced ? "" : ", NOT WRITTEN");
    std::printf("  stored points: %d and %d\n", recording->session().store().Data.Count,
                reference->session().store().Data.Count);
    const double h = median(handler), p = median(pipeline);
    std::printf("  pipeline alone:                 %8.3f us per report, longest %8.3f ms\n",
                p * 1e6, longestPipeline * 1e3);
    std::printf("  with the hook and the ticks:    %8.3f us per report, longest %8.3f ms  "
                "(%.2fx the pipeline)\n",
                h * 1e6, longestHandler * 1e3, h / p);
    journal.finish();
    return 0;
}
