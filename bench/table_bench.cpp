// The table following a recording: ten points appended to a set shown as 10000 rows, the rows
// inserted and the window updated (the view scrolled to its new end and painted, the header and
// the count beside it), against a plain repaint of the same view. Both end with the events the
// window has posted to itself, as the event loop runs them. Samples alternate; medians of the
// GUI thread's CPU time. `table_bench [SAMPLES]`; QT_SCALE_FACTOR=2 for a scaled screen.
#include "tables/PointTableModel.h"
#include "tables/TableWindow.h"

#include <QApplication>
#include <QLocale>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

using namespace kurvimat::exchange;

namespace {

double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A recording of 5 ms points whose shown part the bench sets.
class Recording : public PointTableSource {
public:
    explicit Recording(int capacity) {
        for (int i = 0; i < capacity; ++i) {
            t.push_back(-0.1f + 0.005f * float(i));
            a.push_back(2.5f + 1.5f * std::sin(6.2831853f * t.back()));
            b.push_back(0.8f + 3.2f * std::exp(-t.back() / 120.0f));
        }
    }
    std::span<const float> times() const override { return std::span(t).first(n); }
    std::span<const float> valuesA() const override { return std::span(a).first(n); }
    std::span<const float> valuesB() const override { return std::span(b).first(n); }
    bool hasB() const override { return true; }
    QString definitionA() const override { return QStringLiteral("Spannung (V): U"); }
    QString definitionB() const override { return QStringLiteral("Temperatur (°C): U*100"); }
    MeasurementTextFormat textFormat() const override { return {}; }

    std::vector<float> t, a, b;
    std::size_t n = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

// The offscreen platform says for every new count that it cannot pass size hints on.
void quietPlatform(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (!message.contains(QStringLiteral("propagateSizeHints")))
        std::fprintf(stderr, "%d: %s\n", int(type), qPrintable(message));
}

int main(int argc, char** argv) {
    qInstallMessageHandler(quietPlatform);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const int samples = argc > 1 ? std::max(5, std::atoi(argv[1])) : 200;
    constexpr int Rows = 10000, Added = 10;

    auto recording = std::make_shared<Recording>(Rows);
    TableWindow window;
    window.resize(800, 1000);
    window.show();
    QTableView* view = window.view();
    // What the event loop does next: layouts, then one paint of everything marked.
    const auto settle = [] { QCoreApplication::processEvents(); };

    std::vector<double> appended, inserted, repainted;
    for (int i = 0; i < samples; ++i) {
        // Untimed: the table shows the set's first 9990 points, scrolled to its end.
        recording->n = Rows - Added;
        window.model().setSource(recording);
        view->scrollToBottom();
        settle();

        double start = threadSeconds();
        view->viewport()->update();
        settle();
        repainted.push_back(threadSeconds() - start);

        start = threadSeconds();
        recording->n = Rows;
        window.model().pointsAppended();
        inserted.push_back(threadSeconds() - start);
        settle();
        appended.push_back(threadSeconds() - start);
        if (view->verticalScrollBar()->value() != view->verticalScrollBar()->maximum()) {
            std::fprintf(stderr, "the view did not follow the new rows\n");
            return 1;
        }
    }
    const double a = median(appended), r = median(repainted), in = median(inserted);
    std::printf("table of %d rows, %d x %d window, scale %g, %d samples each\n", Rows,
                window.width(), window.height(), view->devicePixelRatioF(), samples);
    std::printf("  repaint of the view:                  %8.3f ms\n", r * 1e3);
    std::printf("  %d points appended, window updated:   %8.3f ms  (%.2fx the repaint)\n", Added,
                a * 1e3, a / r);
    std::printf("    of which the rows inserted (no paint): %8.3f ms\n", in * 1e3);
    return 0;
}
